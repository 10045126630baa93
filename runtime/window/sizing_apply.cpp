#include "runtime/window/sizing.h"

// The rectangle is in screen coordinates; a child window is placed in its
// parent's client coordinates.
void SizingApply(HWND window, RECT rectangle) {
  if (GetWindowLongA(window, GWL_STYLE) & WS_CHILD)
    MapWindowPoints(0, GetParent(window), (POINT*)&rectangle, 2);
  MoveWindow(window, rectangle.left, rectangle.top, rectangle.right - rectangle.left,
             rectangle.bottom - rectangle.top, TRUE);
}

void SizingPointAt(LPCSTR cursor, int x, int y) {
  SetCursorPos(x, y);
  SetCursor((HCURSOR)LoadImageA(0, cursor, IMAGE_CURSOR, 0, 0, LR_SHARED | LR_DEFAULTSIZE));
}

// One arrow-key step: the cursor moves, the dragged edges follow it, the
// window may adjust the rectangle in WM_SIZING, and then it is moved.
void SizingKeyStep(HWND window, int x, int y, SizingState* state) {
  SetCursorPos(x, y);
  SizingTrack(x, y, state);
  SendMessageA(window, WM_SIZING, state->edge, (LPARAM)&state->rectangle);
  SizingApply(window, state->rectangle);
}
