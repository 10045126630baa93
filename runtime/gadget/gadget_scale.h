// Gadgets at a display scale: their default font for the DPI of their window,
// and all of a window's gadgets placed and given fonts again when its DPI
// changes. Positions and sizes are written at 96 DPI and scaled when a gadget
// is made (GadgetCreateControl).
#pragma once
#include "runtime/common.h"

// The font a gadget of a window at dpi gets by default: the system's default
// GUI font where dpi is the screen's (it is made for that), else a font of its
// face scaled to dpi, made at the first need and kept for the windows at that DPI.
HFONT GadgetDefaultFont(UINT dpi);
// Every control of parent that shows the font from shows to instead.
void GadgetsReplaceFont(HWND parent, HFONT from, HFONT to);
// After parent's DPI changed from fromDpi to toDpi: each of its gadgets is
// placed again at its position and size at 96 DPI scaled to toDpi (a drop
// list by its opened height), and those with the default font get the one for
// toDpi; a scaled default font that no DPI uses any more is freed.
void GadgetsRescale(HWND parent, UINT fromDpi, UINT toDpi);
// Frees a scaled default font, when the program ends.
void GadgetScaledFontFree();
