// Push button: a "Button" control whose state is its check mark.
#include "runtime/gadget/gadget_classes.h"

GadgetClassOps PushButtonOps;
static bool pushButtonOpsFilled;

// Only a full check counts; the indeterminate state reads as clear.
static LONG PushButtonGetState(GadgetRecord* record) {
  return (LONG)SendMessageA(record->handle, BM_GETCHECK, 0, 0) & BST_CHECKED;
}

static void PushButtonSetState(GadgetRecord* record, LONG state) {
  SendMessageA(record->handle, BM_SETCHECK, state ? BST_CHECKED : BST_UNCHECKED, 0);
}

static void FillPushButtonOps() {
  ZeroMemory(&PushButtonOps, sizeof(PushButtonOps));
  PushButtonOps.kind = GADGET_KIND_BUTTON;
  PushButtonOps.size = sizeof(GadgetClassOps);
  PushButtonOps.getState = PushButtonGetState;
  PushButtonOps.setState = PushButtonSetState;
  pushButtonOpsFilled = true;
}

ObjectNumber PushButtonCreate(ObjectNumber number, int x, int y, int width, int height, const char* text,
                              DWORD flags) {
  if (!pushButtonOpsFilled) FillPushButtonOps();
  DWORD style = flags | WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP;
  HWND handle = GadgetCreateControl(0, "Button", text, style, x, y, width, height);
  if (!handle) return 0;
  GadgetRecord* record = GadgetClaim(number, handle);
  if (!record) return 0;
  return GadgetCreateFinish(number, record, handle, &PushButtonOps);
}
