// The file size query: a lookup in the directory listing, or of the drive for a root.
#include "runtime/system/path_size.h"

// The lookup works on a copy of at most 260 characters, so a longer path is
// looked up as its first 260 and the caller's string is never touched. The
// path is looked up in UTF-16, as it was given.
int64_t PathSize(PathText path) {
  const wchar_t* given = path.Wide();
  if (!given[0]) return PATH_MISSING;
  wchar_t copy[MAX_PATH + 1];
  size_t len = 0;
  while (len < MAX_PATH && given[len]) {
    copy[len] = given[len];
    ++len;
  }
  copy[len] = 0;
  // A drive root ("C:" or three characters with ':' second) is asked of the
  // drive itself; the directory listing does not report roots. Neither the
  // first character nor a third one is checked here: GetDriveTypeW answers
  // DRIVE_NO_ROOT_DIR for what names no root (under Wine "1:" and "C:x" both),
  // so "C:x" counts as missing and is never looked up as a file in the drive's
  // current directory.
  if ((len == 2 || len == 3) && copy[1] == ':') {
    if (len == 2) {
      copy[2] = '\\';
      copy[3] = 0;
    }
    return GetDriveTypeW(copy) > DRIVE_NO_ROOT_DIR ? PATH_DIRECTORY : PATH_MISSING;
  }
  // The listing finds "C:\work" but not "C:\work\": one trailing backslash goes.
  if (len && copy[len - 1] == '\\') copy[len - 1] = 0;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(copy, &found);
  if (search == INVALID_HANDLE_VALUE) return PATH_MISSING;
  int64_t result = PATH_DIRECTORY;
  if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    result = (int64_t)(((uint64_t)found.nFileSizeHigh << 32) | found.nFileSizeLow);
  FindClose(search);
  return result;
}
