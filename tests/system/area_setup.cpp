#include "runtime/system/font.h"
#include "runtime/system/program_runner.h"
#include "tests/support/win_test.h"

void AreaSetUp() {
  FontInit();
  ProgramRunnerInit();
}
