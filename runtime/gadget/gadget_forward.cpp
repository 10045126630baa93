// Control messages that reach a runtime window go on to the control's class,
// and a control finds the runtime window that hosts it.
#include "runtime/gadget/gadget.h"

LRESULT GadgetForwardMessage(HWND control, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!control) return NOT_HANDLED;
  ObjectNumber key = (ObjectNumber)GetPropA(control, PROPERTY_GADGET_ID);
  if (key != (ObjectNumber)GetWindowLongPtrA(control, GWLP_ID)) return NOT_HANDLED;
  // A control that is not one of ours (no property, id 0) must not borrow gadget 0's class.
  GadgetRecord* record = GadgetOfControl(control);
  if (!record || !record->ops->handleMessage) return NOT_HANDLED;
  return record->ops->handleMessage(record, window, message, wParam, lParam);
}

HWND FindRuntimeWindow(HWND handle) {
  for (HWND h = handle;;) {
    HWND parent = GetParent(h);
    if (!parent || GetPropA(h, PROPERTY_WINDOW_ID)) return h;
    h = parent;
  }
}
