// The window procedure of every runtime window: the sizing loop sees each
// message first, then the window's number is found, user callbacks are asked,
// and the message becomes a queued or direct event, goes to a gadget's class,
// or falls through to DefWindowProcW. WM_COMMAND's translation and the data
// record of data events (13105, 13106) live here too.
#include "runtime/gadget/gadget.h"
#include "runtime/memory/heaps.h"
#include "runtime/window/sizing.h"
#include "runtime/window/window_internal.h"

// --- the window's number -----------------------------------------------------

// Every message to a runtime window asks for its number, and each property
// read is a trip to the window server under Wine: the last window whose own
// property answered is remembered, until a property is set or removed
// (WindowOpen, WindowClose) or a runtime window is destroyed.
static HWND lastWindow;
static ObjectNumber lastNumber;
static LONG lastChanges = -1;

// Counts every setting and removal of the window-number property (through
// WindowIdChanged) and every destruction of a runtime window (below); the
// number remembered above is trusted only while this count stays the same.
static LONG windowIdChanges;

void WindowIdChanged() { windowIdChanges++; }

// The number of the runtime window that window belongs to (its own
// "Kel_WindowID" or the nearest ancestor's), -1 for none.
static ObjectNumber WindowNumberOf(HWND window) {
  if (window && window == lastWindow && lastChanges == windowIdChanges) return lastNumber;
  for (HWND w = window; w; w = GetParent(w)) {
    ObjectNumber stored = (ObjectNumber)GetPropA(w, PROPERTY_WINDOW_ID);
    if (!stored) continue;
    // Only the window's own property is remembered, not an ancestor's.
    if (w == window) {
      lastWindow = window;
      lastNumber = stored - 1;
      lastChanges = windowIdChanges;
    }
    return stored - 1;
  }
  return -1;
}

// --- the data of data events -------------------------------------------------

// The data record of events 13105 and 13106: its third field, when set,
// points to a further block that the record owns.
static const size_t EVENT_DATA_FIELDS = 3;

// Only blocks of our own heap are ever freed: the message may come from
// anywhere, and its parameter from anyone.
static bool IsMainHeapBlock(void* block, size_t atLeast) {
  if (!block || !MainHeap || !HeapValidate(MainHeap, 0, block)) return false;
  SIZE_T size = HeapSize(MainHeap, 0, block);
  return size != (SIZE_T)-1 && size >= atLeast;
}

void EventDataFree(EventState* state) {
  void** record = state ? (void**)state->eventData : 0;
  if (!record) return;
  state->eventData = 0;
  void* inner = record[EVENT_DATA_FIELDS - 1];
  if (inner && IsMainHeapBlock(inner, 1)) HeapRelease(MainHeap, inner);
  HeapRelease(MainHeap, record);
}

// Takes over the data record of events 13105 and 13106, freeing the one it
// replaces; a value that is not a MainHeap block is not taken.
static void EventDataAdopt(EventState* state, LPARAM data) {
  if ((void*)data == state->eventData) return;
  EventDataFree(state);
  if (IsMainHeapBlock((void*)data, EVENT_DATA_FIELDS * sizeof(void*))) state->eventData = (void*)data;
}

// --- WM_COMMAND --------------------------------------------------------------

// A gadget's class may take it; else it becomes a gadget or menu event, or a
// focus move for the Tab and Shift+Tab accelerators.
static void EventCommand(EventState* state, HWND window, WPARAM wParam, LPARAM lParam) {
  if (GadgetForwardMessage((HWND)lParam, window, WM_COMMAND, wParam, lParam) != NOT_HANDLED) return;
  const WORD command = LOWORD(wParam);
  if (lParam) {
    // From a control: its identifier is the gadget's number (or identity).
    LONG id = GetWindowLongW((HWND)lParam, GWL_ID);
    if (id != MENU_CONTROL_ID) {
      state->code = EVENT_GADGET;
      state->type = HIWORD(wParam);
      state->source = id;
      return;
    }
  } else if (HIWORD(wParam) != 0 && (command == CMD_NEXT_CONTROL || command == CMD_PREVIOUS_CONTROL)) {
    // The Tab and Shift+Tab accelerators.
    FocusTraverse(command == CMD_PREVIOUS_CONTROL);
    return;
  }
  // From the menu control, a menu (whose high word is 0) or some other accelerator.
  state->code = EVENT_MENU;
  state->source = command;
}

// --- the other messages ------------------------------------------------------

static BOOL CALLBACK SendColourChange(HWND child, LPARAM) {
  SendMessageW(child, WM_SYSCOLORCHANGE, 0, 0);
  return TRUE;
}

// The background: the window's own brush, else its erase callback (both unset
// in this program), else the system's. A repaint event is queued in every
// case, with window -1 too, so the application hears of every erased window.
static LRESULT EraseBackground(EventState* state, WindowRecord* record, HWND window, HDC dc, ObjectNumber number) {
  LRESULT result = NOT_HANDLED;
  if (record) {
    if (record->backBrush) {
      RECT r;
      GetClientRect(window, &r);
      FillRect(dc, &r, record->backBrush);
      result = 1;
    } else if (window == record->handle && record->eraseCallback) {
      result = record->eraseCallback(dc, window);
    }
  }
  PendingEventAppend(state, EVENT_REPAINT, number);
  return result;
}

// Any other mouse message over the icon (a move, say) is no event: WaitEvent
// then returns the raw message number.
static void TrayClick(EventState* state, WPARAM icon, LPARAM mouse) {
  static const struct { LPARAM mouse; LONG kind; } kinds[] = {
      {WM_LBUTTONUP, TRAY_LEFT_UP}, {WM_RBUTTONUP, TRAY_RIGHT_UP},
      {WM_LBUTTONDBLCLK, TRAY_LEFT_DOUBLE}, {WM_RBUTTONDBLCLK, TRAY_RIGHT_DOUBLE}};
  for (const auto& k : kinds) {
    if (k.mouse == mouse) {
      state->code = EVENT_TRAY;
      state->source = (ObjectNumber)icon;
      state->type = k.kind;
      return;
    }
  }
  state->code = 0;
}

// The runtime's private messages that store a direct event, which the
// WaitEvent call that dispatched them returns.
static void DirectEvent(EventState* state, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case MSG_TRAY_POSTED:
      TrayClick(state, wParam, lParam);
      break;
    case EVENT_FOCUS_NOTICE:
      state->code = EVENT_GADGET;
      state->source = (ObjectNumber)wParam;
      state->type = (LONG)lParam;
      break;
    default:
      // EVENT_DATA_WINDOW and EVENT_DATA_GADGET, whose code is their number.
      state->code = (LONG)message;
      if (message == EVENT_DATA_GADGET) state->source = (ObjectNumber)wParam;
      EventDataAdopt(state, lParam);
      break;
  }
}

// The user callbacks (neither is set in this program): a window's own hides the
// global one, even when it passes on. True, with the result, when it took the message.
static bool CallbackTakes(EventState* state, WindowRecord* record, HWND window, UINT message, WPARAM wParam,
                          LPARAM lParam, LRESULT* result) {
  MessageCallback callback = record && record->callback ? record->callback : state->callback;
  if (!callback) return false;
  *result = callback(window, message, wParam, lParam);
  return *result != PASS_ON;
}

// WM_ACTIVATE, queued with window -1 too. Never passed on: DefWindowProcW
// would give the focus to the window itself and take it from its control.
// Instead the control that had it when the window was left gets it back.
static LRESULT Activated(EventState* state, WindowRecord* record, ObjectNumber number, HWND window, WPARAM wParam) {
  if (record) {
    HWND focus = GetFocus();
    if (LOWORD(wParam) == WA_INACTIVE) record->focus = focus && IsChild(window, focus) ? focus : 0;
    else if (!HIWORD(wParam) && record->focus && IsChild(window, record->focus)) SetFocus(record->focus);
  }
  if (LOWORD(wParam)) PendingEventAppend(state, EVENT_ACTIVATE, number);
  return 1;
}

// The message of a window with the given number (-1 for none) and record (null
// for none), by the table of messages the runtime understands.
static LRESULT HandleMessage(EventState* state, WindowRecord* record, ObjectNumber number, HWND window,
                             UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_MOVE:
    case WM_CLOSE:
      // Never passed on: a user's close becomes an event, the window stays.
      if (number != -1) PendingEventAppend(state, message == WM_MOVE ? EVENT_MOVE : EVENT_CLOSE, number);
      return 0;
    case WM_SIZE:
      if (number == -1 || wParam == SIZE_MINIMIZED) return NOT_HANDLED;
      PendingEventAppend(state, EVENT_SIZE, number);
      return 0;
    case WM_ACTIVATE:
      return Activated(state, record, number, window, wParam);
    case WM_ERASEBKGND:
      return EraseBackground(state, record, window, (HDC)wParam, number);
    case WM_SYSCOLORCHANGE:
      // Controls hear of it only from their window. An MDI child (none in this
      // program) is left to its MDI client.
      if (record && !record->mdiClient) EnumChildWindows(window, SendColourChange, 0);
      return NOT_HANDLED;
    case WM_DPICHANGED:
      return WindowDpiChanged(window, record, wParam, lParam);
    case WM_NOTIFY:
      return GadgetForwardMessage(lParam ? ((NMHDR*)lParam)->hwndFrom : 0, window, message, wParam, lParam);
    case WM_COMMAND:
      EventCommand(state, window, wParam, lParam);
      return 0;
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
    case MSG_GADGET_FORWARD:
      return GadgetForwardMessage((HWND)lParam, window, message, wParam, lParam);
    case MSG_TRAY:
      // Posted again, so that the click becomes a direct event of the WaitEvent
      // call that dispatches it, whatever loop received the notification.
      PostMessageW(window, MSG_TRAY_POSTED, wParam, lParam);
      return 0;
    case MSG_TRAY_POSTED:
    case EVENT_FOCUS_NOTICE:
    case EVENT_DATA_WINDOW:
    case EVENT_DATA_GADGET:
      DirectEvent(state, message, wParam, lParam);
      return 0;
    default:
      return NOT_HANDLED;
  }
}

// --- the procedure -----------------------------------------------------------

LRESULT RuntimeWindowHandler(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // A destroyed window's handle may come back for another window.
  if (message == WM_NCDESTROY) windowIdChanges++;
  LRESULT result = SizingFilter(window, message, wParam, lParam);
  if (result != NOT_HANDLED) return result;
  EventState* state = Events;
  if (!state) return NOT_HANDLED;

  const ObjectNumber number = WindowNumberOf(window);
  WindowRecord* record = number == -1 ? 0 : (WindowRecord*)ObjectTableFind(WindowTable, number);
  if (CallbackTakes(state, record, window, message, wParam, lParam, &result)) return result;
  state->window = number;
  return HandleMessage(state, record, number, window, message, wParam, lParam);
}

LRESULT CALLBACK RuntimeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = RuntimeWindowHandler(window, message, wParam, lParam);
  return result == NOT_HANDLED ? DefWindowProcW(window, message, wParam, lParam) : result;
}
