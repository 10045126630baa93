// The stand-in of stand_in.h: its name, its making, and its end.
#include "app/stand_in.h"

#include "app/file_step.h"

// Null, as at start, for the system's own calls: zero-filled, they cost the
// program's file nothing.
BOOL(WINAPI* StandInLink)(LPCWSTR, LPCWSTR, LPSECURITY_ATTRIBUTES);
BOOL(WINAPI* StandInReplace)(LPCWSTR, LPCWSTR, LPCWSTR, DWORD, LPVOID, LPVOID);
BOOL(WINAPI* StandInCopy)(LPCWSTR, LPCWSTR, BOOL);
BOOL(WINAPI* StandInFlush)(HANDLE);

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

// Where original's name begins: after its last backslash (or slash). *dot:
// the extension the stand-in keeps, from the name's last dot, when that is
// printable ASCII and fits the name's room; else the end, an empty one.
static const wchar_t* NameOf(const wchar_t* original, const wchar_t** dot) {
  const wchar_t *name = original, *end = original;
  *dot = 0;
  for (; *end; ++end) {
    if (*end == '\\' || *end == '/') name = end + 1, *dot = 0;
    else if (*end == '.') *dot = end;
  }
  if (!*dot || end - *dot < 2 || end - *dot >= STAND_IN_NAME_ROOM - STAND_IN_STEM) *dot = end;
  for (const wchar_t* at = *dot; *at; ++at)
    if (*at <= ' ' || *at > '~') *dot = end;
  return name;
}

int StandInFolderMax(const wchar_t* original, int* folder) {
  const wchar_t* dot;
  const wchar_t* name = NameOf(original, &dot);
  int kept = lstrlenW(dot);
  *folder = name > original ? name - original - 1 : 0;
  // MAX_PATH - 1 letters, the folder's closing backslash among them.
  return MAX_PATH - 2 - STAND_IN_STEM - (kept > PACKER_TEMP_EXTENSION ? kept : PACKER_TEMP_EXTENSION);
}

int StandInMake(const wchar_t* original, StandIn* standIn) {
  standIn->standInLeft = standIn->backupLeft = false;
  const wchar_t* dot;
  int folder = NameOf(original, &dot) - original, letters, lettersMax = StandInFolderMax(original, &letters);
  // Paths the record cannot hold, or that the packer could not open (stand_in.h).
  if (lstrlenW(original) >= MAX_PATH || letters > lettersMax) return -1;
  standIn->original = original;
  standIn->error = ERROR_FILE_NOT_FOUND;
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
  // Any other failure ends the making: a copy it left part-written (a full
  // disk) is no taken name, but this call's own file, and goes.
  for (int tries = 0; tries < STAND_IN_TRIES; ++tries) {
    Renumbered(standIn, standIn->path);
    standIn->linked = (StandInLink ? StandInLink : CreateHardLinkW)(standIn->path, original, 0);
    if (standIn->linked || (StandInCopy ? StandInCopy : CopyFileW)(original, standIn->path, TRUE)) return 1;
    DWORD error = standIn->error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
      standIn->standInLeft = !FileStepTried(FileRemove, standIn->path, 0);
      return 0;
    }
  }
  return 0;
}

// The steps of the replacement, as file_step.h takes them.
static const wchar_t* replaceBackup;
static BOOL ReplaceStep(const wchar_t* original, const wchar_t* standIn) {
  return (StandInReplace ? StandInReplace : ReplaceFileW)(original, standIn, replaceBackup,
                                                          REPLACEFILE_IGNORE_MERGE_ERRORS, 0, 0);
}
static BOOL MoveOver(const wchar_t* from, const wchar_t* to) {
  return MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING);
}
// The packed bytes on the disk before they take the original's place: a
// power cut after the rename must not leave the name with a file never written.
static BOOL Flush(const wchar_t* path, const wchar_t*) {
  HANDLE file = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0,
                            OPEN_EXISTING, 0, 0);
  if (file == INVALID_HANDLE_VALUE) return FALSE;
  BOOL flushed = (StandInFlush ? StandInFlush : FlushFileBuffers)(file);
  // A handle closed without fault leaves the flush's error as it was.
  CloseHandle(file);
  return flushed;
}

// The stand-in in the original's place. Where the backup's name is free,
// ReplaceFileW moves the original there and the stand-in into its place. When
// it stops between the two (Windows tells it with 1177,
// ERROR_UNABLE_TO_MOVE_REPLACEMENT_2; Wine's last step fails so), the name is
// empty: the stand-in takes it, else the original goes back, never over a
// file of that name; -2 when neither could, the original then kept at the
// backup's name. Where ReplaceFileW refuses before it moves anything, a
// rename over the original still may: it either replaces the original whole
// or leaves it, unless the original is held (that would fail the same way).
// A read-only original is never replaced, as Windows refuses both (Wine's
// rename does not). error tells why the last step failed.
static int Replace(StandIn* standIn) {
  const wchar_t *original = standIn->original, *path = standIn->path;
  if (standIn->attributes & FILE_ATTRIBUTE_READONLY) {
    standIn->error = ERROR_FILE_READ_ONLY;
    return -1;
  }
  if (!FileStepTried(Flush, path, 0)) {
    standIn->error = GetLastError();
    return -1;
  }
  const wchar_t* backup = replaceBackup = Renumbered(standIn, standIn->backup);
  bool free = !Exists(backup);
  bool replaced = free && FileStepTried(ReplaceStep, original, path);
  standIn->error = GetLastError();
  if (!replaced && free && !Exists(original)) {
    replaced = FileStepTried(FileMoveNew, path, original);
    if (!replaced && !FileStepTried(FileMoveNew, backup, original)) return -2;
  } else if (!replaced && standIn->error != ERROR_SHARING_VIOLATION) {
    replaced = FileStepTried(MoveOver, path, original);
    standIn->error = GetLastError();
  }
  // The backup goes once the original's name holds a program again.
  standIn->backupLeft = free && !FileStepTried(FileRemove, backup, 0);
  return replaced ? 1 : -1;
}

int StandInFinish(StandIn* standIn, bool packed) {
  int result = packed ? Replace(standIn) : 0;
  // A read-only stand-in is removed once it is no longer read-only. A link is
  // the original's own file, whose attributes change with it; and a replaced
  // original has the stand-in's (ReplaceFileW keeps the original's on Windows,
  // not under Wine, and a rename never does). Either way they are put back.
  SetFileAttributesW(standIn->path, FILE_ATTRIBUTE_NORMAL);
  standIn->standInLeft = !FileStepTried(FileRemove, standIn->path, 0);
  SetFileAttributesW(standIn->original, standIn->attributes);
  return result;
}
