// The runtime's start and stop, each written once: the program, the benchmarks
// and the test programs that use the whole runtime start it here. Implemented
// in runtime.cpp.
#pragma once
#include "runtime/common.h"

// Every part of the runtime, in its fixed order: the instance handle, the
// MainHeap, the ListHeap, fonts, windows and events, gadgets, the program
// runner, the common controls, and last the StringHeap. No step's result is
// looked at: a part that fails shows later as a missing font, window or gadget.
void RuntimeStart();
// Closes every window, frees every font, and destroys the ListHeap and the
// MainHeap, in that order (see runtime.cpp for why the StringHeap stays).
void RuntimeStop();
