#include "runtime/window/sizing.h"

// Moves the dragged edges of the rectangle to the point, each axis held first
// to the minimum track size and only otherwise to the maximum. The 2-pixel
// offsets match the cursor points that the arrow keys choose, so a cursor put
// on an edge maps back onto that edge.
void SizingTrack(int x, int y, SizingState* state) {
  RECT& r = state->rectangle;
  const LONG minWidth = state->limits.ptMinTrackSize.x;
  const LONG minHeight = state->limits.ptMinTrackSize.y;
  const LONG maxWidth = state->limits.ptMaxTrackSize.x;
  const LONG maxHeight = state->limits.ptMaxTrackSize.y;
  const LONG edge = state->edge;

  if (edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT) {
    r.left = edge == WMSZ_TOPLEFT ? x - 2 : x;
    if (r.right - r.left < minWidth) r.left = r.right - minWidth;
    else if (r.right - r.left > maxWidth) r.left = r.right - maxWidth;
  }
  if (edge == WMSZ_RIGHT || edge == WMSZ_TOPRIGHT || edge == WMSZ_BOTTOMRIGHT) {
    r.right = x + 2;
    if (r.right - r.left < minWidth) r.right = r.left + minWidth;
    else if (r.right - r.left > maxWidth) r.right = r.left + maxWidth;
  }
  if (edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT) {
    r.top = edge == WMSZ_TOPLEFT ? y - 2 : y;
    if (r.bottom - r.top < minHeight) r.top = r.bottom - minHeight;
    else if (r.bottom - r.top > maxHeight) r.top = r.bottom - maxHeight;
  }
  if (edge == WMSZ_BOTTOM || edge == WMSZ_BOTTOMLEFT || edge == WMSZ_BOTTOMRIGHT) {
    r.bottom = y + 2;
    if (r.bottom - r.top < minHeight) r.bottom = r.top + minHeight;
    else if (r.bottom - r.top > maxHeight) r.bottom = r.top + maxHeight;
  }
}
