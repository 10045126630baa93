// The gadgets' fonts at a display scale: the default font for the DPI of
// their window, and the fonts of a window's controls changed when its DPI
// changes. Below the gadget framework, which places its gadgets again
// (GadgetsRescale, gadget.h): this knows fonts and windows, not gadgets.
#pragma once
#include "runtime/common.h"

// The system's default GUI font, made for the screen's DPI (set by GadgetInit).
extern HFONT DefaultGuiFont;

// The font a gadget of a window at dpi gets by default: the system's default
// GUI font where dpi is the screen's (it is made for that), else a font of its
// face and size in points (its height at the screen's DPI, in whole points) at
// dpi, made at the first need and kept for the windows at that DPI.
HFONT GadgetDefaultFont(UINT dpi);
// Every control of parent that shows the font from shows to instead.
void GadgetsReplaceFont(HWND parent, HFONT from, HFONT to);
// After parent's DPI changed from fromDpi to toDpi: its controls with the
// default font get the one for toDpi, and a scaled default font that no DPI
// uses any more is freed.
void GadgetFontsRescale(HWND parent, UINT fromDpi, UINT toDpi);
// Frees a scaled default font, when the program ends.
void GadgetScaledFontFree();
