// The runtime's start and stop of runtime.h.
#include "runtime/runtime.h"

#include "runtime/gadget/gadget.h"
#include "runtime/gadget/gadget_scale.h"
#include "runtime/memory/heaps.h"
#include "runtime/memory/strings.h"
#include "runtime/system/font.h"
#include "runtime/system/program_runner.h"
#include "runtime/window/window.h"

// The order is fixed: each step may use what the steps before it made (the
// heaps first of all), and the allocation-fault tests count the allocations
// step by step.
void RuntimeStart() {
  InstanceHandle = GetModuleHandleA(0);
  MainHeap = HeapCreate(0, 4096, 0);
  ListHeapCreate();
  FontInit();
  WindowInit();
  GadgetInit();
  ProgramRunnerInit();
  CommonControlsInit();
  StringHeapCreate();
}

// Windows go first, while the heaps that hold their records and lists are
// still there; fonts next, once no window uses them. The MainHeap is set to 0
// so that anything still asking for it gets nothing rather than a dead heap.
// The StringHeap is not destroyed: the program stops the runtime only to end,
// and the process ends right after, and the heap with it.
void RuntimeStop() {
  WindowCloseAll();
  GadgetScaledFontFree();
  FontFreeAll();
  ListHeapDestroy();
  HeapDestroy(MainHeap);
  MainHeap = 0;
}
