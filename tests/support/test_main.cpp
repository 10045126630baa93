// Entry point of every test program: the heaps and instance handle that the
// runtime expects from the program's start-up, then the area's own start-up.
#include <gtest/gtest.h>

#include "runtime/memory/heaps.h"
#include "runtime/memory/strings.h"
#include "tests/support/win_test.h"

int main(int argc, char** argv) {
  InstanceHandle = GetModuleHandleA(0);
  MainHeap = HeapCreate(0, 4096, 0);
  ListHeapCreate();
  AreaSetUp();
  if (!StringHeap) StringHeapCreate();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
