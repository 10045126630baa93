// Drop list: a "ComboBox" control, either a plain list (the default) or a
// list with an edit box, and its class operations: selection, text, items and
// item data, each one or a few messages to the control, whose answers are the
// operations' results. Item texts are Windows-1250 and go to the control as
// UTF-16.
#include "runtime/gadget/gadget_classes.h"
#include "runtime/memory/strings.h"
#include "runtime/text/code_pages.h"

GadgetClassOps DropListOps;

static LRESULT Send(GadgetRecord* record, UINT message, WPARAM wParam, LPARAM lParam) {
  return SendMessageW(record->handle, message, wParam, lParam);
}

// --- selection and text ---------------------------------------------------------

// The selected index, or CB_ERR (-1) when nothing is selected.
static LONG DropListGetState(GadgetRecord* record) { return (LONG)Send(record, CB_GETCURSEL, 0, 0); }

// -1 clears the selection.
static void DropListSetState(GadgetRecord* record, LONG state) { Send(record, CB_SETCURSEL, (WPARAM)state, 0); }

static LONG DropListSetText(GadgetRecord* record, ProgramText text) {
  // The editable form (CBS_DROPDOWN) takes any text into its edit box; the
  // style bit tested is the one that sets CBS_DROPDOWNLIST apart from it.
  if (!(GetWindowLongPtrW(record->handle, GWL_STYLE) & (CBS_DROPDOWNLIST & ~CBS_DROPDOWN)))
    return SetWindowTextW(record->handle, WideText(text));
  // The empty text clears the selection. The answer is CB_SETCURSEL's, which
  // is CB_ERR (-1) for -1 even though the selection was cleared.
  if (!text.Bytes()[0]) return (LONG)Send(record, CB_SETCURSEL, (WPARAM)-1, 0);
  // The plain list can only show one of its items: the one whose text is
  // this one, compared whole and without regard to case.
  LRESULT index = Send(record, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)(const wchar_t*)WideText(text));
  if (index == CB_ERR) return -1;
  return (LONG)Send(record, CB_SETCURSEL, (WPARAM)index, 0);
}

// --- items -------------------------------------------------------------------------

// -1 appends, 0 and up insert before that index, below -1 adds nothing. The
// answer is 0 whether or not the item went in, and extra is not used: callers
// that need to know count the items.
static LONG DropListAddItem(GadgetRecord* record, LONG position, ProgramText text, LONG) {
  if (position >= -1) Send(record, CB_INSERTSTRING, (WPARAM)position, (LPARAM)(const wchar_t*)WideText(text));
  return 0;
}

static LONG DropListRemoveItem(GadgetRecord* record, LONG index) {
  return (LONG)Send(record, CB_DELETESTRING, (WPARAM)index, 0);
}

static LONG DropListClearItems(GadgetRecord* record) { return (LONG)Send(record, CB_RESETCONTENT, 0, 0); }

static LONG DropListCountItems(GadgetRecord* record) { return (LONG)Send(record, CB_GETCOUNT, 0, 0); }

// A temporary text; empty for an index that names no item.
static char* DropListGetItemText(GadgetRecord* record, LONG index) {
  LRESULT length = Send(record, CB_GETLBTEXTLEN, (WPARAM)index, 0);
  if (length < 0) return StringTempCopy("");
  wchar_t* text = WideTemp((size_t)length);
  if (!text) return StringTempCopy("");
  // CB_GETLBTEXT takes no buffer size; the length just asked for is the room.
  Send(record, CB_GETLBTEXT, (WPARAM)index, (LPARAM)text);
  text[length] = 0;
  return TextFromWide(text);
}

// The item keeps its position, its item data and its selection; -1 and no
// change for an index that names no item.
static LONG DropListSetItemText(GadgetRecord* record, LONG index, ProgramText text) {
  LRESULT count = Send(record, CB_GETCOUNT, 0, 0);
  if (index < 0 || index >= count) return -1;
  LRESULT data = Send(record, CB_GETITEMDATA, (WPARAM)index, 0);
  LRESULT selected = Send(record, CB_GETCURSEL, 0, 0);
  // The new text goes in before the old one leaves, so an item that cannot
  // be added loses nothing.
  LRESULT added = Send(record, CB_INSERTSTRING, (WPARAM)index, (LPARAM)(const wchar_t*)WideText(text));
  if (added < 0) return -1;
  Send(record, CB_DELETESTRING, (WPARAM)index + 1, 0);
  if (selected == index) Send(record, CB_SETCURSEL, (WPARAM)index, 0);
  return (LONG)Send(record, CB_SETITEMDATA, (WPARAM)index, data);
}

static LRESULT DropListSetItemData(GadgetRecord* record, LONG index, LPARAM value) {
  return Send(record, CB_SETITEMDATA, (WPARAM)index, value);
}

static LRESULT DropListGetItemData(GadgetRecord* record, LONG index) {
  return Send(record, CB_GETITEMDATA, (WPARAM)index, 0);
}

// --- the class -------------------------------------------------------------------

static void FillDropListOps(GadgetClassOps* ops) {
  ops->kind = GADGET_KIND_DROP_LIST;
  ops->size = sizeof(GadgetClassOps);
  ops->getState = DropListGetState;
  ops->setState = DropListSetState;
  ops->setText = DropListSetText;
  ops->addItem = DropListAddItem;
  ops->removeItem = DropListRemoveItem;
  ops->clearItems = DropListClearItems;
  ops->countItems = DropListCountItems;
  ops->getItemText = DropListGetItemText;
  ops->setItemText = DropListSetItemText;
  ops->setItemData = DropListSetItemData;
  ops->getItemData = DropListGetItemData;
}

ObjectNumber DropListCreate(ObjectNumber number, int x, int y, int width, int height, DWORD flags) {
  // A filled table has its size set.
  if (!DropListOps.size) FillDropListOps(&DropListOps);
  bool editable = (flags & GADGET_FLAG_EDITABLE) != 0;
  // Without an edit box the list itself is the tab stop.
  if (!editable) flags |= CBS_DROPDOWNLIST | WS_TABSTOP;
  DWORD style = flags | WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_GROUP | CBS_HASSTRINGS;
  // No window text at all (null, not ""): a list's text is that of its selection.
  HWND handle;
  GadgetRecord* record =
      GadgetCreateControl(number, WS_EX_CLIENTEDGE, L"ComboBox", 0, style, x, y, width, height, &handle);
  if (!record) return 0;
  if (editable) {
    // The edit box, not the list around it, is the tab stop of the editable form.
    HWND edit = GetWindow(handle, GW_CHILD);
    if (edit) SetWindowLongPtrW(edit, GWL_STYLE, GetWindowLongPtrW(edit, GWL_STYLE) | WS_TABSTOP);
  }
  return GadgetCreateFinish(number, record, handle, &DropListOps);
}
