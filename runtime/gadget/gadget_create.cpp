// The creation protocol shared by every gadget class: make the control, claim
// its record, then give it its procedure, number and font.
#include "runtime/gadget/gadget.h"

HWND GadgetCreateControl(DWORD exStyle, const char* className, const char* text, DWORD style,
                         int x, int y, int width, int height) {
  // Without a parent there is nowhere to put a child control.
  if (!Gadgets || !Gadgets->parent) return 0;
  return CreateWindowExA(exStyle, className, text ? text : "", style, x, y, width, height,
                         Gadgets->parent, (HMENU)(LONG_PTR)-1, InstanceHandle, 0);
}

GadgetRecord* GadgetClaim(ObjectNumber number, HWND handle) {
  // Claiming a used number destroys the gadget that holds it (the table's
  // release hook); the new control already exists at that point.
  GadgetRecord* record = (GadgetRecord*)ObjectTableClaim(GadgetTable, number);
  if (!record) DestroyWindow(handle);  // not yet subclassed: nothing else to undo
  return record;
}

ObjectNumber GadgetCreateFinish(ObjectNumber number, GadgetRecord* record, HWND handle,
                                const GadgetClassOps* table) {
  bool automatic = number == AUTO_NUMBER;
  if (automatic) number = ObjectIdentity(record);
  record->handle = handle;
  record->ops = table;
  record->previousProc = (WNDPROC)SetWindowLongPtrA(handle, GWLP_WNDPROC, (LONG_PTR)GadgetSubclassProc);
  SetWindowLongPtrA(handle, GWLP_ID, (LONG_PTR)number);
  SetPropA(handle, PROPERTY_GADGET_ID, (HANDLE)number);
  // The record may not be touched from here on: the message runs our procedure.
  SendMessageA(handle, WM_SETFONT, (WPARAM)(Gadgets ? Gadgets->font : DefaultGuiFont), TRUE);
  return automatic ? number : (ObjectNumber)handle;
}
