#include "runtime/window/sizing.h"

// Arrow keys first choose what is dragged (no edge -> a side -> a corner) and
// put the cursor on it; once nothing more can be chosen they move the cursor
// and the dragged edges by 10 pixels.
namespace {

enum Where { AT_CURSOR, AT_LEFT, AT_LEFT_2, AT_RIGHT_2, AT_TOP, AT_TOP_2, AT_BOTTOM_2 };

struct Transition {
  LONG from;
  WPARAM key;
  LONG to;
  LPCSTR cursor;
  Where x, y;
};

const Transition transitions[] = {
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

LONG Coordinate(Where where, LONG cursor, const RECT& r) {
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

}  // namespace

void SizingArrowKey(HWND window, WPARAM key, SizingState* state) {
  POINT c;
  GetCursorPos(&c);
  for (const Transition& t : transitions) {
    if (t.from == state->edge && t.key == key) {
      state->edge = t.to;
      SizingPointAt(t.cursor, Coordinate(t.x, c.x, state->rectangle), Coordinate(t.y, c.y, state->rectangle));
      return;
    }
  }
  switch (key) {
    case VK_LEFT: c.x -= 10; break;
    case VK_RIGHT: c.x += 10; break;
    case VK_UP: c.y -= 10; break;
    default: c.y += 10; break;
  }
  SizingKeyStep(window, c.x, c.y, state);
}
