// Modal system dialogs: the owner they get, the guard that disables the
// calling thread's other windows while one is up, and the message box.
#pragma once
#include "runtime/common.h"
#include "runtime/memory/node_list.h"

struct DisabledWindow {
  DWORD threadId;
  HWND window;
};

extern ListNode* ModalGuard;

// The foreground window when it belongs to this process, else null.
HWND DialogOwner();
// on: disable this thread's visible, enabled, non-foreground top-level windows;
// off: enable again exactly those this thread disabled.
void ModalGuardSet(BOOL on);
// MessageBoxA's result (0 when no box was shown).
int MessageDialog(const char* caption, const char* text, UINT flags = 0);
