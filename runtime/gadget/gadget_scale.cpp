// The gadgets' display scale of gadget_scale.h.
#include "runtime/gadget/gadget_scale.h"

#include "runtime/gadget/gadget.h"
#include "runtime/system/display_scale.h"

// The one scaled default font and the DPI it is made for; 0 when there is none.
static HFONT scaledFont;
static UINT scaledDpi;

HFONT GadgetDefaultFont(UINT dpi) {
  UINT screen = ScreenDpi();
  if (dpi == screen) return DefaultGuiFont;
  if (scaledFont && scaledDpi == dpi) return scaledFont;
  LOGFONTW face;
  if (!GetObjectW(DefaultGuiFont, sizeof face, &face)) return DefaultGuiFont;
  face.lfHeight = MulDiv(face.lfHeight, (int)dpi, (int)screen);
  HFONT font = CreateFontIndirectW(&face);
  if (!font) return DefaultGuiFont;
  // One window's DPI at a time: a font for an earlier DPI goes once the
  // controls that showed it have the new one (GadgetsRescale).
  scaledFont = font;
  scaledDpi = dpi;
  return font;
}

void GadgetsReplaceFont(HWND parent, HFONT from, HFONT to) {
  if (from == to) return;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if ((HFONT)SendMessageW(child, WM_GETFONT, 0, 0) == from) SendMessageW(child, WM_SETFONT, (WPARAM)to, TRUE);
}

void GadgetsRescale(HWND parent, UINT fromDpi, UINT toDpi) {
  HFONT previousScaled = scaledFont;
  HFONT from = fromDpi == ScreenDpi() ? DefaultGuiFont : scaledFont;
  HFONT to = GadgetDefaultFont(toDpi);
  // The fonts first: a drop list takes the height of its closed line from its
  // font when it is placed.
  if (from) GadgetsReplaceFont(parent, from, to);
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    // Each gadget from its place at 96 DPI, so that many changes never move it.
    GadgetRecord* record = GadgetOfControl(child, 0);
    if (!record) continue;
    // x, y, width and height, one after the other, in one loop.
    const short* at = &record->at96.x;
    int place[4];
    for (int i = 0; i < 4; i++) place[i] = ScaleToDpi(at[i], toDpi);
    MoveWindow(child, place[0], place[1], place[2], place[3], TRUE);
  }
  if (to == DefaultGuiFont) scaledFont = 0;
  if (previousScaled && previousScaled != scaledFont) DeleteObject(previousScaled);
}

void GadgetScaledFontFree() {
  if (scaledFont) DeleteObject(scaledFont);
  scaledFont = 0;
}
