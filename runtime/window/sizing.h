// The runtime's own sizing loop: with full-window dragging on, sizing a
// runtime window runs inside the ordinary message flow instead of the
// system's modal loop.
#pragma once
#include "runtime/common.h"

struct SizingState {
  LONG active;
  LONG restoreCursor;
  POINT savedCursor;
  RECT rectangle;       // the rectangle being formed, screen coordinates
  RECT startRectangle;
  LONG edge;            // WMSZ code, 0 while none is chosen
  MINMAXINFO limits;
};

extern SizingState* Sizing;

LRESULT SizingFilter(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void SizingTrack(int x, int y, SizingState* state);
void SizingApply(HWND window, RECT rectangle);
void SizingPointAt(LPCSTR cursor, int x, int y);
void SizingKeyStep(HWND window, int x, int y, SizingState* state);
// An arrow key (VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN) during a loop: chooses the
// next edge or corner, or steps the dragged edges by 10 pixels.
void SizingArrowKey(HWND window, WPARAM key, SizingState* state);
