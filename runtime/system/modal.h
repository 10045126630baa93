// Modal system dialogs: the owner they get, the guard that disables the
// calling thread's other top-level windows while one is up, and the message
// box built on both. Every modal dialog of the runtime is bracketed by
// ModalGuardSet(TRUE) and ModalGuardSet(FALSE), through a ModalGuardScope.
#pragma once
#include "runtime/common.h"
#include "runtime/memory/node_list.h"
#include "runtime/text/text_kinds.h"

// Payload of a ModalGuard node.
struct DisabledWindow {
  DWORD threadId;
  HWND window;
};

// One node for each window the guard holds disabled, newest first.
extern ListNode* ModalGuard;

// The foreground window when it belongs to this process, else null.
HWND DialogOwner();
// on: disable this thread's visible, enabled, non-foreground top-level windows;
// off: enable again exactly those this thread disabled. Nesting is not
// counted: a second on finds the windows already disabled and lists nothing
// more, and the first off enables them all.
void ModalGuardSet(BOOL on);
// After a modal dialog: the control that had the keyboard focus before it
// gets it back, if its window is the active one again. Disabling a window
// (the dialog's owner, or the guard's windows) takes the focus from its
// control, and the window, activated again, does not give it back.
void ModalFocusGiveBack(HWND focus);
// The guard held by a modal dialog for the scope it is made in: made, it
// notes the control with the keyboard focus and sets the guard; gone, it
// clears the guard and gives that control its focus back (ModalFocusGiveBack).
struct ModalGuardScope {
  ModalGuardScope() : focus(GetFocus()) { ModalGuardSet(TRUE); }
  ~ModalGuardScope() {
    ModalGuardSet(FALSE);
    ModalFocusGiveBack(focus);
  }
  ModalGuardScope(const ModalGuardScope&) = delete;
  ModalGuardScope& operator=(const ModalGuardScope&) = delete;
  HWND focus;
};
// The system's message box with the caption and text (Windows-1250); its
// result (0 when no box was shown).
int MessageDialog(ProgramText caption, ProgramText text, UINT flags = 0);
// The same with a text built with a path's letters in it (text_kinds.h). A
// name of its own, not an overload: a wrong kind handed to MessageDialog is
// then still refused as the kind it is.
int BoxDialog(ProgramText caption, BoxText text, UINT flags = 0);
