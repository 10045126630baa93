// The path of path_check.h: read from the field, checked, and the refusal's
// sentence.
#include "app/path_check.h"

#include "app/decimal_text.h"
#include "app/stand_in.h"
#include "app/texts.h"
#include "runtime/system/path_size.h"

// The text within one pair of quotes that encloses all of it, when no other
// quote is inside; else all of it.
static void Unquote(wchar_t** start, int* length) {
  const wchar_t* text = *start;
  int n = *length;
  if (n < 2 || text[0] != '"' || text[n - 1] != '"') return;
  for (int i = 1; i < n - 1; ++i)
    if (text[i] == '"') return;
  ++*start;
  *length -= 2;
}

// A path longer than the packer takes names no file it can open, even where
// the size query, which looks at its first letters only, finds one.
static bool NamesFile(const wchar_t* path) {
  return lstrlenW(path) <= REQUEST_PATH_MAX && PathSize(PathText(path)) >= 0;
}

PathText PathInText(wchar_t* text) {
  if (!text) return PathText(text);
  wchar_t* path = text;
  int length = lstrlenW(text);
  Unquote(&path, &length);
  path[length] = 0;
  // The spaces go, then a pair of quotes inside them; the path keeps them
  // unless only the one without them names a file.
  wchar_t* trimmed = path;
  int trimmedLength = length;
  while (*trimmed == ' ') ++trimmed, --trimmedLength;
  while (trimmedLength > 0 && trimmed[trimmedLength - 1] == ' ') --trimmedLength;
  Unquote(&trimmed, &trimmedLength);
  if (trimmedLength == length || NamesFile(path)) return PathText(path);
  wchar_t cut = trimmed[trimmedLength];
  trimmed[trimmedLength] = 0;
  if (NamesFile(trimmed)) return PathText(trimmed);
  trimmed[trimmedLength] = cut;
  return PathText(path);
}

static PathText ReadPath(const CompressionReaders& readers) { return readers.pathText(readers.context); }

static bool OnlySpaces(const wchar_t* text) {
  while (*text == ' ') ++text;
  return !*text;
}

// A '*' or '?', which the packer expands itself (it would rewrite every
// matching file while the size query looked at only the first); a '<' or
// '>', which the file search reads as wildcards too; a '"', which would also
// end the quoted argument early.
static bool IsWildcardOrQuote(wchar_t c) { return c == '*' || c == '?' || c == '<' || c == '>' || c == '"'; }

// A device's name (CON, NUL, COM1, ..., in any folder, with any extension):
// the size query finds it as an empty file, and the system's full name for
// it is the device's own, "\\.\NUL".
static bool NamesDevice(const wchar_t* path) {
  wchar_t full[16];
  DWORD n = GetFullPathNameW(path, 16, full, 0);
  return n && n < 16 && full[0] == '\\' && full[1] == '\\' && full[2] == '.';
}

static bool Refused(ProgramTextBuilder* refusal, ProgramText sentence) {
  refusal->Append(sentence);
  return false;
}

// "<opening><length> karakter, de legfeljebb <limit> lehet."
static bool TooLong(ProgramTextBuilder* refusal, ProgramText opening, int length, int limit) {
  char digits[DECIMAL_TEXT_ROOM];
  refusal->Append(opening);
  refusal->Append(AsciiText(DecimalText(length, digits)));
  refusal->Append(TEXT_NO_FILE_LIMIT);
  refusal->Append(AsciiText(DecimalText(limit, digits)));
  return Refused(refusal, TEXT_NO_FILE_LIMIT_END);
}

bool CheckPath(const CompressionReaders& readers, const CompressionServices& services, wchar_t* checked,
               ProgramTextBuilder* refusal) {
  if (OnlySpaces(ReadPath(readers).Wide())) return Refused(refusal, TEXT_NO_FILE);
  PathText path = ReadPath(readers);
  const wchar_t* letters = path.Wide();
  // A read that failed gives "", as an empty field does.
  if (OnlySpaces(letters)) return Refused(refusal, TEXT_NO_FILE);
  // The letters are walked in UTF-16, where a '\\' is always one: in a
  // double-byte code page the second byte of a letter may be 0x5C.
  int n = 0;
  bool wild = false;
  for (; letters[n]; ++n) wild |= IsWildcardOrQuote(letters[n]);
  // The length the packer is held to: in the system's code page, the bytes
  // it is given (one to a letter but in the double-byte and UTF-8 code
  // pages); for a path that code page cannot hold, its letters, which reach
  // its file through the wide file functions.
  const char* view = path.Ansi();
  int length = view ? lstrlenA(view) : n;
  if (length > REQUEST_PATH_MAX) return TooLong(refusal, TEXT_NO_FILE_TOO_LONG, length, REQUEST_PATH_MAX);
  int folder = 0;
  int folderMax = view ? REQUEST_PATH_MAX : StandInFolderMax(letters, &folder);
  if (folder > folderMax) return TooLong(refusal, TEXT_NO_FILE_FOLDER_TOO_LONG, folder, folderMax);
  if (wild) return Refused(refusal, TEXT_NO_FILE_WILDCARD);
  // No more letters than length: none has fewer than one byte.
  for (int i = 0; i <= n; ++i) checked[i] = letters[i];
  int64_t size = services.pathSize(PathText(checked));
  if (size == PATH_DIRECTORY) return Refused(refusal, TEXT_NO_FILE_FOLDER);
  // A closing backslash would escape the closing quote of the packer's
  // argument; the size query takes it away, and finds the file before it.
  if (size < 0 || letters[n - 1] == '\\' || (size == 0 && NamesDevice(checked)))
    return Refused(refusal, TEXT_NO_FILE_MISSING);
  if (size == 0) return Refused(refusal, TEXT_NO_FILE_EMPTY);
  return true;
}
