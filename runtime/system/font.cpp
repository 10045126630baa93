// Fonts in an object table: loading by face, points and style, lookup, freeing.
#include "runtime/system/font.h"

#include "runtime/text/code_pages.h"

ObjectTable* FontTable;

// A font's record is its handle alone, which doubles as the in-use marker.
struct FontRecord {
  HFONT handle;
};

const LONG FONT_GROW_STEP = 16;

void FontInit() {
  if (!FontTable) FontTable = ObjectTableNew(sizeof(FontRecord), FONT_GROW_STEP, FontFree);
}

// A font sized in points for dpi (0: the screen's); the negative height asks
// for the character height rather than the cell height.
static HFONT FontCreate(ProgramText face, LONG points, DWORD style, UINT dpi) {
  HDC screen = CreateDCA("DISPLAY", 0, 0, 0);
  if (!screen) return 0;
  if (!dpi) dpi = (UINT)GetDeviceCaps(screen, LOGPIXELSY);
  int height = -MulDiv(points, (int)dpi, 72);
  // The face is a text of the program: asked for in UTF-16, as every text of
  // it is shown, whatever the system's code page.
  HFONT font = CreateFontW(height, 0, 0, 0, (style & STYLE_BOLD) ? FW_BOLD : FW_NORMAL,
                           (style & STYLE_ITALIC) ? 1 : 0, (style & STYLE_UNDERLINE) ? 1 : 0,
                           (style & STYLE_STRIKEOUT) ? 1 : 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, (style & STYLE_PROOF_QUALITY) ? PROOF_QUALITY : DEFAULT_QUALITY,
                           DEFAULT_PITCH | FF_DONTCARE, WideText(face));
  DeleteDC(screen);
  return font;
}

ObjectNumber FontLoad(ObjectNumber number, ProgramText face, LONG points, DWORD style) {
  return FontLoadForDpi(number, face, points, style, 0);
}

ObjectNumber FontLoadForDpi(ObjectNumber number, ProgramText face, LONG points, DWORD style, UINT dpi) {
  // Claiming a number first frees the font it held, even if the new one fails.
  FontRecord* record = (FontRecord*)ObjectTableClaim(FontTable, number);
  if (!record) return 0;
  HFONT font = FontCreate(face, points, style, dpi);
  if (!font) {
    // An automatic record without a font would never be found again, so
    // nothing could free it: give it back now.
    if (number == AUTO_NUMBER) ObjectTableRelease(FontTable, ObjectIdentity(record));
    return 0;
  }
  record->handle = font;
  return number == AUTO_NUMBER ? ObjectIdentity(record) : (ObjectNumber)(uintptr_t)font;
}

HFONT FontHandle(ObjectNumber number) {
  FontRecord* record = (FontRecord*)ObjectTableFind(FontTable, number);
  return record ? record->handle : 0;
}

void FontFree(ObjectNumber number) {
  FontRecord* record = (FontRecord*)ObjectTableFind(FontTable, number);
  if (!record) return;
  DeleteObject(record->handle);
  ObjectTableRelease(FontTable, number);
}

void FontFreeAll() {
  ObjectNumber number;
  ObjectTableEnumStart(FontTable);
  while (ObjectTableEnumNext(FontTable, &number)) FontFree(number);
}
