#include "runtime/gadget/gadget.h"
#include "runtime/window/sizing.h"
#include "runtime/window/window_internal.h"

static BOOL CALLBACK SendColourChange(HWND child, LPARAM) {
  SendMessageA(child, WM_SYSCOLORCHANGE, 0, 0);
  return TRUE;
}

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

LRESULT RuntimeWindowHandler(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // A destroyed window's handle may come back for another window.
  if (message == WM_NCDESTROY) WindowIdChanges++;
  LRESULT result = SizingFilter(window, message, wParam, lParam);
  if (result != NOT_HANDLED) return result;
  EventState* state = Events;
  if (!state) return NOT_HANDLED;

  const ObjectNumber number = WindowNumberOf(window);
  WindowRecord* record = number == -1 ? 0 : (WindowRecord*)ObjectTableFind(WindowTable, number);
  // A window's own callback hides the global one, even when it passes on.
  MessageCallback callback = record && record->callback ? record->callback : state->callback;
  if (callback) {
    result = callback(window, message, wParam, lParam);
    if (result != PASS_ON) return result;
  }
  state->window = number;

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
      if (LOWORD(wParam)) PendingEventAppend(state, EVENT_ACTIVATE, number);
      return 1;
    case WM_ERASEBKGND:
      return EraseBackground(state, record, window, (HDC)wParam, number);
    case WM_SYSCOLORCHANGE:
      if (record && !record->mdiClient) EnumChildWindows(window, SendColourChange, 0);
      return NOT_HANDLED;
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
      PostMessageA(window, MSG_TRAY_POSTED, wParam, lParam);
      return 0;
    case MSG_TRAY_POSTED:
      TrayClick(state, wParam, lParam);
      return 0;
    case EVENT_FOCUS_NOTICE:
      state->code = EVENT_GADGET;
      state->source = (ObjectNumber)wParam;
      state->type = (LONG)lParam;
      return 0;
    case EVENT_DATA_WINDOW:
      state->code = EVENT_DATA_WINDOW;
      EventDataAdopt(state, lParam);
      return 0;
    case EVENT_DATA_GADGET:
      state->code = EVENT_DATA_GADGET;
      state->source = (ObjectNumber)wParam;
      EventDataAdopt(state, lParam);
      return 0;
    default:
      return NOT_HANDLED;
  }
}

LRESULT CALLBACK RuntimeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = RuntimeWindowHandler(window, message, wParam, lParam);
  return result == NOT_HANDLED ? DefWindowProcA(window, message, wParam, lParam) : result;
}
