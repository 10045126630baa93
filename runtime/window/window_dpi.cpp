// A window at its display scale, of window_internal.h: its size from a client
// area written at 96 DPI, and a change of its DPI (a move to a monitor of
// another scale, or a new scale chosen in the system's settings).
#include "runtime/gadget/gadget.h"
#include "runtime/system/display_scale.h"
#include "runtime/window/window_internal.h"

void WindowOuterSize(int clientWidth, int clientHeight, DWORD style, UINT dpi, UINT frameDpi, int* width,
                     int* height) {
  RECT outer = {0, 0, ScaleToDpi(clientWidth, dpi), ScaleToDpi(clientHeight, dpi)};
  AdjustWindowRectForDpi(&outer, style, frameDpi);
  *width = outer.right - outer.left;
  *height = outer.bottom - outer.top;
}

LRESULT WindowDpiChanged(HWND window, WindowRecord* record, WPARAM wParam, LPARAM lParam) {
  const UINT from = WindowDpi(window), to = HIWORD(wParam);
  if (!to) return 0;
  WindowDpiSet(window, to);
  const RECT* suggested = (const RECT*)lParam;
  if (record && suggested) {
    int width, height;
    // The frame as the system draws it: at the new DPI when the system made
    // the change, as it does, and at the old one for a change sent by hand.
    WindowOuterSize(record->clientWidth, record->clientHeight, (DWORD)GetWindowLongW(window, GWL_STYLE), to,
                    WindowDpiOfSystem(window), &width, &height);
    SetWindowPos(window, 0, suggested->left, suggested->top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  GadgetsRescale(window, from, to);
  return 0;
}
