// The gadgets' display scale of gadget_scale.h.
#include "runtime/gadget/gadget_scale.h"

#include "runtime/system/display_scale.h"

HFONT DefaultGuiFont;

// The one scaled default font and the DPI it is made for; 0 when there is none.
static HFONT scaledFont;
static UINT scaledDpi;

HFONT GadgetDefaultFont(UINT dpi) {
  UINT screen = ScreenDpi();
  if (dpi == screen) return DefaultGuiFont;
  if (scaledFont && scaledDpi == dpi) return scaledFont;
  LOGFONTW face;
  if (!GetObjectW(DefaultGuiFont, sizeof face, &face)) return DefaultGuiFont;
  // Made as FontCreate makes a font (font.cpp): the face's size in whole
  // points, then its height at dpi from them. Scaling the height the screen's
  // DPI rounded would carry that rounding along: -10 rather than -11 for
  // 8 points on a 100% window under a 125% screen.
  int points = MulDiv(-face.lfHeight, 72, (int)screen);
  face.lfHeight = -MulDiv(points, (int)dpi, 72);
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

void GadgetFontsRescale(HWND parent, UINT fromDpi, UINT toDpi) {
  HFONT previousScaled = scaledFont;
  HFONT from = fromDpi == ScreenDpi() ? DefaultGuiFont : scaledFont;
  HFONT to = GadgetDefaultFont(toDpi);
  if (from) GadgetsReplaceFont(parent, from, to);
  // No control shows the earlier scaled font any more.
  if (to == DefaultGuiFont) scaledFont = 0;
  if (previousScaled && previousScaled != scaledFont) DeleteObject(previousScaled);
}

void GadgetScaledFontFree() {
  if (scaledFont) DeleteObject(scaledFont);
  scaledFont = 0;
}
