// Text and background colours of labels and fields: the colour slots that both
// classes put in their tables, the two class handlers that apply the colours
// when the control asks its parent for them (WM_CTLCOLOR...), with the
// brushes of the brush cache (brush_cache.h). A label or field given a text
// colour and no background is painted on a system colour: COLOR_BTNFACE for a
// label, COLOR_BTNHIGHLIGHT for a field.
//
// No operation of this program reaches the colour slots, so here every label
// and field keeps the system colours and both handlers answer NOT_HANDLED; the
// handlers run for every paint all the same, and the slots stay complete.
#pragma once
#include "runtime/gadget/brush_cache.h"
#include "runtime/gadget/gadget.h"

const LONG COLOUR_TEXT = 1;
const LONG COLOUR_BACK = 2;

// Fills a label's or field's table: its kind, its size (which also marks the
// table filled), its colour handler and the colour slots.
void ColourOpsFill(GadgetClassOps* ops, intptr_t kind,
                   LRESULT (*handler)(GadgetRecord*, HWND, UINT, WPARAM, LPARAM));
void ColourSet(GadgetRecord* record, LONG kind, LONG colour);
LONG ColourGet(GadgetRecord* record, LONG kind);
void ColourCleanup(GadgetRecord* record);
LRESULT TextLabelColourHandler(GadgetRecord* record, HWND window, UINT message, WPARAM dc, LPARAM lParam);
LRESULT TextFieldColourHandler(GadgetRecord* record, HWND window, UINT message, WPARAM dc, LPARAM lParam);
