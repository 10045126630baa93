// The retried file steps and the failure sentences of file_step.h.
#include "app/file_step.h"

#include "app/texts.h"

// A held file is let go within a second or two; longer is no passing hold.
const DWORD STEP_RETRY_MS = 250;
const DWORD STEP_TRIES_MS = 2000;
const DWORD ERROR_QUOTA = 1295;  // ERROR_DISK_QUOTA_EXCEEDED

BOOL FileRemove(const wchar_t* from, const wchar_t*) {
  return DeleteFileW(from) || GetLastError() == ERROR_FILE_NOT_FOUND;
}
BOOL FileMoveNew(const wchar_t* from, const wchar_t* to) { return MoveFileExW(from, to, 0); }

static bool Held(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION ||
         error == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

bool FileStepTried(FileStep step, const wchar_t* from, const wchar_t* to) {
  for (DWORD start = GetTickCount();; Sleep(STEP_RETRY_MS))
    if (step(from, to)) return true;
    else if (!Held(GetLastError()) || GetTickCount() - start >= STEP_TRIES_MS) return false;
}

ProgramText FileFailureText(DWORD error) {
  if (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL || error == ERROR_QUOTA) return TEXT_DISK_FULL;
  // 1177: the replacement stopped half-way, the stand-in held where it was.
  if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2)
    return TEXT_HELD;
  if (error == ERROR_FILE_READ_ONLY) return TEXT_REASON_WRITE_PROTECTED;
  return TEXT_FOLDER_LOCKED;
}

PathText BareName(const wchar_t* path) {
  const wchar_t* name = path;
  for (; *path; ++path)
    if (*path == '\\') name = path + 1;
  return PathText(name);
}
