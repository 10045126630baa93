// The dispatching wait of message_wait.h.
#include "runtime/system/message_wait.h"

bool WaitDispatching(HANDLE handle, DWORD timeoutMs) {
  // The queue is emptied first: the wait below wakes only for a message
  // newer than the last look, and one left there would wait unseen.
  MSG msg;
  while (PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  DWORD woke = MsgWaitForMultipleObjects(handle ? 1 : 0, &handle, FALSE, timeoutMs, QS_ALLINPUT);
  return handle && woke != WAIT_TIMEOUT && woke != WAIT_OBJECT_0 + 1;
}
