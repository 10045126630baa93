// A stand-in for a file whose name the packer cannot be given: the packer
// takes its file's name in the system's code page, and a letter that code page
// does not hold exactly would name no file there, or another one. The stand-in
// holds the same bytes under a name of ASCII letters in the file's own folder:
// a hard link where the volume makes one, else a copy. Once the packer has run
// on it, the stand-in replaces the file or goes.
#pragma once
#include "runtime/common.h"

// Room for a stand-in's bare name: "zimbrel-", eight hexadecimal digits, an
// extension of up to 11 characters (its dot included) and the NUL.
const int STAND_IN_NAME_ROOM = 28;

// One file's stand-in; the caller owns the record (about 1.6 KB: better kept
// out of a function's frame), StandInMake fills it. wideName points into path,
// so the record is used where it was filled, never a copy of it.
struct StandIn {
  const wchar_t* original;   // the file's full path, the caller's, kept until the stand-in is finished
  wchar_t folder[MAX_PATH];  // its folder with the last backslash: the packer's working directory
  wchar_t path[MAX_PATH];    // the stand-in's full path: the folder, then wideName
  wchar_t* wideName;         // the stand-in's name in the folder, within path (ASCII)
  wchar_t backup[MAX_PATH];  // the original's path while it is replaced, of the stand-in's kind
  DWORD attributes;          // the original's attributes as they were
  bool linked;               // a hard link (the original's own file), not a copy
  DWORD error;               // why the making or the replacement failed: a system error code
  bool standInLeft;          // a stand-in (or part-written copy) that could not be removed
  bool backupLeft;           // a backup that could not be removed once the original's name held a program
};

// Makes a stand-in for original, a full path that lasts until StandInFinish,
// in its folder: named "zimbrel-",
// eight hexadecimal digits, then the original's extension when that is
// printable ASCII and fits (none otherwise). It is never an existing file: the
// link and the copy are both made only where no file has the name, and another
// name is tried then. A copy keeps the original's attributes, so the packer
// finds a read-only file read-only either way.
// 1: made; 0: no stand-in could be made (the original is missing, or its
// folder takes no new file; error tells why, and standInLeft that a copy left
// part-written could not be removed); -1: a path too long: the original's does not fit
// in the record, or the stand-in's, or the packer's temporary file's beside it
// (the name with ".upx" for its extension), would be over MAX_PATH - 1
// characters. The packer opens them by name within the folder, and Windows
// resolves such a relative name within MAX_PATH; the same limit keeps the
// folder well within the 258 characters a working directory may have.
int StandInMake(const wchar_t* original, StandIn* standIn);

// The longest folder, in letters without its closing backslash, beside which
// StandInMake can make original's stand-in: its name, and the packer's
// temporary file beside it (the same with ".upx"), must both stay within
// MAX_PATH - 1 letters. *folder: the letters of original's folder.
int StandInFolderMax(const wchar_t* original, int* folder);

// Ends the stand-in once the packer has ended, or when it never ran. packed:
// the packer rewrote the stand-in (its size changed); its bytes then replace
// the original's, through a backup of the original under a new name of the
// stand-in's kind, so that a replacement that fails half-way puts the original
// back. The packed stand-in is flushed to the disk first. A read-only original
// is never replaced. A step that fails while the file is held is tried again
// for up to 2 s (file_step.h). Afterwards the stand-in and the backup are gone
// (a backup that could not be put back stays: it is then the original's only
// copy; standInLeft and backupLeft tell of one that could not be removed),
// and the original has the attributes it had. Nothing here changes the
// original's times.
// 1: replaced; 0: the original left as it was; -1: packed, but the
// replacement failed (error tells why) and the original kept its own bytes;
// -2: the replacement stopped half-way and neither the stand-in nor the
// original could be put under the original's name: the original is whole at
// the backup's name, which stays.
int StandInFinish(StandIn* standIn, bool packed);

// The calls that make the hard link, the copy, replace the original and flush
// the stand-in, when set; null (as at start) for CreateHardLinkW, CopyFileW,
// ReplaceFileW and FlushFileBuffers. Tests set them to act as a volume without
// links, a full volume, a folder refused, a replacement that fails half-way.
extern BOOL(WINAPI* StandInLink)(LPCWSTR link, LPCWSTR existing, LPSECURITY_ATTRIBUTES security);
extern BOOL(WINAPI* StandInReplace)(LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup, DWORD flags,
                                    LPVOID exclude, LPVOID reserved);
extern BOOL(WINAPI* StandInCopy)(LPCWSTR existing, LPCWSTR copy, BOOL failIfExists);
extern BOOL(WINAPI* StandInFlush)(HANDLE file);
