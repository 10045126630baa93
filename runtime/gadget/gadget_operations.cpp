// The generic operations through which the program reads and changes gadgets;
// each asks the gadget's class first and falls back when the class lacks the slot.
#include "runtime/gadget/gadget.h"
#include "runtime/memory/strings.h"

static GadgetRecord* FindGadget(ObjectNumber gadget) {
  return (GadgetRecord*)ObjectTableFind(GadgetTable, gadget);
}

void GadgetSetFont(ObjectNumber gadget, HFONT font) {
  if (font == FONT_DEFAULT) font = DefaultGuiFont;
  if (gadget == GADGET_LIST) {
    // Only gadgets created from now on get it.
    if (Gadgets) Gadgets->font = font;
    return;
  }
  GadgetRecord* record = FindGadget(gadget);
  if (record) SendMessageA(record->handle, WM_SETFONT, (WPARAM)font, TRUE);
}

LONG GadgetAddItem(ObjectNumber gadget, LONG position, const char* text) {
  if (!text) text = "";
  GadgetRecord* record = FindGadget(gadget);
  if (!record) return 0;
  if (record->ops->addItemEx) return record->ops->addItemEx(record, position, text, 0, 0);
  if (record->ops->addItem) return record->ops->addItem(record, position, text, 0);
  return 0;
}

void GadgetSetState(ObjectNumber gadget, LONG state) {
  GadgetRecord* record = FindGadget(gadget);
  if (record && record->ops->setState) record->ops->setState(record, state);
}

LONG GadgetGetState(ObjectNumber gadget) {
  GadgetRecord* record = FindGadget(gadget);
  if (record && record->ops->getState) return record->ops->getState(record);
  return 0;
}

LONG GadgetSetText(ObjectNumber gadget, const char* text) {
  if (!text) text = "";
  GadgetRecord* record = FindGadget(gadget);
  if (!record) return 0;
  if (record->ops->setText) return record->ops->setText(record, text);
  return SetWindowTextA(record->handle, text);
}

char* GadgetGetText(ObjectNumber gadget) {
  GadgetRecord* record = FindGadget(gadget);
  if (!record) return 0;
  if (record->ops->getText) return record->ops->getText(record);
  int length = GetWindowTextLengthA(record->handle);
  if (length < 0) length = 0;
  char* text = StringTemp((size_t)length);
  // Out of memory: an empty text rather than a pointer the caller cannot use.
  if (!text) return StringTempCopy("");
  // The copy may be shorter than the length reported; it is terminated either way.
  GetWindowTextA(record->handle, text, length + 1);
  return text;
}
