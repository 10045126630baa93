// The hardening area's AreaSetUp, run by tests/support/test_main.cpp before the tests.
#include "runtime/memory/heaps.h"
#include "runtime/memory/strings.h"
#include "tests/hardening/fault_run.h"
#include "tests/support/win_test.h"

// The test program is also the program whose life runs with a failing
// allocation (fault_run.h), and that life starts the runtime through
// AppStartUp; otherwise the tests start what they need themselves.
void AreaSetUp() {
  FaultRunIfAsked();
  // Only the heaps: an in-process test starts the layer it uses on them.
  InstanceHandle = GetModuleHandleA(0);
  MainHeap = HeapCreate(0, 4096, 0);
  ListHeapCreate();
  StringHeapCreate();
}
