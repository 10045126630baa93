#include "runtime/gadget/gadget.h"
#include "tests/support/win_test.h"

void AreaSetUp() {
  GadgetInit();
  CommonControlsInit();
}
