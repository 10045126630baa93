// Painting a label or field in its own colours: the answer to the WM_CTLCOLOR
// message that the control sends its parent. Nothing is created here; the
// brush is the cached one or a system colour brush.
#include "runtime/gadget/colour.h"

static LRESULT ApplyColours(GadgetRecord* record, HDC dc, int systemColour) {
  LRESULT result = NOT_HANDLED;
  if (record->textColour != -1) {
    SetTextColor(dc, (COLORREF)record->textColour);
    if (record->backColour == -1) {
      SetBkColor(dc, GetSysColor(systemColour));
      result = (LRESULT)GetSysColorBrush(systemColour);
    }
  }
  if (record->backColour != -1) {
    SetBkColor(dc, (COLORREF)record->backColour);
    result = (LRESULT)record->backBrush;
  }
  return result;
}

LRESULT TextLabelColourHandler(GadgetRecord* record, HWND, UINT message, WPARAM dc, LPARAM) {
  if (message != WM_CTLCOLORSTATIC) return NOT_HANDLED;
  return ApplyColours(record, (HDC)dc, COLOR_BTNFACE);
}

LRESULT TextFieldColourHandler(GadgetRecord* record, HWND, UINT message, WPARAM dc, LPARAM) {
  // A read-only field paints through WM_CTLCOLORSTATIC; a disabled one keeps the system's look.
  bool paints = message == WM_CTLCOLOREDIT || (message == WM_CTLCOLORSTATIC && IsWindowEnabled(record->handle));
  if (!paints) return NOT_HANDLED;
  return ApplyColours(record, (HDC)dc, COLOR_BTNHIGHLIGHT);
}
