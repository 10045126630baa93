// Drop list: a "ComboBox" control, either a plain list (the default) or a
// list with an edit box.
#include "runtime/gadget/drop_list_items.h"
#include "runtime/gadget/gadget_classes.h"

GadgetClassOps DropListOps;
static bool dropListOpsFilled;

static void FillDropListOps() {
  ZeroMemory(&DropListOps, sizeof(DropListOps));
  DropListOps.kind = GADGET_KIND_DROP_LIST;
  DropListOps.size = sizeof(GadgetClassOps);
  DropListOps.getState = DropListGetState;
  DropListOps.setState = DropListSetState;
  DropListOps.setText = DropListSetText;
  DropListOps.addItem = DropListAddItem;
  DropListOps.removeItem = DropListRemoveItem;
  DropListOps.clearItems = DropListClearItems;
  DropListOps.countItems = DropListCountItems;
  DropListOps.getItemText = DropListGetItemText;
  DropListOps.setItemText = DropListSetItemText;
  DropListOps.setItemData = DropListSetItemData;
  DropListOps.getItemData = DropListGetItemData;
  dropListOpsFilled = true;
}

ObjectNumber DropListCreate(ObjectNumber number, int x, int y, int width, int height, DWORD flags) {
  if (!dropListOpsFilled) FillDropListOps();
  bool editable = (flags & GADGET_FLAG_EDITABLE) != 0;
  // Without an edit box the list itself is the tab stop.
  if (!editable) flags |= CBS_DROPDOWNLIST | WS_TABSTOP;
  DWORD style = flags | WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_GROUP | CBS_HASSTRINGS;
  HWND handle = GadgetCreateControl(WS_EX_CLIENTEDGE, "ComboBox", 0, style, x, y, width, height);
  if (!handle) return 0;
  GadgetRecord* record = GadgetClaim(number, handle);
  if (!record) return 0;
  if (editable) {
    HWND edit = GetWindow(handle, GW_CHILD);
    if (edit) SetWindowLongPtrA(edit, GWL_STYLE, GetWindowLongPtrA(edit, GWL_STYLE) | WS_TABSTOP);
  }
  return GadgetCreateFinish(number, record, handle, &DropListOps);
}
