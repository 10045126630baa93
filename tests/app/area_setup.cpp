#include "runtime/runtime.h"
#include "tests/support/win_test.h"

void AreaSetUp() { RuntimeStart(); }
