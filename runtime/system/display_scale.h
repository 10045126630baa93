// The display scale: the DPI a window is shown at, and the program's sizes,
// which are written in pixels at 96 DPI (100%), scaled to it. Each function
// of the system that tells a DPI is reached by name at its first use, so that
// a Windows without it still starts the program.
#pragma once
#include "runtime/common.h"

// 100%: the DPI the program's coordinates and sizes are written for.
const UINT DPI_STANDARD = 96;

// The screen's DPI (LOGPIXELSY): the system's, for which fonts have always
// been made and for which the system's default GUI font is made.
UINT ScreenDpi();

// The DPI of window: once a DPI change has reached the window, the DPI that
// the change gave it (WindowDpiSet); before, GetDpiForWindow where the system
// has it (Windows 10 1607 on, and Wine), GetDpiForMonitor of its monitor on
// Windows 8.1 to 10 1511, and the screen's DPI on older systems.
UINT WindowDpi(HWND window);
// What the system says of the window's DPI, whatever a change said: the DPI
// the system draws its frame and caption at.
UINT WindowDpiOfSystem(HWND window);
// The window's DPI from now on, as a DPI change gives it.
void WindowDpiSet(HWND window, UINT dpi);

// Pixels at 96 DPI shown at dpi, rounded as MulDiv rounds.
inline int ScaleToDpi(int pixels, UINT dpi) { return MulDiv(pixels, (int)dpi, DPI_STANDARD); }
// Pixels at dpi back at 96 DPI: exact for pixels that ScaleToDpi gave, from 96 DPI up.
inline int ScaleFromDpi(int pixels, UINT dpi) { return MulDiv(pixels, DPI_STANDARD, (int)dpi); }

// The outer rectangle of a window of style (no extended style, no menu) whose
// client area is rect, with the frame and caption of a window at dpi
// (AdjustWindowRectExForDpi where the system has it, else AdjustWindowRect,
// at the system's DPI).
void AdjustWindowRectForDpi(RECT* rect, DWORD style, UINT dpi);
