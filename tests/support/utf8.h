// The tests hold every text as UTF-8 (the letters as the source writes them)
// and convert at the edge: what a window shows is read as UTF-16 and turned
// into UTF-8, what is typed or set goes in as UTF-16, and a path goes to the
// ANSI calls in the system's code page, exactly or not at all. The program's
// own Windows-1250 bytes, where a test catches them before they are shown, are
// turned into UTF-8 from that code page by name, so that no comparison ever
// depends on the code page the system runs in. Free of GoogleTest, so that the
// UI driver uses it too.
#pragma once
#include <windows.h>

#include <string>

// UTF-16 (length units, or up to the NUL when length is -1) as UTF-8.
inline std::string Utf8FromWide(const wchar_t* text, int length = -1) {
  if (!text) return "";
  if (length < 0) length = lstrlenW(text);
  if (length == 0) return "";
  int n = WideCharToMultiByte(CP_UTF8, 0, text, length, 0, 0, 0, 0);
  if (n <= 0) return "";
  std::string utf8(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, &utf8[0], n, 0, 0);
  return utf8;
}
inline std::string Utf8FromWide(const std::wstring& text) { return Utf8FromWide(text.data(), (int)text.size()); }

// UTF-8 as UTF-16 (a broken sequence becomes U+FFFD, as the system makes it).
inline std::wstring WideFromUtf8(const std::string& text) {
  if (text.empty()) return L"";
  int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), (int)text.size(), 0, 0);
  if (n <= 0) return L"";
  std::wstring wide(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), (int)text.size(), &wide[0], n);
  return wide;
}

// Bytes of a code page as UTF-8: 1250 for the program's own texts caught
// before they are shown, CP_ACP for what the ANSI calls give (paths).
inline std::string Utf8FromCodePage(UINT codePage, const std::string& bytes) {
  if (bytes.empty()) return "";
  int n = MultiByteToWideChar(codePage, 0, bytes.data(), (int)bytes.size(), 0, 0);
  if (n <= 0) return "";
  std::wstring wide(n, L'\0');
  MultiByteToWideChar(codePage, 0, bytes.data(), (int)bytes.size(), &wide[0], n);
  return Utf8FromWide(wide);
}

// UTF-8 in the system's ANSI code page, for the ANSI calls that take a path:
// false (and *ansi empty) when a letter has no place in that code page, where
// the system's best fit would name another file.
inline bool AnsiFromUtf8(const std::string& text, std::string* ansi) {
  ansi->clear();
  std::wstring wide = WideFromUtf8(text);
  if (wide.empty()) return text.empty();
  const UINT codePage = GetACP();
  // UTF-8 as the system's code page takes neither the flag nor the question.
  BOOL usedDefault = FALSE;
  BOOL* asked = codePage == CP_UTF8 ? 0 : &usedDefault;
  DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  int n = WideCharToMultiByte(codePage, flags, wide.data(), (int)wide.size(), 0, 0, 0, asked);
  if (n <= 0 || usedDefault) return false;
  std::string bytes(n, '\0');
  WideCharToMultiByte(codePage, flags, wide.data(), (int)wide.size(), &bytes[0], n, 0, asked);
  if (usedDefault) return false;
  *ansi = bytes;
  return true;
}
