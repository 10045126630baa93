// Keyboard focus traversal: what the Tab and Shift+Tab accelerators of every
// runtime window do (FocusTraverse).
#include <string.h>

#include "runtime/window/events.h"

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
  if (step->takeNext) {
    SetFocus(control);
    step->takeNext = false;
    return FALSE;
  }
  if (!step->current) {
    SetFocus(control);
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
  char className[51] = "";
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
