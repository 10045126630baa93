// The stand-in of stand_in.h: its name, its making, and its end.
#include "app/stand_in.h"

// Null, as at start, for the system's own calls: zero-filled, they cost the
// program's file nothing.
BOOL(WINAPI* StandInLink)(LPCWSTR, LPCWSTR, LPSECURITY_ATTRIBUTES);
BOOL(WINAPI* StandInReplace)(LPCWSTR, LPCWSTR, LPCWSTR, DWORD, LPVOID, LPVOID);

// "zimbrel-" and the eight digits: the part of every name before its extension.
const int STAND_IN_STEM = 16;
// The packer's temporary file has the stand-in's name with ".upx" for its extension.
const int PACKER_TEMP_EXTENSION = 4;
// Names tried before the folder is taken to hold no free one.
const int STAND_IN_TRIES = 16;

static bool Exists(const wchar_t* path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

// New digits for a name at digits, after its "zimbrel-": they differ at
// every call of this process and, through its id, mostly from those of
// another process. A name that is taken anyway gives way when it is used.
static void Number(wchar_t* digits) {
  static DWORD count;
  DWORD number = ((GetCurrentProcessId() << 12) ^ ++count) * 0x9E3779B1u;
  for (int i = 0; i < 8; ++i, number <<= 4) digits[i] = "0123456789abcdef"[number >> 28];
}

// The stand-in's path with new digits: the folder, the stem, the extension.
static wchar_t* Renumbered(StandIn* standIn, wchar_t* path) {
  for (int i = 0; (path[i] = standIn->path[i]) != 0; ++i) {
  }
  Number(path + (standIn->wideName - standIn->path) + 8);
  return path;
}

int StandInMake(const wchar_t* original, StandIn* standIn) {
  // The name begins after the last backslash (or slash), its extension at the
  // last dot in it. The extension is kept when it is printable ASCII and fits
  // the name's room.
  const wchar_t *name = original, *dot = 0, *end = original;
  for (; *end; ++end) {
    if (*end == '\\' || *end == '/') name = end + 1, dot = 0;
    else if (*end == '.') dot = end;
  }
  if (!dot || end - dot < 2 || end - dot >= STAND_IN_NAME_ROOM - STAND_IN_STEM) dot = end;
  for (const wchar_t* at = dot; *at; ++at)
    if (*at <= ' ' || *at > '~') dot = end;
  int folder = name - original, kept = end - dot;
  // Paths the record cannot hold, or that the packer could not open (stand_in.h).
  if (end - original >= MAX_PATH ||
      folder + STAND_IN_STEM + (kept > PACKER_TEMP_EXTENSION ? kept : PACKER_TEMP_EXTENSION) >= MAX_PATH)
    return -1;
  standIn->original = original;
  if ((standIn->attributes = GetFileAttributesW(original)) == INVALID_FILE_ATTRIBUTES) return 0;
  for (int i = 0; i < folder; ++i) standIn->folder[i] = standIn->path[i] = original[i];
  standIn->folder[folder] = 0;
  // The stand-in's path: the folder, the stem (its digits written by each
  // try), then the extension kept and the NUL.
  wchar_t* at = standIn->wideName = standIn->path + folder;
  for (const char* stem = "zimbrel-"; *stem;) *at++ = *stem++;
  while ((at[8] = *dot++) != 0) ++at;
  // Linked, else copied, under a new name: neither call makes a file where
  // one has that name, and a name that some file has gives way to the next.
  for (int tries = 0; tries < STAND_IN_TRIES; ++tries) {
    Renumbered(standIn, standIn->path);
    standIn->linked = (StandInLink ? StandInLink : CreateHardLinkW)(standIn->path, original, 0);
    if (standIn->linked || CopyFileW(original, standIn->path, TRUE)) return 1;
    if (!Exists(standIn->path)) return 0;
  }
  return 0;
}

// The stand-in in the original's place. Where the backup's name is free,
// ReplaceFileW moves the original there and the stand-in into its place; when
// it fails, it may have done the first step alone (Wine's does the moves in
// that order; Windows tells it with ERROR_UNABLE_TO_MOVE_REPLACEMENT_2), and
// the original goes back, never over a file of its name. Where ReplaceFileW
// cannot replace, a rename over the original still may: it either replaces
// the original whole or leaves it. A read-only original is never replaced, as
// Windows refuses both (Wine's rename does not).
static int Replace(StandIn* standIn) {
  const wchar_t* original = standIn->original;
  if (standIn->attributes & FILE_ATTRIBUTE_READONLY) return -1;
  const wchar_t* backup = Renumbered(standIn, standIn->backup);
  bool free = !Exists(backup);
  BOOL replaced = free && (StandInReplace ? StandInReplace : ReplaceFileW)(original, standIn->path, backup,
                                                                          REPLACEFILE_IGNORE_MERGE_ERRORS, 0, 0);
  if (!replaced) {
    if (free) MoveFileExW(backup, original, 0);
    replaced = MoveFileExW(standIn->path, original, MOVEFILE_REPLACE_EXISTING);
  }
  // The backup goes, unless it is the only copy of an original that could not be put back.
  if (free && Exists(original)) DeleteFileW(backup);
  return replaced ? 1 : -1;
}

int StandInFinish(StandIn* standIn, bool packed) {
  int result = packed ? Replace(standIn) : 0;
  // A read-only stand-in is removed once it is no longer read-only. A link is
  // the original's own file, whose attributes change with it; and a replaced
  // original has the stand-in's (ReplaceFileW keeps the original's on Windows,
  // not under Wine, and a rename never does). Either way they are put back.
  SetFileAttributesW(standIn->path, FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(standIn->path);
  SetFileAttributesW(standIn->original, standIn->attributes);
  return result;
}
