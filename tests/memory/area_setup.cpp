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
