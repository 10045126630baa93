// The runtime's own sizing loop (sizing.cpp). With full-window dragging on,
// WM_SYSCOMMAND SC_SIZE does not start the system's modal loop: SizingFilter,
// the window procedure's first step for every message, takes the capture and
// sizes the window on each mouse move and arrow key inside the ordinary
// message flow, until the capture changes.
#pragma once
#include "runtime/common.h"

// One record for the process; one loop at a time.
struct SizingState {
  LONG active;
  LONG restoreCursor;   // 1: the cursor goes back to savedCursor when the loop ends
  POINT savedCursor;    // where a loop begun without an edge found the cursor
  RECT rectangle;       // the rectangle being formed, screen coordinates
  RECT startRectangle;  // where Escape puts the window back
  LONG edge;            // WMSZ code, 0 while none is chosen
  MINMAXINFO limits;    // only the track sizes are used
};

extern SizingState* Sizing;

// Makes the sizing state on the MainHeap, or points Sizing at a static spare
// when the heap has no room; run once by WindowInit.
void SizingStateInit();

// 0 when it takes the message, NOT_HANDLED otherwise.
LRESULT SizingFilter(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Moves the rectangle's dragged edges to the screen point within the limits.
void SizingTrack(int x, int y, SizingState* state);
// Moves the window to a rectangle in screen coordinates.
void SizingApply(HWND window, const RECT& rectangle);
// Puts the cursor at (x, y) with the system cursor of that id.
void SizingPointAt(LPCSTR cursor, int x, int y);
// One arrow-key step to the cursor point (x, y): track, WM_SIZING, move.
void SizingKeyStep(HWND window, int x, int y, SizingState* state);
