// The four gadget classes, one file each: label (text_label.cpp, "Static"),
// text field (text_field.cpp, "Edit"), push button (push_button.cpp,
// "Button") and drop list (drop_list.cpp, "ComboBox"). Each create returns
// the identity for AUTO_NUMBER, the control's handle for a number, 0 on
// failure. The flags word is OR-ed into the window style; the program itself
// always passes 0.
#pragma once
#include "runtime/gadget/gadget.h"

const DWORD GADGET_FLAG_BORDER = 0x20000;     // labels: add the sunken edge; fields: drop it
const DWORD GADGET_FLAG_EDITABLE = 2;         // drop list with an edit box (CBS_DROPDOWN)

// Each table is static storage, zero from load, and filled once by the first
// create of its class: the slots a class does not fill stay null. All gadgets
// of a class share its table.
extern GadgetClassOps TextLabelOps;
extern GadgetClassOps TextFieldOps;
extern GadgetClassOps PushButtonOps;
extern GadgetClassOps DropListOps;

ObjectNumber TextLabelCreate(ObjectNumber number, int x, int y, int width, int height, ProgramText text, DWORD flags = 0);
ObjectNumber TextFieldCreate(ObjectNumber number, int x, int y, int width, int height, ProgramText text, DWORD flags = 0);
ObjectNumber PushButtonCreate(ObjectNumber number, int x, int y, int width, int height, ProgramText text, DWORD flags = 0);
// Whether control is a push button gadget.
bool PushButtonControl(HWND control);
// The default frame moves with the focus (a gadget of a runtime window got it):
// to the focused push button, or else to the window's default button.
void PushButtonFrameFollowsFocus(HWND focus);
ObjectNumber DropListCreate(ObjectNumber number, int x, int y, int width, int height, DWORD flags = 0);
