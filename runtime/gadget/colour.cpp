// The colour slots of labels and fields.
#include "runtime/gadget/colour.h"

void ColourSet(GadgetRecord* record, LONG kind, LONG colour) {
  if (kind == COLOUR_TEXT) {
    record->textColour = colour;
  } else if (kind == COLOUR_BACK) {
    // Let go of the old brush before taking the new one, even for the same colour.
    if (record->backBrush) BrushCacheRelease(record->backBrush);
    record->backBrush = colour == -1 ? 0 : BrushCacheAcquire((COLORREF)colour);
    record->backColour = colour;
  }
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
