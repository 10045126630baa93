// The dialog owner, modal guard and message box of modal.h.
#include "runtime/system/modal.h"

#include "runtime/text/code_pages.h"

// ---- owner -------------------------------------------------------------------

HWND DialogOwner() {
  HWND w = GetForegroundWindow();
  if (!w) return 0;
  DWORD processId = 0;
  GetWindowThreadProcessId(w, &processId);
  if (processId != GetCurrentProcessId()) return 0;
  return w;
}

// ---- guard -------------------------------------------------------------------

// Newest first: one node for each window the guard holds disabled, tagged
// with the thread that disabled it.
ListNode* ModalGuard;

// Only list surgery happens under the lock; EnableWindow sends messages
// and runs outside it, so a window procedure that shows a dialog of its own
// while being enabled or disabled cannot deadlock.
static SRWLOCK guardLock = SRWLOCK_INIT;

static BOOL CALLBACK DisableOne(HWND w, LPARAM) {
  DWORD self = GetCurrentThreadId();
  if (GetWindowThreadProcessId(w, 0) != self) return TRUE;
  if (!IsWindowVisible(w) || !IsWindowEnabled(w)) return TRUE;
  // Asked afresh for each window: the foreground can change during the walk.
  if (w == GetForegroundWindow()) return TRUE;
  // The node comes first: a window is disabled only when something is
  // there to enable it again. Without a node it stays usable.
  AcquireSRWLockExclusive(&guardLock);
  DisabledWindow* entry = (DisabledWindow*)NodeListInsert(&ModalGuard, sizeof(DisabledWindow));
  if (entry) {
    entry->threadId = self;
    entry->window = w;
  }
  ReleaseSRWLockExclusive(&guardLock);
  if (entry) EnableWindow(w, FALSE);
  return TRUE;
}

// Unlinks the newest node of this thread; its window, or null when the
// thread has none left.
static HWND TakeOne(DWORD self) {
  HWND window = 0;
  AcquireSRWLockExclusive(&guardLock);
  for (ListNode* node = ModalGuard; node; node = node->next) {
    DisabledWindow* entry = (DisabledWindow*)NodePayload(node);
    if (entry->threadId == self) {
      window = entry->window;
      NodeListRemove(&ModalGuard, entry);
      break;
    }
  }
  ReleaseSRWLockExclusive(&guardLock);
  return window;
}

void ModalGuardSet(BOOL on) {
  if (on) {
    // on rides along as the enumeration's parameter; the visit has no use for it.
    EnumWindows(DisableOne, (LPARAM)on);
    return;
  }
  // Head to tail, one node at a time, so the walk never holds a node that
  // another thread could free meanwhile.
  DWORD self = GetCurrentThreadId();
  while (HWND w = TakeOne(self)) EnableWindow(w, TRUE);
}

// ---- message box -------------------------------------------------------------

void ModalFocusGiveBack(HWND focus) {
  // A control of the active window only: a focus given elsewhere would
  // activate another window.
  if (focus && IsWindow(focus) && IsWindowEnabled(focus) && GetActiveWindow() == GetParent(focus)) SetFocus(focus);
}

static int ShowWide(ProgramText caption, const wchar_t* text, UINT flags) {
  ModalGuardScope guard;
  // The owner is chosen once the guard is up, so it is never one of the
  // windows the guard has just disabled (the foreground window is spared).
  // The caption is the program's own, Windows-1250, shown as UTF-16 whatever
  // the system's code page.
  return MessageBoxW(DialogOwner(), text, WideText(caption), flags);
}

int MessageDialog(ProgramText caption, ProgramText text, UINT flags) {
  return ShowWide(caption, WideText(text), flags);
}

int BoxDialog(ProgramText caption, BoxText text, UINT flags) { return ShowWide(caption, text.Wide(), flags); }
