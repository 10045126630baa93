// Shared by the files of the window module only: the notice that tells the
// window procedure's memory of the last window number that it is out of date.
#pragma once
#include "runtime/window/events.h"
#include "runtime/window/window.h"

// Called by WindowOpen and WindowClose at every setting and removal of the
// window-number property; the window procedure (window_proc.cpp), which keeps
// the count of such changes, then no longer trusts the number it remembers.
void WindowIdChanged();

// The outer size of a window whose client area is clientWidth x clientHeight
// pixels at 96 DPI, shown at dpi, with the frame of style drawn at frameDpi
// (window_dpi.cpp).
void WindowOuterSize(int clientWidth, int clientHeight, DWORD style, UINT dpi, UINT frameDpi, int* width,
                     int* height);
// WM_DPICHANGED: the window takes the new DPI for every later layout, its size
// comes from its client area scaled, its position from the system's suggested
// rectangle, and its gadgets are placed again with their fonts for it.
LRESULT WindowDpiChanged(HWND window, WindowRecord* record, WPARAM wParam, LPARAM lParam);
