#include "runtime/gadget/drop_list_items.h"

#include "runtime/memory/strings.h"

static LRESULT Send(GadgetRecord* record, UINT message, WPARAM wParam, LPARAM lParam) {
  return SendMessageA(record->handle, message, wParam, lParam);
}

LONG DropListGetState(GadgetRecord* record) { return (LONG)Send(record, CB_GETCURSEL, 0, 0); }

void DropListSetState(GadgetRecord* record, LONG state) { Send(record, CB_SETCURSEL, (WPARAM)state, 0); }

LONG DropListSetText(GadgetRecord* record, const char* text) {
  if (!text) text = "";
  // The editable form takes any text into its edit box.
  if (!(GetWindowLongPtrA(record->handle, GWL_STYLE) & 1)) return SetWindowTextA(record->handle, text);
  if (!text[0]) {
    Send(record, CB_SETCURSEL, (WPARAM)-1, 0);
    return 0;
  }
  // The plain list can only show one of its items: the one whose text is
  // this one, compared whole and without regard to case.
  LRESULT index = Send(record, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)text);
  if (index == CB_ERR) return -1;
  return (LONG)Send(record, CB_SETCURSEL, (WPARAM)index, 0);
}

LONG DropListAddItem(GadgetRecord* record, LONG position, const char* text, LONG) {
  if (position >= -1) Send(record, CB_INSERTSTRING, (WPARAM)position, (LPARAM)(text ? text : ""));
  return 0;
}

LONG DropListRemoveItem(GadgetRecord* record, LONG index) {
  return (LONG)Send(record, CB_DELETESTRING, (WPARAM)index, 0);
}

LONG DropListClearItems(GadgetRecord* record) { return (LONG)Send(record, CB_RESETCONTENT, 0, 0); }

LONG DropListCountItems(GadgetRecord* record) { return (LONG)Send(record, CB_GETCOUNT, 0, 0); }

char* DropListGetItemText(GadgetRecord* record, LONG index) {
  LRESULT length = Send(record, CB_GETLBTEXTLEN, (WPARAM)index, 0);
  if (length < 0) return StringTempCopy("");
  char* text = StringTemp((size_t)length);
  if (!text) return StringTempCopy("");
  // CB_GETLBTEXT takes no buffer size; the length just asked for is the room.
  Send(record, CB_GETLBTEXT, (WPARAM)index, (LPARAM)text);
  text[length] = 0;
  return text;
}

LONG DropListSetItemText(GadgetRecord* record, LONG index, const char* text) {
  LRESULT count = Send(record, CB_GETCOUNT, 0, 0);
  if (index < 0 || index >= count) return -1;
  LRESULT data = Send(record, CB_GETITEMDATA, (WPARAM)index, 0);
  LRESULT selected = Send(record, CB_GETCURSEL, 0, 0);
  // The new text goes in before the old one leaves, so an item that cannot
  // be added loses nothing.
  LRESULT added = Send(record, CB_INSERTSTRING, (WPARAM)index, (LPARAM)(text ? text : ""));
  if (added < 0) return -1;
  Send(record, CB_DELETESTRING, (WPARAM)index + 1, 0);
  if (selected == index) Send(record, CB_SETCURSEL, (WPARAM)index, 0);
  return (LONG)Send(record, CB_SETITEMDATA, (WPARAM)index, data);
}

LRESULT DropListSetItemData(GadgetRecord* record, LONG index, LPARAM value) {
  return Send(record, CB_SETITEMDATA, (WPARAM)index, value);
}

LRESULT DropListGetItemData(GadgetRecord* record, LONG index) {
  return Send(record, CB_GETITEMDATA, (WPARAM)index, 0);
}
