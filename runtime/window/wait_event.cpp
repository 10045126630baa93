#include "runtime/memory/heaps.h"
#include "runtime/window/events.h"

// Every wake-up reason of the message queue.
static const DWORD WAKE_MASK = QS_KEY | QS_MOUSEMOVE | QS_MOUSEBUTTON | QS_POSTMESSAGE | QS_TIMER | QS_PAINT |
                               QS_SENDMESSAGE | QS_HOTKEY | QS_ALLPOSTMESSAGE;

static LONG TakeQueued(EventState* state) {
  PendingEvent* oldest = state->queueHead;
  state->window = oldest->window;
  state->code = 0;  // a direct event stored meanwhile gives way
  state->queueHead = oldest->next;
  if (!state->queueHead) state->queueTail = 0;
  LONG code = oldest->code;
  HeapRelease(MainHeap, oldest);
  return code;
}

// One message, or false when none came within the time-out (negative: for ever).
static bool FetchMessage(LONG timeout, MSG* msg) {
  if (timeout < 0) {
    GetMessageA(msg, 0, 0, 0);
    return true;
  }
  if (PeekMessageA(msg, 0, 0, 0, PM_REMOVE | PM_NOYIELD)) return true;
  if (timeout == 0) return false;
  if (MsgWaitForMultipleObjects(0, 0, FALSE, (DWORD)timeout, WAKE_MASK) == WAIT_TIMEOUT) return false;
  return PeekMessageA(msg, 0, 0, 0, PM_REMOVE | PM_NOYIELD) != 0;
}

LONG WaitEvent(LONG timeout) {
  EventState* state = Events;
  if (!state) return 0;
  EventDataFree(state);
  state->type = -1;
  if (state->queueHead) return TakeQueued(state);

  MSG msg = {};
  if (!FetchMessage(timeout, &msg)) return 0;
  // Only these can be accelerators; for any other message the active window
  // and its table (three calls to the system) are not looked up.
  const bool key = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN || msg.message == WM_CHAR ||
                   msg.message == WM_SYSCHAR;
  HWND active = key ? GetActiveWindow() : 0;
  HACCEL table = key ? ActiveAccelerators(active) : 0;
  if (!table || !TranslateAcceleratorA(active, table, &msg)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (state->code) {
    LONG code = state->code;
    state->code = 0;
    return code;
  }
  state->wParam = msg.wParam;
  state->lParam = msg.lParam;
  return (LONG)msg.message;
}

ObjectNumber EventSource() { return Events ? Events->source : 0; }
