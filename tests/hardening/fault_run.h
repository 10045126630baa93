// One run of the program's life inside a test process with the n-th
// allocation failing: start-up, a browse whose dialog is cancelled, a compress
// request with the packer stand-in, one click through the event wait, and
// shutdown. Each run happens in a fresh process (start-up and shutdown make and
// destroy the heaps), started by the test program as
//   test_hardening.exe --fault-run N MODE
// from a folder where upx.exe is the stand-in. MODE is the stand-in's mode
// (shrink, keep, grow, truncate or delete). N = FAULT_GUARD_NODE fails no
// allocation by its number but the modal guard's node for the main window
// under the request's box, whichever allocation that is (see guard_fault.h).
// The run prints what it saw, one fact per line:
//   total T            allocations the whole run asked for
//   phase NAME END     allocation count at the end of each phase
//   hit NAME OFFSET    the phase in which the failing allocation fell (N > 0,
//                      or the guard's node when it failed)
//   box KIND           report, unchanged, nofile, missing or none
//   note WORD          a fallback that was taken (see FaultRun in fault_run.cpp)
//   fail TEXT          a check that did not hold
// and ends with exit code 0 when every check held, 2 when one did not, 3 when
// it crashed.
#pragma once

// The N that fails the modal guard's node for the main window (see above).
const long FAULT_GUARD_NODE = -1;

// Runs the program's life as above when the command line asks for it, and
// then ends the process; returns when it does not.
void FaultRunIfAsked();
