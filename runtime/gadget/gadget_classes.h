// The four gadget classes: label ("Static"), text field ("Edit"), push button
// ("Button") and drop list ("ComboBox"). Each create returns the identity for
// AUTO_NUMBER, the control's handle for a number, 0 on failure.
#pragma once
#include "runtime/gadget/gadget.h"

const DWORD GADGET_FLAG_BORDER = 0x20000;     // labels: add the sunken edge; fields: drop it
const DWORD GADGET_FLAG_EDITABLE = 2;         // drop list with an edit box

extern GadgetClassOps TextLabelOps;
extern GadgetClassOps TextFieldOps;
extern GadgetClassOps PushButtonOps;
extern GadgetClassOps DropListOps;
extern WNDPROC TextFieldPreviousProc;

ObjectNumber TextLabelCreate(ObjectNumber number, int x, int y, int width, int height, const char* text, DWORD flags = 0);
ObjectNumber TextFieldCreate(ObjectNumber number, int x, int y, int width, int height, const char* text, DWORD flags = 0);
ObjectNumber PushButtonCreate(ObjectNumber number, int x, int y, int width, int height, const char* text, DWORD flags = 0);
ObjectNumber DropListCreate(ObjectNumber number, int x, int y, int width, int height, DWORD flags = 0);

LRESULT CALLBACK TextFieldFocusProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
