// The system area's AreaSetUp, run by tests/support/test_main.cpp before the tests.
#include "runtime/memory/heaps.h"
#include "runtime/memory/strings.h"
#include "runtime/system/font.h"
#include "runtime/system/program_runner.h"
#include "tests/support/win_test.h"

// Only the system and memory libraries are linked here: their steps of RuntimeStart, in that order.
void AreaSetUp() {
  InstanceHandle = GetModuleHandleA(0);
  MainHeap = HeapCreate(0, 4096, 0);
  ListHeapCreate();
  FontInit();
  ProgramRunnerInit();
  StringHeapCreate();
}
