#include "runtime/system/modal.h"

int MessageDialog(const char* caption, const char* text, UINT flags) {
  ModalGuardSet(1);
  // The owner is chosen once the guard is up, so it is never one of the
  // windows the guard has just disabled (the foreground window is spared).
  HWND owner = DialogOwner();
  int result = MessageBoxA(owner, text, caption, flags);
  ModalGuardSet(0);
  return result;
}
