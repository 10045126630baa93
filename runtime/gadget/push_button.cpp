// Push button: a "Button" control whose state is its check mark. It has no
// colours (its record's colour fields stay 0) and no message handler, so its
// clicks reach the program as gadget events.
#include "runtime/gadget/gadget_classes.h"

GadgetClassOps PushButtonOps;

// Only a full check counts; the indeterminate state reads as clear.
static LONG PushButtonGetState(GadgetRecord* record) {
  return (LONG)SendMessageW(record->handle, BM_GETCHECK, 0, 0) & BST_CHECKED;
}

static void PushButtonSetState(GadgetRecord* record, LONG state) {
  SendMessageW(record->handle, BM_SETCHECK, state ? BST_CHECKED : BST_UNCHECKED, 0);
}

static void FillPushButtonOps() {
  PushButtonOps.kind = GADGET_KIND_BUTTON;
  PushButtonOps.size = sizeof(GadgetClassOps);
  PushButtonOps.getState = PushButtonGetState;
  PushButtonOps.setState = PushButtonSetState;
}

ObjectNumber PushButtonCreate(ObjectNumber number, int x, int y, int width, int height, ProgramText text,
                              DWORD flags) {
  // A filled table has its size set.
  if (!PushButtonOps.size) FillPushButtonOps();
  DWORD style = flags | WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON;
  HWND handle;
  GadgetRecord* record = GadgetCreateControl(number, 0, L"Button", &text, style, x, y, width, height, &handle);
  if (!record) return 0;
  // The window's default button, which Enter presses (runtime/window/focus.cpp).
  if (flags & BS_DEFPUSHBUTTON) SetPropA(GetParent(handle), PROPERTY_DEFAULT_BUTTON, handle);
  return GadgetCreateFinish(number, record, handle, &PushButtonOps);
}

bool PushButtonControl(HWND control) {
  GadgetRecord* record = GadgetOfControl(control, 0);
  return record && record->ops == &PushButtonOps;
}

void PushButtonFrameFollowsFocus(HWND focus) {
  HWND window = GetParent(focus);
  if (!window || !GetPropA(window, PROPERTY_WINDOW_ID)) return;
  // The focused push button carries the default frame; with the focus on no
  // push button, the window's default button does.
  HWND framed = PushButtonControl(focus) ? focus : (HWND)GetPropA(window, PROPERTY_DEFAULT_BUTTON);
  for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (!PushButtonControl(c)) continue;
    SendMessageW(c, BM_SETSTYLE, c == framed ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
  }
}
