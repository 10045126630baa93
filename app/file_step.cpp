// The retried file steps of file_step.h.
#include "app/file_step.h"

// A held file is let go within a second or two; longer is no passing hold.
const DWORD STEP_RETRY_MS = 250;
const DWORD STEP_TRIES_MS = 2000;

BOOL FileRemove(const wchar_t* from, const wchar_t*) {
  return DeleteFileW(from) || GetLastError() == ERROR_FILE_NOT_FOUND;
}
BOOL FileMoveNew(const wchar_t* from, const wchar_t* to) { return MoveFileExW(from, to, 0); }

static bool Held(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION ||
         error == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

// The first try, then one every STEP_RETRY_MS until STEP_TRIES_MS have passed.
bool FileStepTried(FileStep step, const wchar_t* from, const wchar_t* to) {
  for (DWORD retries = STEP_TRIES_MS / STEP_RETRY_MS;; --retries, Sleep(STEP_RETRY_MS))
    if (step(from, to)) return true;
    else if (!Held(GetLastError()) || !retries) return false;
}

PathText BareName(const wchar_t* path) {
  const wchar_t* name = path;
  for (; *path; ++path)
    if (*path == '\\') name = path + 1;
  return PathText(name);
}
