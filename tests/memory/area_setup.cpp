// The memory area's AreaSetUp, run by tests/support/test_main.cpp before the tests.
#include "runtime/memory/heaps.h"
#include "runtime/memory/strings.h"
#include "tests/support/win_test.h"

// Only the memory library is linked here: its steps of RuntimeStart, in that order.
void AreaSetUp() {
  InstanceHandle = GetModuleHandleA(0);
  MainHeap = HeapCreate(0, 4096, 0);
  ListHeapCreate();
  StringHeapCreate();
}
