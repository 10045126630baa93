// The colour slots and class handlers of colour.h.
#include "runtime/gadget/colour.h"

// --- colour slots --------------------------------------------------------------

// One routine for both tables: the four stores they share are written once.
void ColourOpsFill(GadgetClassOps* ops, intptr_t kind,
                   LRESULT (*handler)(GadgetRecord*, HWND, UINT, WPARAM, LPARAM)) {
  ops->kind = kind;
  ops->size = sizeof(GadgetClassOps);
  ops->handleMessage = handler;
  ops->cleanup = ColourCleanup;
  ops->setColour = ColourSet;
  ops->getColour = ColourGet;
}

void ColourSet(GadgetRecord* record, LONG kind, LONG colour) {
  if (kind == COLOUR_TEXT) {
    record->textColour = colour;
  } else if (kind == COLOUR_BACK) {
    // Let go of the old brush before taking the new one, even for the same colour.
    if (record->backBrush) BrushCacheRelease(record->backBrush);
    record->backBrush = colour == -1 ? 0 : BrushCacheAcquire((COLORREF)colour);
    record->backColour = colour;
  }
  // Redrawn even when the kind named no colour and nothing changed.
  RedrawWindow(record->handle, 0, 0, RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE);
}

LONG ColourGet(GadgetRecord* record, LONG kind) {
  if (kind == COLOUR_TEXT) return record->textColour;
  if (kind == COLOUR_BACK) return record->backColour;
  return -1;
}

void ColourCleanup(GadgetRecord* record) {
  if (record->backBrush) BrushCacheRelease(record->backBrush);
  record->backBrush = 0;
}

// --- class handlers ------------------------------------------------------------
// Nothing is created while painting: the brush is the cached one or a system
// colour brush, which needs no deletion.

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
  // COLOR_BTNHIGHLIGHT, not COLOR_WINDOW: the fields' system colour (colour.h).
  // The default colour schemes of Windows and Wine make both white, so only a
  // scheme of the user's own tells them apart.
  return ApplyColours(record, (HDC)dc, COLOR_BTNHIGHLIGHT);
}
