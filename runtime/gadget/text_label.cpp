// Text label: a "Static" control with its own colours (colour.cpp). Its text
// goes through the generic window-text fall-backs; it has no state or items.
#include "runtime/gadget/colour.h"
#include "runtime/gadget/gadget_classes.h"

GadgetClassOps TextLabelOps;
ObjectNumber TextLabelCreate(ObjectNumber number, int x, int y, int width, int height, ProgramText text,
                             DWORD flags) {
  // A filled table has its size set.
  if (!TextLabelOps.size) ColourOpsFill(&TextLabelOps, GADGET_KIND_TEXT_LABEL, TextLabelColourHandler);
  DWORD exStyle = (flags & GADGET_FLAG_BORDER) ? WS_EX_CLIENTEDGE : 0;
  DWORD style = flags | WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT;
  HWND handle;
  GadgetRecord* record = GadgetCreateControl(number, exStyle, L"Static", &text, style, x, y, width, height, &handle);
  if (!record) return 0;
  record->textColour = -1;
  record->backColour = -1;
  return GadgetCreateFinish(number, record, handle, &TextLabelOps);
}
