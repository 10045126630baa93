// The sizing loop of sizing.h: the filter, the arrow-key table, tracking, moving and the sizing state.
#include "runtime/window/sizing.h"

#include "runtime/memory/heaps.h"

static_assert(sizeof(SizingState) == 92, "the sizing state is 92 bytes");

SizingState* Sizing;

// Used when the heap cannot give the record: sizing then still works, and
// nothing dereferences a null state.
static SizingState spareSizing;

void SizingStateInit() {
  Sizing = (SizingState*)RecordNew(sizeof(SizingState), 0);
  if (!Sizing) Sizing = &spareSizing;
}

// The low four bits of an SC_SIZE command carry the edge grabbed (a WMSZ
// code, 0 from the system menu); the rest is the command.
static const WPARAM SIZING_COMMAND_MASK = 0xFFF0;
static const WPARAM SIZING_EDGE_MASK = 0xF;
// Pixels an arrow key moves the cursor and the dragged edges.
static const int SIZING_KEY_STEP = 10;

// --- tracking and moving -----------------------------------------------------

// Which edge of one axis a sizing drags: the low one (left, top), the high
// one (right, bottom), or neither.
enum DraggedEdge : unsigned char { DRAGS_NEITHER, DRAGS_LOW, DRAGS_HIGH };

// What each WMSZ code drags of the width and of the height, in the codes' order.
struct DraggedEdges {
  DraggedEdge width, height;
};
static const DraggedEdges DRAGGED_EDGES[] = {
    {DRAGS_NEITHER, DRAGS_NEITHER},  // 0: no edge chosen yet
    {DRAGS_LOW, DRAGS_NEITHER},      // WMSZ_LEFT
    {DRAGS_HIGH, DRAGS_NEITHER},     // WMSZ_RIGHT
    {DRAGS_NEITHER, DRAGS_LOW},      // WMSZ_TOP
    {DRAGS_LOW, DRAGS_LOW},          // WMSZ_TOPLEFT
    {DRAGS_HIGH, DRAGS_LOW},         // WMSZ_TOPRIGHT
    {DRAGS_NEITHER, DRAGS_HIGH},     // WMSZ_BOTTOM
    {DRAGS_LOW, DRAGS_HIGH},         // WMSZ_BOTTOMLEFT
    {DRAGS_HIGH, DRAGS_HIGH},        // WMSZ_BOTTOMRIGHT
};
static_assert(sizeof DRAGGED_EDGES / sizeof DRAGGED_EDGES[0] == WMSZ_BOTTOMRIGHT + 1, "a row for each WMSZ code");

// One axis of the rectangle: its dragged low edge goes to the point, its
// dragged high edge to 2 pixels past it. The size is then held first to the
// minimum and only otherwise to the maximum, by moving the dragged edge again.
// Not inlined: one copy for both axes is the smaller code.
__attribute__((noinline)) static void TrackAxis(LONG* low, LONG* high, DraggedEdge dragged, LONG at, LONG minimum,
                                               LONG maximum) {
  if (dragged == DRAGS_LOW) *low = at;
  else if (dragged == DRAGS_HIGH) *high = at + 2;
  else return;
  LONG size = *high - *low;
  if (size < minimum) size = minimum;
  else if (size > maximum) size = maximum;
  if (dragged == DRAGS_LOW) *low = *high - size;
  else *high = *low + size;
}

// Moves the dragged edges of the rectangle to the point, each axis held first
// to the minimum track size and only otherwise to the maximum. The 2-pixel
// offsets match the cursor points that the arrow keys choose, so a cursor put
// on an edge maps back onto that edge.
void SizingTrack(int x, int y, SizingState* state) {
  const DWORD edge = (DWORD)state->edge;
  if (edge > WMSZ_BOTTOMRIGHT) return;
  const DraggedEdges dragged = DRAGGED_EDGES[edge];
  RECT& r = state->rectangle;
  const MINMAXINFO& limits = state->limits;
  // Only the top-left corner puts its low edges 2 pixels before the point.
  const LONG corner = edge == WMSZ_TOPLEFT ? 2 : 0;
  TrackAxis(&r.left, &r.right, dragged.width, x - corner, limits.ptMinTrackSize.x, limits.ptMaxTrackSize.x);
  TrackAxis(&r.top, &r.bottom, dragged.height, y - corner, limits.ptMinTrackSize.y, limits.ptMaxTrackSize.y);
}

// The rectangle is in screen coordinates; a child window is placed in its
// parent's client coordinates.
// Taken by reference and copied once here, not at every caller.
void SizingApply(HWND window, const RECT& screen) {
  RECT rectangle = screen;
  if (GetWindowLongW(window, GWL_STYLE) & WS_CHILD)
    MapWindowPoints(0, GetParent(window), (POINT*)&rectangle, 2);
  SetWindowPos(window, 0, rectangle.left, rectangle.top, rectangle.right - rectangle.left,
               rectangle.bottom - rectangle.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

// The system cursor of that id; one out-of-line copy for the loop's start and
// for SizingPointAt.
__attribute__((noinline)) static void SizingCursor(LPCSTR cursor) {
  SetCursor((HCURSOR)LoadImageA(0, cursor, IMAGE_CURSOR, 0, 0, LR_SHARED | LR_DEFAULTSIZE));
}

void SizingPointAt(LPCSTR cursor, int x, int y) {
  SetCursorPos(x, y);
  SizingCursor(cursor);
}

// One arrow-key step: the cursor moves, the dragged edges follow it, the
// window may adjust the rectangle in WM_SIZING, and then it is moved.
// The dragged edges follow the screen point, the window may adjust the
// rectangle in WM_SIZING, and then it is moved: a mouse move and an arrow key
// alike, through one copy that is not inlined into either.
__attribute__((noinline)) static void SizingMoveTo(HWND window, int x, int y, SizingState* state) {
  SizingTrack(x, y, state);
  SendMessageW(window, WM_SIZING, state->edge, (LPARAM)&state->rectangle);
  SizingApply(window, state->rectangle);
}

void SizingKeyStep(HWND window, int x, int y, SizingState* state) {
  SetCursorPos(x, y);
  SizingMoveTo(window, x, y, state);
}

// --- arrow keys --------------------------------------------------------------

// Arrow keys first choose what is dragged (no edge -> a side -> a corner) and
// put the cursor on it; once nothing more can be chosen they move the cursor
// and the dragged edges by SIZING_KEY_STEP pixels.
enum Where { AT_CURSOR, AT_LEFT, AT_LEFT_2, AT_RIGHT_2, AT_TOP, AT_TOP_2, AT_BOTTOM_2 };

struct Transition {
  LONG from;
  WPARAM key;
  LONG to;
  LPCSTR cursor;
  Where x, y;
};

static const Transition SIZING_TRANSITIONS[] = {
    {0, VK_LEFT, WMSZ_LEFT, IDC_SIZEWE, AT_LEFT, AT_CURSOR},
    {0, VK_RIGHT, WMSZ_RIGHT, IDC_SIZEWE, AT_RIGHT_2, AT_CURSOR},
    {0, VK_UP, WMSZ_TOP, IDC_SIZENS, AT_CURSOR, AT_TOP},
    {0, VK_DOWN, WMSZ_BOTTOM, IDC_SIZENS, AT_CURSOR, AT_BOTTOM_2},
    {WMSZ_LEFT, VK_UP, WMSZ_TOPLEFT, IDC_SIZENWSE, AT_LEFT_2, AT_TOP_2},
    {WMSZ_LEFT, VK_DOWN, WMSZ_BOTTOMLEFT, IDC_SIZENESW, AT_LEFT, AT_BOTTOM_2},
    {WMSZ_RIGHT, VK_UP, WMSZ_TOPRIGHT, IDC_SIZENESW, AT_RIGHT_2, AT_TOP},
    {WMSZ_RIGHT, VK_DOWN, WMSZ_BOTTOMRIGHT, IDC_SIZENWSE, AT_RIGHT_2, AT_BOTTOM_2},
    {WMSZ_TOP, VK_LEFT, WMSZ_TOPLEFT, IDC_SIZENWSE, AT_LEFT_2, AT_TOP_2},
    {WMSZ_TOP, VK_RIGHT, WMSZ_TOPRIGHT, IDC_SIZENESW, AT_RIGHT_2, AT_TOP},
    {WMSZ_BOTTOM, VK_LEFT, WMSZ_BOTTOMLEFT, IDC_SIZENESW, AT_LEFT, AT_BOTTOM_2},
    {WMSZ_BOTTOM, VK_RIGHT, WMSZ_BOTTOMRIGHT, IDC_SIZENWSE, AT_RIGHT_2, AT_BOTTOM_2},
};

static LONG Coordinate(Where where, LONG cursor, const RECT& r) {
  switch (where) {
    case AT_LEFT: return r.left;
    case AT_LEFT_2: return r.left + 2;
    case AT_RIGHT_2: return r.right - 2;
    case AT_TOP: return r.top;
    case AT_TOP_2: return r.top + 2;
    case AT_BOTTOM_2: return r.bottom - 2;
    default: return cursor;
  }
}

// An arrow key (VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN) during a loop.
static void SizingArrowKey(HWND window, WPARAM key, SizingState* state) {
  POINT c;
  GetCursorPos(&c);
  for (const Transition& t : SIZING_TRANSITIONS) {
    if (t.from == state->edge && t.key == key) {
      state->edge = t.to;
      SizingPointAt(t.cursor, Coordinate(t.x, c.x, state->rectangle), Coordinate(t.y, c.y, state->rectangle));
      return;
    }
  }
  const LONG step = key == VK_LEFT || key == VK_UP ? -SIZING_KEY_STEP : SIZING_KEY_STEP;
  if (key == VK_LEFT || key == VK_RIGHT) c.x += step;
  else c.y += step;
  SizingKeyStep(window, c.x, c.y, state);
}

// --- the filter --------------------------------------------------------------

// True while the loop takes the capture: the capture change that this causes
// in the window that held the capture before must not end the new loop.
static bool takingCapture;

static void FillLimits(HWND window, MINMAXINFO* limits) {
  limits->ptReserved.x = 0;
  limits->ptReserved.y = 0;
  limits->ptMaxSize.x = GetSystemMetrics(SM_CXMAXIMIZED);
  limits->ptMaxSize.y = GetSystemMetrics(SM_CYMAXIMIZED);
  if (GetWindowLongW(window, GWL_STYLE) & WS_BORDER) {
    limits->ptMaxPosition.x = GetSystemMetrics(SM_CXBORDER);
    limits->ptMaxPosition.y = GetSystemMetrics(SM_CYBORDER);
  } else if (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_WINDOWEDGE) {
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
  state->edge = (LONG)(wParam & SIZING_EDGE_MASK);
  GetWindowRect(window, &state->rectangle);
  GetWindowRect(window, &state->startRectangle);
  FillLimits(window, &state->limits);
  SendMessageW(window, WM_GETMINMAXINFO, 0, (LPARAM)&state->limits);
  // Begun with the button up (from the system menu, say), the window is told
  // of a press all the same, as if its frame had been grabbed with the mouse.
  // Only the high bit says the button is down: the low bit is its toggle
  // state, which every click flips.
  if ((GetKeyState(VK_LBUTTON) & 0x8000) == 0) SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  takingCapture = true;
  SetCapture(window);
  takingCapture = false;
  // Posted, as WM_EXITSIZEMOVE is: the window hears of the loop's start and
  // end through its queue, after the message that caused them is done.
  PostMessageW(window, WM_ENTERSIZEMOVE, 0, 0);
  if (state->edge == 0) {
    state->restoreCursor = 1;
    GetCursorPos(&state->savedCursor);
    SizingCursor(IDC_SIZEALL);
  } else {
    state->restoreCursor = 0;
  }
  return 0;
}

// What every end of a loop does: the loop stops, and the cursor goes back if
// no mouse move has taken it over since a start without an edge. Not inlined
// into the two ends that share it.
__attribute__((noinline)) static void SizingStop(SizingState* state) {
  state->active = 0;
  if (state->restoreCursor == 1) SetCursorPos(state->savedCursor.x, state->savedCursor.y);
}

// The ordinary end, on the capture change: Enter, Escape and the button
// release all let go of the capture, and another window may take it away.
static void SizingEnd(SizingState* state, HWND window) {
  PostMessageW(window, WM_EXITSIZEMOVE, 0, 0);
  SizingStop(state);
}

static LRESULT SizingMouseMove(SizingState* state, HWND window, LPARAM lParam) {
  state->restoreCursor = 0;
  POINT p = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
  MapWindowPoints(window, 0, &p, 1);
  SizingMoveTo(window, p.x, p.y, state);
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
    if (message == WM_SYSCOMMAND && (wParam & SIZING_COMMAND_MASK) == SC_SIZE) return SizingBegin(state, window, wParam);
    return NOT_HANDLED;
  }
  switch (message) {
    case WM_MOUSEMOVE:
    case WM_KEYDOWN:
    case WM_LBUTTONUP:
      // A loop whose capture vanished without notice (its window was
      // destroyed, say) is over; it must not keep taking input. Its window is
      // gone, so only WM_EXITSIZEMOVE is left out of the end.
      if (!GetCapture()) {
        SizingStop(state);
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
