// The window area's AreaSetUp, run by tests/support/test_main.cpp before the tests:
// the whole runtime, as the program starts it.
#include "runtime/runtime.h"
#include "tests/support/win_test.h"

void AreaSetUp() { RuntimeStart(); }
