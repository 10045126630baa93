// The fault of the guard run of fault_run.h. The modal guard lists each
// window it disables in a node of its own, and the run must fail exactly the
// node for the main window under the request's box. Counting allocations
// cannot name it: the events the system queues before the box move its number
// from run to run. What names it is where it is made: the guard walks the
// top-level windows with EnumWindows, and on each visit the only allocation is
// that window's node (the checks before it ask the system and allocate
// nothing). So this program's import of EnumWindows is pointed at a stand-in,
// which hands the system's EnumWindows a visit of its own; while a target
// window is set, that visit arms the fault for the next allocation just around
// the guard's visit of the target and disarms it after, and so fails the
// target's node, and only it.
#pragma once
#include <windows.h>

struct GuardFault {
  BOOL(WINAPI* enumWindows)(WNDENUMPROC, LPARAM) = 0;  // the system's
  WNDENUMPROC visit = 0;                                // the guard's, during its walk
  HWND target = 0;                                      // whose node fails; 0: none
  long at = 0;                                          // the number of the allocation that failed; 0: none yet
};
extern GuardFault guardFault;

// Points this program's import of user32's EnumWindows at the stand-in of
// guard_fault.cpp (the runtime is linked into this program, so its calls go
// through the same import); false when the import is not found.
bool StandInForEnumWindows();
