// The conversions of code_pages.h, on the ring of temporary texts.
#include "runtime/text/code_pages.h"

#include "runtime/memory/strings.h"

wchar_t* WideTemp(size_t length) {
  if (length >= 0x3FFFFFF0) return 0;
  // Two bytes a character; the ring's own NUL byte makes the last one whole.
  wchar_t* text = (wchar_t*)StringTemp(2 * length + 1);
  if (text) text[0] = 0;
  return text;
}

wchar_t* WideFromAnsi(const char* text) {
  static wchar_t empty[1];
  if (!text) text = "";
  int length = MultiByteToWideChar(CP_ACP, 0, text, -1, 0, 0);
  wchar_t* wide = length > 0 ? WideTemp((size_t)length - 1) : 0;
  if (!wide || MultiByteToWideChar(CP_ACP, 0, text, -1, wide, length) != length) {
    empty[0] = 0;
    return empty;
  }
  return wide;
}

// The bytes of text in codePage; with usedDefault, null when any letter had
// to be replaced by the default character.
static char* BytesFrom(UINT codePage, DWORD flags, const wchar_t* text, BOOL* usedDefault) {
  if (!text) text = L"";
  int length = WideCharToMultiByte(codePage, flags, text, -1, 0, 0, 0, usedDefault);
  if (length <= 0 || (usedDefault && *usedDefault)) return 0;
  char* bytes = StringTemp((size_t)length - 1);
  if (!bytes || WideCharToMultiByte(codePage, flags, text, -1, bytes, length, 0, usedDefault) != length ||
      (usedDefault && *usedDefault))
    return 0;
  return bytes;
}

char* TextFromWide(const wchar_t* text) {
  char* bytes = BytesFrom(TEXT_CODE_PAGE, WC_NO_BEST_FIT_CHARS, text, 0);
  return bytes ? bytes : StringTempCopy("");
}

char* AnsiFromWideExact(const wchar_t* text) {
  const UINT codePage = GetACP();
  // UTF-8 (a choice of Windows 10 and 11) holds every letter; it takes
  // neither the no-best-fit flag nor the used-default question, only the
  // refusal of a broken surrogate pair, which names no file that exists.
  if (codePage == CP_UTF8) return BytesFrom(codePage, WC_ERR_INVALID_CHARS, text, 0);
  BOOL usedDefault = FALSE;
  return BytesFrom(codePage, WC_NO_BEST_FIT_CHARS, text, &usedDefault);
}

bool CodePageHoldsExactly(const wchar_t* text) {
  const UINT codePage = GetACP();
  BOOL usedDefault = FALSE;
  if (codePage == CP_UTF8) return WideCharToMultiByte(codePage, WC_ERR_INVALID_CHARS, text, -1, 0, 0, 0, 0) > 0;
  return WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text, -1, 0, 0, 0, &usedDefault) > 0 && !usedDefault;
}
