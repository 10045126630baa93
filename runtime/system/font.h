// Numbered fonts, loaded by face, size in points and style bits.
#pragma once
#include "runtime/common.h"
#include "runtime/memory/object_table.h"
#include "runtime/text/text_kinds.h"

const DWORD STYLE_UNDERLINE = 0x4;
const DWORD STYLE_STRIKEOUT = 0x8;
const DWORD STYLE_PROOF_QUALITY = 0x10;
const DWORD STYLE_BOLD = 0x100;
const DWORD STYLE_ITALIC = 0x200;

extern ObjectTable* FontTable;

void FontInit();
// Font handle for a number, identity for AUTO_NUMBER, 0 on failure. Sized for
// the screen's DPI (LOGPIXELSY).
ObjectNumber FontLoad(ObjectNumber number, ProgramText face, LONG points, DWORD style = 0);
// The same, sized for a window shown at dpi (0: the screen's DPI).
ObjectNumber FontLoadForDpi(ObjectNumber number, ProgramText face, LONG points, DWORD style, UINT dpi);
HFONT FontHandle(ObjectNumber number);
void FontFree(ObjectNumber number);
void FontFreeAll();
