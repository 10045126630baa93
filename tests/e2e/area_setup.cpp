// The end-to-end area's AreaSetUp, run by tests/support/test_main.cpp before the tests.
#include "tests/support/win_test.h"

// The end-to-end tests drive zimbrel.exe in its own process; this one needs
// no runtime of its own.
void AreaSetUp() {}
