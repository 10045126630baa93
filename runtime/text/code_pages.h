// The code pages a text crosses on its way between the program and the system.
// The program's own texts (titles, labels, items, boxes, the file dialog's
// title and pattern) are Windows-1250 bytes whatever the system's code page,
// and reach the system as UTF-16 converted from 1250, so every Windows shows
// the same letters. Paths are the other way round: the packer is an ANSI
// program and takes its argument in the system's ANSI code page, so a path
// read from the screen (UTF-16) is converted to that code page exactly or not
// at all; the system's "best fit" would silently turn a letter it lacks into
// another one, and the name into another file's. Results are temporary texts
// (strings.h). These are the plain conversions, of bytes and UTF-16; the
// kinds of text that cross the program's doors are made on them
// (text_kinds.h), not the other way round.
#pragma once
#include "runtime/common.h"

// The code page of every text the program hands the runtime to show.
const UINT TEXT_CODE_PAGE = 1250;

// An empty UTF-16 text with room for length characters and the NUL, from the
// ring of temporary texts; null when memory runs out.
wchar_t* WideTemp(size_t length);
// text (UTF-16; null counts as "") as Windows-1250, a letter that 1250 lacks
// as '?'; "" when memory runs out.
char* TextFromWide(const wchar_t* text);
// text (the system's ANSI code page, a path) as UTF-16; "" when memory runs out.
wchar_t* WideFromAnsi(const char* text);
// text (UTF-16) in the system's ANSI code page, or null when that code page
// cannot hold every letter of it as it is (or memory runs out).
char* AnsiFromWideExact(const wchar_t* text);
// Whether the system's code page holds every letter of text (not null) as it
// is; no memory is asked for.
bool CodePageHoldsExactly(const wchar_t* text);
