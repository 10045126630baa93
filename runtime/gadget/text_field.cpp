// Text field: a one-line "Edit" control with its own colours (colour.cpp),
// which tells its runtime window when it gains and loses the keyboard focus.
// Its text goes through the generic window-text fall-backs.
#include "runtime/gadget/colour.h"
#include "runtime/gadget/gadget_classes.h"
#include "runtime/event_codes.h"

GadgetClassOps TextFieldOps;
// One for all fields: the Edit class procedure, stored again (the same value)
// by every field's creation and never cleared.
static WNDPROC TextFieldPreviousProc;

// Beneath GadgetSubclassProc, above the Edit procedure, which still gets both
// focus messages.
static LRESULT CALLBACK TextFieldFocusProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SETFOCUS || message == WM_KILLFOCUS) {
    LPARAM type = message == WM_SETFOCUS ? EVENT_TYPE_FOCUS : EVENT_TYPE_LOST_FOCUS;
    PostMessageW(FindRuntimeWindow(handle), EVENT_FOCUS_NOTICE, (WPARAM)GetWindowLongPtrW(handle, GWLP_ID), type);
  }
  if (!TextFieldPreviousProc) return DefWindowProcW(handle, message, wParam, lParam);
  return CallWindowProcW(TextFieldPreviousProc, handle, message, wParam, lParam);
}

ObjectNumber TextFieldCreate(ObjectNumber number, int x, int y, int width, int height, ProgramText text,
                             DWORD flags) {
  // A filled table has its size set.
  if (!TextFieldOps.size) ColourOpsFill(&TextFieldOps, GADGET_KIND_TEXT_FIELD, TextFieldColourHandler);
  // The sunken edge is the default here; the border flag takes it away.
  DWORD exStyle = (flags & GADGET_FLAG_BORDER) ? 0 : WS_EX_CLIENTEDGE;
  DWORD style = flags | WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP | ES_AUTOHSCROLL;
  HWND handle;
  GadgetRecord* record = GadgetCreateControl(number, exStyle, L"Edit", &text, style, x, y, width, height, &handle);
  if (!record) return 0;
  // Every field replaces the same Edit class procedure; a failed replacement
  // leaves the one already known in place.
  WNDPROC previous = (WNDPROC)SetWindowLongPtrW(handle, GWLP_WNDPROC, (LONG_PTR)TextFieldFocusProc);
  if (previous) TextFieldPreviousProc = previous;
  record->textColour = -1;
  record->backColour = -1;
  return GadgetCreateFinish(number, record, handle, &TextFieldOps);
}
