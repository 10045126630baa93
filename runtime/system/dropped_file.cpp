// Reading a drop of files (dropped_file.h): the count, the one name, a
// shortcut followed through the shell's link object.
#include "runtime/system/dropped_file.h"

#include <shlobj.h>

#include "runtime/system/file_dialog.h"
#include "runtime/system/late_library.h"
#include "runtime/system/owners.h"

// The name read, and what a shortcut leads to, with room for one character
// more than a path may have: a name that fills it was longer, and came cut.
static wchar_t droppedPath[FILE_PATH_ROOM + 1];

// The interfaces and the class of the shell's link object.
static const GUID shellLinkClass = {0x00021401, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
static const GUID shellLinkInterface = {0x000214F9, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
static const GUID persistFileInterface = {0x0000010B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Whether the name of length characters ends in ".lnk", in any case.
static bool IsShortcut(const wchar_t* name, UINT length) {
  if (length < 4) return false;
  name += length - 4;
  for (int i = 0; i < 4; i++)
    if ((name[i] | 0x20) != ".lnk"[i]) return false;
  return true;
}

// Replaces the shortcut's name in droppedPath by its target's path, as the
// link stores it: nothing is searched for, and no window shown. COM runs for
// this alone, and ends again once the link's interfaces are released. False
// when the link cannot be read, or has no target path of at most
// FILE_PATH_ROOM - 1 characters.
static bool FollowShortcut() {
  // One library: with CoCreateInstance there, so are the other two.
  auto create = Late<LATE_CO_CREATE_INSTANCE>();
  if (!create) return false;
  ComStart com;
  if (!com.started) return false;
  OwnedInterface<IShellLinkW> link;
  OwnedInterface<IPersistFile> file;
  return SUCCEEDED(create(shellLinkClass, 0, CLSCTX_INPROC_SERVER, shellLinkInterface, link.out())) &&
         SUCCEEDED(link->QueryInterface(persistFileInterface, file.out())) &&
         SUCCEEDED(file->Load(droppedPath, STGM_READ)) &&
         link->GetPath(droppedPath, FILE_PATH_ROOM + 1, 0, 0) == S_OK && lstrlenW(droppedPath) < FILE_PATH_ROOM;
}

// A path on another machine: a UNC path, or one on a drive that the system
// maps to a share. Only the name is looked at: a drive's type comes from the
// system's own table, not over the network.
static bool OnNetwork(const wchar_t* path) {
  if (path[0] == '\\' && path[1] == '\\') return true;
  wchar_t root[] = {path[0], ':', '\\', 0};
  return path[0] && path[1] == ':' && GetDriveTypeW(root) == DRIVE_REMOTE;
}

// The one name, followed when it is a shortcut, if it is an existing file. A
// shortcut that leads to another shortcut leads to no file to pack. A
// shortcut's target on the network goes into the field unchecked, so that a
// share that does not answer never holds the window for the network's time:
// the press checks it, as it checks a typed path.
static wchar_t* ReadDrop(HDROP drop, UINT(WINAPI* query)(HDROP, UINT, wchar_t*, UINT)) {
  if (query(drop, 0xFFFFFFFF, 0, 0) != 1) return 0;
  UINT length = query(drop, 0, droppedPath, FILE_PATH_ROOM + 1);
  if (!length || length >= (UINT)FILE_PATH_ROOM) return 0;
  if (IsShortcut(droppedPath, length)) {
    if (!FollowShortcut() || IsShortcut(droppedPath, lstrlenW(droppedPath))) return 0;
    if (OnNetwork(droppedPath)) return droppedPath;
  }
  DWORD attributes = GetFileAttributesW(droppedPath);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) ? droppedPath : 0;
}

wchar_t* DroppedFileTake(HDROP drop, BOOL read) {
  // Both are the shell's: with one there, so is the other.
  auto query = Late<LATE_DRAG_QUERY_FILE>();
  if (!query) return 0;
  wchar_t* path = read ? ReadDrop(drop, query) : 0;
  Late<LATE_DRAG_FINISH>()(drop);
  return path;
}
