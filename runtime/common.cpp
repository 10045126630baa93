#include "runtime/common.h"

HINSTANCE InstanceHandle;
