// The file size query: a lookup in the directory listing, or of the drive for a root.
#include "runtime/system/path_size.h"

// The lookup works on a copy of at most 260 characters, so a longer path is
// looked up as its first 260 and the caller's string is never touched.
int64_t PathSize(const char* path) {
  if (!path || !path[0]) return PATH_MISSING;
  char copy[MAX_PATH + 1];
  size_t len = 0;
  while (len < MAX_PATH && path[len]) {
    copy[len] = path[len];
    ++len;
  }
  copy[len] = 0;

  // A drive root ("C:" or three characters with ':' second) is asked of the
  // drive itself; the directory listing does not report roots. Neither the
  // first character nor a third one is checked here: GetDriveTypeA answers
  // DRIVE_NO_ROOT_DIR for what names no root (under Wine "1:" and "C:x" both),
  // so "C:x" counts as missing and is never looked up as a file in the drive's
  // current directory.
  if ((len == 2 || len == 3) && copy[1] == ':') {
    if (len == 2) {
      copy[2] = '\\';
      copy[3] = 0;
    }
    return GetDriveTypeA(copy) > DRIVE_NO_ROOT_DIR ? PATH_DIRECTORY : PATH_MISSING;
  }

  // The listing finds "C:\work" but not "C:\work\": one trailing backslash goes.
  // Its last character, not byte: in a double-byte code page the second byte
  // of a letter may be 0x5C, the byte of '\'.
  char* last = CharPrevA(copy, copy + len);
  if (*last == '\\' && last == copy + len - 1) *last = 0;

  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(copy, &found);
  if (search == INVALID_HANDLE_VALUE) return PATH_MISSING;
  int64_t result = PATH_DIRECTORY;
  if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    result = (int64_t)(((uint64_t)found.nFileSizeHigh << 32) | found.nFileSizeLow);
  FindClose(search);
  return result;
}
