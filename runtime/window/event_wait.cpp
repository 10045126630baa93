// The pending-event queue and the event wait: queued events come out one per
// WaitEvent call, oldest first, before any new message is fetched; otherwise
// one message is fetched, translated (accelerators first) and dispatched, and
// the direct event that its dispatch stored, or the raw message number, is
// the answer. The event state itself is made here too (EventStateInit).
// Messages are fetched and dispatched as UTF-16: a typed letter that the
// system's ANSI code page lacks reaches the controls as it was typed.
#include "runtime/memory/heaps.h"
#include "runtime/window/events.h"
#include "runtime/window/sizing.h"

static_assert(sizeof(EventState) == 40, "the event state is 40 bytes");

EventState* Events;

// Used when the heap cannot give the record: the wait and the window procedure
// then still work, and nothing dereferences a null state.
static EventState spareEvents;

void EventStateInit() {
  Events = (EventState*)RecordNew(sizeof(EventState), 0);
  if (!Events) Events = &spareEvents;
}

// --- the queue ---------------------------------------------------------------

// A stream of equal events (moves and sizes during a drag) is kept as one
// entry while the application has not fetched it. Without memory the event
// is lost.
void PendingEventAppend(EventState* state, LONG code, ObjectNumber window) {
  if (!state) return;
  PendingEvent* newest = state->queueTail;
  if (newest && newest->code == code && newest->window == window) return;
  PendingEvent* entry = (PendingEvent*)HeapAllocate(MainHeap, 0, sizeof(PendingEvent));
  if (!entry) return;
  entry->next = 0;
  entry->code = code;
  entry->window = window;
  if (newest) newest->next = entry;
  else state->queueHead = entry;
  state->queueTail = entry;
}

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

// --- the wait ----------------------------------------------------------------

// Every wake-up reason of the message queue.
static const DWORD WAIT_WAKE_MASK = QS_KEY | QS_MOUSEMOVE | QS_MOUSEBUTTON | QS_POSTMESSAGE | QS_TIMER | QS_PAINT |
                                    QS_SENDMESSAGE | QS_HOTKEY | QS_ALLPOSTMESSAGE;

// One message, or false when none came within the time-out (negative: for ever).
static bool FetchMessage(LONG timeout, MSG* msg) {
  if (timeout < 0) {
    // The result is not tested: WM_QUIT ends nothing here (the application's
    // loop ends on EVENT_CLOSE), it is dispatched and returned like any other.
    GetMessageW(msg, 0, 0, 0);
    return true;
  }
  // Waited once, not for the rest of the time-out: a wake-up that brings no
  // message for this thread answers 0 early, as a time-out does. One look
  // before the wait and one after it, through the same call.
  for (bool waited = false;; waited = true) {
    if (PeekMessageW(msg, 0, 0, 0, PM_REMOVE | PM_NOYIELD)) return true;
    if (waited || timeout == 0) return false;
    if (MsgWaitForMultipleObjects(0, 0, FALSE, (DWORD)timeout, WAIT_WAKE_MASK) == WAIT_TIMEOUT) return false;
  }
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
  // While the sizing loop runs, keys go to the window it sizes, which holds
  // the capture: with the focus in one of its controls they would go there,
  // and the loop would never see its arrows, Enter or Escape.
  if (key && Sizing && Sizing->active && GetCapture()) msg.hwnd = GetCapture();
  HWND active = key ? GetActiveWindow() : 0;
  HACCEL table = key ? ActiveAccelerators(active) : 0;
  if (key && FocusKeyTaken(&msg)) {
    // Enter's press, if any, comes as the button's click.
  } else if (!table || !TranslateAcceleratorW(active, table, &msg)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
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
