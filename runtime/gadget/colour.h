// Text and background colours of labels and fields, with one shared solid
// brush per background colour.
#pragma once
#include "runtime/gadget/gadget.h"

const LONG COLOUR_TEXT = 1;
const LONG COLOUR_BACK = 2;

extern CRITICAL_SECTION BrushCacheLock;
// Set by GadgetInit once the lock exists; until then the cache gives no brushes.
extern bool BrushCacheReady;
extern ListNode* BrushCache;

struct BrushNode {
  COLORREF colour;
  HBRUSH brush;
  LONG refs;
};

void ColourSet(GadgetRecord* record, LONG kind, LONG colour);
LONG ColourGet(GadgetRecord* record, LONG kind);
void ColourCleanup(GadgetRecord* record);
LRESULT TextLabelColourHandler(GadgetRecord* record, HWND window, UINT message, WPARAM dc, LPARAM lParam);
LRESULT TextFieldColourHandler(GadgetRecord* record, HWND window, UINT message, WPARAM dc, LPARAM lParam);
HBRUSH BrushCacheAcquire(COLORREF colour);
void BrushCacheRelease(HBRUSH brush);
