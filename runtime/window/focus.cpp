// The keyboard in a runtime window: Tab and Shift+Tab (FocusTraverse, the
// accelerators of every runtime window), and Enter, which presses the focused
// push button or else the window's default one, whose frame follows the focus.
// Outside a dialog the system does neither: a push button ignores Enter, and
// BS_DEFPUSHBUTTON is only a frame.
#include <string.h>

#include "runtime/gadget/gadget_classes.h"
#include "runtime/window/events.h"
#include "runtime/window/sizing.h"

struct FocusStep {
  HWND current;
  HWND previous;
  bool takeNext;
  bool done;
};

static bool Eligible(HWND control) {
  return IsWindowEnabled(control) && IsWindowVisible(control) && (GetWindowLongW(control, GWL_STYLE) & WS_TABSTOP);
}

static BOOL CALLBACK StepForward(HWND control, LPARAM context) {
  FocusStep* step = (FocusStep*)context;
  if (!Eligible(control)) return TRUE;
  // The control after the focused one, or the first one when nothing had the focus.
  if (step->takeNext || !step->current) {
    SetFocus(control);
    step->takeNext = false;
    return FALSE;
  }
  if (control == step->current) step->takeNext = true;
  return TRUE;
}

static BOOL CALLBACK StepBackward(HWND control, LPARAM context) {
  FocusStep* step = (FocusStep*)context;
  if (!Eligible(control)) return TRUE;
  if (control == step->current && step->previous) {
    SetFocus(step->previous);
    step->done = true;
    return FALSE;
  }
  step->previous = control;
  return TRUE;
}

// Nothing in this program makes MDI children; a window that hosts them still
// gets Tab and Shift+Tab kept within the child around the focus.
static bool IsMdiChild(HWND window) {
  // Only the first character needs clearing: a name the call writes is
  // always terminated, and a failed call leaves the empty one.
  char className[51];
  className[0] = 0;
  GetClassNameA(window, className, sizeof className);
  return strcmp(className, "MDI_ChildClass") == 0;
}

// Tab and Shift+Tab: the focus moves to the next or previous tab stop of the
// active window (or of the outermost MDI child around the focus), wrapping
// round at either end.
void FocusTraverse(BOOL backward) {
  HWND root = GetActiveWindow();
  // With no active window there is nothing to move within; enumerating the
  // children of "no window" would walk every top-level window instead.
  if (!root) return;
  HWND focus = GetFocus();
  FocusStep step = {};
  if (focus && IsChild(root, focus)) {
    step.current = focus;
    for (HWND w = focus; w; w = GetParent(w)) {
      if (IsMdiChild(w)) {
        root = w;
        if (w == focus) step.current = 0;
      }
    }
  }
  if (!backward) {
    EnumChildWindows(root, StepForward, (LPARAM)&step);
    if (step.takeNext) EnumChildWindows(root, StepForward, (LPARAM)&step);
  } else {
    EnumChildWindows(root, StepBackward, (LPARAM)&step);
    if (!step.done && step.previous) SetFocus(step.previous);
  }
}

// ---- Enter and held keys ------------------------------------------------------

static HWND DefaultButtonOf(HWND window) { return (HWND)GetPropA(window, PROPERTY_DEFAULT_BUTTON); }

BOOL FocusKeyTaken(const MSG* msg) {
  if (msg->message != WM_KEYDOWN || (msg->wParam != VK_RETURN && msg->wParam != VK_SPACE)) return FALSE;
  // The sizing loop ends on Enter itself.
  if (Sizing && Sizing->active) return FALSE;
  HWND focus = GetFocus();
  HWND window = focus ? GetParent(focus) : 0;
  if (!window || !GetPropA(window, PROPERTY_WINDOW_ID)) return FALSE;
  const bool held = (msg->lParam & (1 << 30)) != 0;
  const bool button = PushButtonControl(focus);
  if (msg->wParam == VK_SPACE) {
    // A held Space reaches a button that never saw it pressed (it was pressed
    // while the window was busy): the button would take it as a new press.
    return held && button && !(SendMessageW(focus, BM_GETSTATE, 0, 0) & BST_PUSHED);
  }
  // Enter on an open list closes the list, as the list does it (the message
  // means nothing to the other gadgets, which answer 0).
  if (SendMessageW(focus, CB_GETDROPPEDSTATE, 0, 0)) return FALSE;
  HWND target = button ? focus : DefaultButtonOf(window);
  // Held down, Enter presses nothing again. The press comes as the button's
  // click, without the focus moving to it.
  if (!held && target && IsWindowEnabled(target))
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(GetWindowLongW(target, GWL_ID), BN_CLICKED), (LPARAM)target);
  return TRUE;
}

