// One-per-module records (gadget list, event state, sizing state).
#pragma once
#include "runtime/common.h"

typedef void (*RecordInitHook)(void* record);

// A zero-filled block on the MainHeap, given to initHook (if any) before it is
// returned; null when it cannot be allocated.
void* RecordNew(size_t size, RecordInitHook initHook);
