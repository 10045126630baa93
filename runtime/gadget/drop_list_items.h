// The drop list's class operations: selection, items and item data, each one
// message to the ComboBox control.
#pragma once
#include "runtime/gadget/gadget.h"

LONG DropListGetState(GadgetRecord* record);
void DropListSetState(GadgetRecord* record, LONG state);
LONG DropListSetText(GadgetRecord* record, const char* text);
LONG DropListAddItem(GadgetRecord* record, LONG position, const char* text, LONG extra);
LONG DropListRemoveItem(GadgetRecord* record, LONG index);
LONG DropListClearItems(GadgetRecord* record);
LONG DropListCountItems(GadgetRecord* record);
char* DropListGetItemText(GadgetRecord* record, LONG index);
LONG DropListSetItemText(GadgetRecord* record, LONG index, const char* text);
LRESULT DropListSetItemData(GadgetRecord* record, LONG index, LPARAM value);
LRESULT DropListGetItemData(GadgetRecord* record, LONG index);
