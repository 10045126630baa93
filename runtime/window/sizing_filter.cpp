#include "runtime/window/sizing.h"

SizingState* Sizing;

// True while the loop takes the capture: the capture change that this causes
// in the window that held the capture before must not end the new loop.
static bool takingCapture;

static void FillLimits(HWND window, MINMAXINFO* limits) {
  limits->ptReserved.x = 0;
  limits->ptReserved.y = 0;
  limits->ptMaxSize.x = GetSystemMetrics(SM_CXMAXIMIZED);
  limits->ptMaxSize.y = GetSystemMetrics(SM_CYMAXIMIZED);
  if (GetWindowLongA(window, GWL_STYLE) & WS_BORDER) {
    limits->ptMaxPosition.x = GetSystemMetrics(SM_CXBORDER);
    limits->ptMaxPosition.y = GetSystemMetrics(SM_CYBORDER);
  } else if (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_WINDOWEDGE) {
    limits->ptMaxPosition.x = GetSystemMetrics(SM_CXEDGE);
    limits->ptMaxPosition.y = GetSystemMetrics(SM_CYEDGE);
  } else {
    limits->ptMaxPosition.x = 0;
    limits->ptMaxPosition.y = 0;
  }
  limits->ptMinTrackSize.x = GetSystemMetrics(SM_CXMINTRACK);
  limits->ptMinTrackSize.y = GetSystemMetrics(SM_CYMINTRACK);
  limits->ptMaxTrackSize.x = GetSystemMetrics(SM_CXMAXTRACK);
  limits->ptMaxTrackSize.y = GetSystemMetrics(SM_CYMAXTRACK);
}

// WM_SYSCOMMAND SC_SIZE with full-window dragging on: the loop begins.
static LRESULT SizingBegin(SizingState* state, HWND window, WPARAM wParam) {
  BOOL on = FALSE;
  SystemParametersInfoA(SPI_GETDRAGFULLWINDOWS, 0, &on, 0);
  if (!on) return NOT_HANDLED;
  state->active = 1;
  state->edge = (LONG)(wParam & 0xF);
  GetWindowRect(window, &state->rectangle);
  GetWindowRect(window, &state->startRectangle);
  FillLimits(window, &state->limits);
  SendMessageA(window, WM_GETMINMAXINFO, 0, (LPARAM)&state->limits);
  if (GetKeyState(VK_LBUTTON) == 0) SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  takingCapture = true;
  SetCapture(window);
  takingCapture = false;
  PostMessageA(window, WM_ENTERSIZEMOVE, 0, 0);
  if (state->edge == 0) {
    state->restoreCursor = 1;
    GetCursorPos(&state->savedCursor);
    SetCursor((HCURSOR)LoadImageA(0, IDC_SIZEALL, IMAGE_CURSOR, 0, 0, LR_SHARED | LR_DEFAULTSIZE));
  } else {
    state->restoreCursor = 0;
  }
  return 0;
}

// The only way a loop ends: Enter, Escape and the button release all let go
// of the capture, and another window may take it away.
static void SizingEnd(SizingState* state, HWND window) {
  PostMessageA(window, WM_EXITSIZEMOVE, 0, 0);
  state->active = 0;
  if (state->restoreCursor == 1) SetCursorPos(state->savedCursor.x, state->savedCursor.y);
}

static LRESULT SizingMouseMove(SizingState* state, HWND window, LPARAM lParam) {
  state->restoreCursor = 0;
  POINT p = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
  MapWindowPoints(window, 0, &p, 1);
  SizingTrack(p.x, p.y, state);
  SendMessageA(window, WM_SIZING, state->edge, (LPARAM)&state->rectangle);
  SizingApply(window, state->rectangle);
  return 0;
}

static LRESULT SizingKeyDown(SizingState* state, HWND window, WPARAM key) {
  switch (key) {
    case VK_RETURN:
      ReleaseCapture();
      return 0;
    case VK_ESCAPE:
      // Escape cancels: the window goes back to where the loop found it.
      state->rectangle = state->startRectangle;
      SizingApply(window, state->startRectangle);
      ReleaseCapture();
      return 0;
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
      SizingArrowKey(window, key, state);
      return 0;
    default:
      return NOT_HANDLED;
  }
}

LRESULT SizingFilter(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  SizingState* state = Sizing;
  if (!state) return NOT_HANDLED;
  if (!state->active) {
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_SIZE) return SizingBegin(state, window, wParam);
    return NOT_HANDLED;
  }
  switch (message) {
    case WM_MOUSEMOVE:
    case WM_KEYDOWN:
    case WM_LBUTTONUP:
      // A loop whose capture vanished without notice (its window was
      // destroyed, say) is over; it must not keep taking input.
      if (!GetCapture()) {
        state->active = 0;
        return NOT_HANDLED;
      }
      if (message == WM_MOUSEMOVE) return SizingMouseMove(state, window, lParam);
      if (message == WM_KEYDOWN) return SizingKeyDown(state, window, wParam);
      ReleaseCapture();
      return 0;
    case WM_CAPTURECHANGED:
      if (takingCapture) return NOT_HANDLED;
      SizingEnd(state, window);
      return 0;
    default:
      return NOT_HANDLED;
  }
}
