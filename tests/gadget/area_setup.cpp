// The gadget area's AreaSetUp, run by tests/support/test_main.cpp before the tests.
#include "runtime/gadget/gadget.h"
#include "runtime/memory/heaps.h"
#include "runtime/memory/strings.h"
#include "tests/support/win_test.h"

// No window library is linked here (work on windows must not stop these tests):
// the steps of RuntimeStart that the gadgets need, in that order.
void AreaSetUp() {
  InstanceHandle = GetModuleHandleA(0);
  MainHeap = HeapCreate(0, 4096, 0);
  ListHeapCreate();
  GadgetInit();
  CommonControlsInit();
  StringHeapCreate();
}
