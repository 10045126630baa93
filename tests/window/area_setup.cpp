#include "runtime/gadget/gadget.h"
#include "runtime/window/window.h"
#include "tests/support/win_test.h"

void AreaSetUp() {
  WindowInit();
  GadgetInit();
  CommonControlsInit();
}
