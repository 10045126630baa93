#include "runtime/system/modal.h"

HWND DialogOwner() {
  HWND w = GetForegroundWindow();
  if (!w) return 0;
  DWORD processId = 0;
  GetWindowThreadProcessId(w, &processId);
  if (processId != GetCurrentProcessId()) return 0;
  return w;
}
