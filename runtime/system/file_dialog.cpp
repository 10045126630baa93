// The dialogs of file_dialog.h: the default file's split, the pattern list, the modal call, the results.
#include "runtime/system/file_dialog.h"

#include <commdlg.h>

#include "runtime/memory/heaps.h"
#include "runtime/memory/strings.h"
#include "runtime/text/code_pages.h"
#include "runtime/system/late_library.h"
#include "runtime/system/modal.h"

FileDialogState FileDialog;

// In UTF-16, whatever letters the system's code page holds: a folder or a
// name that it cannot hold is split as any other.
LONG FileNameValid(const wchar_t* name) {
  if (!name || !*name) return 0;
  for (const wchar_t* p = name; *p; ++p) {
    if (*p < 32) return 0;
    switch (*p) {
      case '"': case '*': case '/': case ':': case '<': case '>': case '?': case '\\': case '|':
        return 0;
    }
  }
  return 1;
}

wchar_t* FileDialogSplitDefault(const wchar_t* defaultFile, wchar_t* name) {
  name[0] = 0;
  if (!defaultFile) return 0;
  size_t length = lstrlenW(defaultFile);
  wchar_t* directory = (wchar_t*)HeapAllocate(MainHeap, HEAP_ZERO_MEMORY, (length + 2) * sizeof(wchar_t));
  if (!directory) return 0;
  CopyMemory(directory, defaultFile, length * sizeof(wchar_t));
  size_t cut = 0;
  for (const wchar_t* p = defaultFile; *p; ++p)
    if (*p == '\\') cut = p - defaultFile;
  const wchar_t* rest = defaultFile;
  if (cut > 0) {
    rest = defaultFile + cut + 1;
    // "C:" alone would name the drive's current directory, not its root.
    directory[directory[cut - 1] == ':' ? cut + 1 : cut] = 0;
  } else {
    // No folder part (a backslash at the very start stays in the name, which
    // it then makes invalid).
    directory[0] = 0;
  }
  size_t restLength = length - (rest - defaultFile);
  if (restLength < (size_t)FILE_PATH_ROOM) {
    CopyMemory(name, rest, (restLength + 1) * sizeof(wchar_t));
    if (!FileNameValid(name)) name[0] = 0;
  }
  return directory;
}

// ---- results -----------------------------------------------------------------

// An empty text with room for a whole path, or null when memory runs out.
static wchar_t* NewResult() { return WideTemp(FILE_PATH_ROOM - 1); }

static wchar_t* Nothing() {
  static wchar_t empty[1];
  empty[0] = 0;
  return empty;
}

// Length of the string at offset in the dialog's buffer; -1 when it is not
// terminated inside the buffer.
static LONG NameLength(LONG offset) {
  LONG n = 0;
  while (offset + n < FILE_DIALOG_BUFFER && FileDialog.buffer[offset + n]) n++;
  return offset + n < FILE_DIALOG_BUFFER ? n : -1;
}

// The first string of the buffer as a whole path, when it fits.
static BOOL TakeWhole(wchar_t* result) {
  LONG n = NameLength(0);
  if (n <= 0 || n >= FILE_PATH_ROOM) return FALSE;
  CopyMemory(result, FileDialog.buffer, (n + 1) * sizeof(wchar_t));
  return TRUE;
}

// directory + the next pending name into result, and on to the name after it.
static BOOL TakeNext(wchar_t* result) {
  LONG n = NameLength(FileDialog.nextName);
  LONG folder = lstrlenW(FileDialog.directory);
  if (n <= 0 || folder + n >= FILE_PATH_ROOM) {
    FileDialog.nextName = 0;
    return FALSE;
  }
  CopyMemory(result, FileDialog.directory, folder * sizeof(wchar_t));
  CopyMemory(result + folder, FileDialog.buffer + FileDialog.nextName, n * sizeof(wchar_t));
  result[folder + n] = 0;
  FileDialog.nextName += n + 1;
  return TRUE;
}

// After a multiple selection the buffer holds either one full path, or the
// folder followed by the names. A selection is taken whole or not at all, so
// a path that would not fit never comes out cut short.
static BOOL TakeSelection(wchar_t* result) {
  LONG n = NameLength(0);
  if (n <= 0) return FALSE;
  if (n + 1 >= FILE_DIALOG_BUFFER || !FileDialog.buffer[n + 1]) {
    BOOL taken = TakeWhole(result);
    FileDialog.buffer[0] = 0;
    return taken;
  }
  LONG folder = FileDialog.buffer[n - 1] == '\\' ? n : n + 1;
  if (folder >= FILE_PATH_ROOM) return FALSE;
  for (LONG at = n + 1, length; (length = NameLength(at)) > 0; at += length + 1)
    if (folder + length >= FILE_PATH_ROOM) return FALSE;
  CopyMemory(FileDialog.directory, FileDialog.buffer, n * sizeof(wchar_t));
  FileDialog.directory[n] = '\\';
  FileDialog.directory[folder] = 0;
  FileDialog.nextName = n + 1;
  return TakeNext(result);
}

// ---- the dialog --------------------------------------------------------------

static wchar_t* FileDialogRun(ProgramText title, PathText defaultFile, ProgramText pattern, LONG position,
                           BOOL save, DWORD flags) {
  // Names still pending from an earlier selection lived in the buffer that is
  // cleared now, so they end here too.
  FileDialog.chosenPattern = 0;
  FileDialog.nextName = 0;
  ZeroMemory(FileDialog.buffer, sizeof FileDialog.buffer);

  // "Description|*.ext|..." becomes the NUL-separated, double-NUL-ended list.
  // Title and pattern are the program's texts (Windows-1250), shown as UTF-16.
  WideText wide(pattern), wideTitle(title);
  size_t patternLength = lstrlenW(wide.text);
  wchar_t* filter = (wchar_t*)HeapAllocate(MainHeap, HEAP_ZERO_MEMORY, (patternLength + 2) * sizeof(wchar_t));
  if (!filter) return Nothing();
  for (size_t i = 0; i < patternLength; i++) filter[i] = wide.text[i] == '|' ? 0 : wide.text[i];

  // Without a copy of the default file the dialog opens without it. Split in
  // UTF-16, as given: its name is proposed in the buffer the dialog fills.
  wchar_t* directory = FileDialogSplitDefault(defaultFile.Wide(), FileDialog.buffer);

  OPENFILENAMEW dialog;
  ZeroMemory(&dialog, sizeof dialog);
  dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
  dialog.hwndOwner = DialogOwner();
  dialog.lpstrFilter = filter;
  dialog.nFilterIndex = (DWORD)position + 1;
  dialog.lpstrFile = FileDialog.buffer;
  dialog.nMaxFile = FILE_DIALOG_BUFFER;
  dialog.lpstrInitialDir = directory;
  dialog.lpstrTitle = wideTitle;
  dialog.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
  if (flags & FILE_MULTISELECT) dialog.Flags |= OFN_ALLOWMULTISELECT;

  // The dialog's library is loaded now, at its first use; without it no
  // dialog shows, and nothing is chosen, as when the user cancels.
  auto call = Late<LATE_GET_OPEN_FILE_NAME, LATE_GET_SAVE_FILE_NAME>(save);
  BOOL chosen = FALSE;
  if (call) {
    ModalGuardScope guard;
    // The result stays UTF-16: a name that the system's code page cannot hold
    // comes back as it was chosen, never as a best-fitted look-alike.
    chosen = call(&dialog);
  }
  HeapRelease(MainHeap, filter);
  HeapRelease(MainHeap, directory);

  wchar_t* result = NewResult();
  if (!result) return Nothing();
  if (!chosen) return result;
  BOOL taken = (flags & FILE_MULTISELECT) ? TakeSelection(result) : TakeWhole(result);
  if (taken) FileDialog.chosenPattern = (LONG)dialog.nFilterIndex;
  return result;
}

wchar_t* FileDialogOpen(ProgramText title, PathText defaultFile, ProgramText pattern, LONG position,
                     DWORD flags) {
  return FileDialogRun(title, defaultFile, pattern, position, FALSE, flags);
}

wchar_t* FileDialogSave(ProgramText title, PathText defaultFile, ProgramText pattern, LONG position) {
  return FileDialogRun(title, defaultFile, pattern, position, TRUE, 0);
}

wchar_t* FileDialogNextSelected() {
  wchar_t* result = NewResult();
  if (!result) return Nothing();
  if (FileDialog.nextName) TakeNext(result);
  return result;
}

LONG FileDialogSelectedPattern() { return FileDialog.chosenPattern - 1; }
