#include "tests/hardening/fault_run.h"
#include "tests/support/win_test.h"

// The test program is also the program whose life runs with a failing
// allocation (fault_run.h); otherwise the tests start what they need themselves.
void AreaSetUp() { FaultRunIfAsked(); }
