#include "tests/support/win_test.h"

void AreaSetUp() {}
