#include "runtime/gadget/gadget.h"
#include "runtime/window/window_internal.h"

void EventCommand(EventState* state, HWND window, WPARAM wParam, LPARAM lParam) {
  if (GadgetForwardMessage((HWND)lParam, window, WM_COMMAND, wParam, lParam) != NOT_HANDLED) return;
  if (lParam) {
    // From a control: its identifier is the gadget's number (or identity).
    LONG id = GetWindowLongA((HWND)lParam, GWL_ID);
    if (id == MENU_CONTROL_ID) {
      state->code = EVENT_MENU;
      state->source = LOWORD(wParam);
    } else {
      state->code = EVENT_GADGET;
      state->type = HIWORD(wParam);
      state->source = id;
    }
  } else if (HIWORD(wParam) == 0) {
    state->code = EVENT_MENU;
    state->source = (ObjectNumber)wParam;
  } else if (LOWORD(wParam) == CMD_NEXT_CONTROL) {
    FocusTraverse(FALSE);
  } else if (LOWORD(wParam) == CMD_PREVIOUS_CONTROL) {
    FocusTraverse(TRUE);
  } else {
    state->code = EVENT_MENU;
    state->source = LOWORD(wParam);
  }
}
