// Waiting for a program while the calling thread's windows stay alive: they
// paint, move, minimise and answer the system, since every message that
// comes meanwhile is dispatched.
#pragma once
#include "runtime/common.h"

// Dispatches every message in the thread's queue, then waits up to timeoutMs
// (INFINITE: no limit) for handle to be signalled or a new message to come;
// a null handle waits for a message alone. True when the handle was
// signalled, or cannot be waited on; false on a message or the time-out,
// after which the caller looks at what it watches and calls again.
bool WaitDispatching(HANDLE handle, DWORD timeoutMs);
