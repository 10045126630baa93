// Text and background colours of labels and fields (the colour slots and the
// class message handlers that paint with them), with one shared solid brush
// per background colour: the brush cache. All in colour.cpp.
#pragma once
#include "runtime/gadget/gadget.h"

const LONG COLOUR_TEXT = 1;
const LONG COLOUR_BACK = 2;

// The cached brushes, newest first (a NodeList of entries of colour.cpp).
extern ListNode* BrushCache;

void ColourSet(GadgetRecord* record, LONG kind, LONG colour);
LONG ColourGet(GadgetRecord* record, LONG kind);
void ColourCleanup(GadgetRecord* record);
LRESULT TextLabelColourHandler(GadgetRecord* record, HWND window, UINT message, WPARAM dc, LPARAM lParam);
LRESULT TextFieldColourHandler(GadgetRecord* record, HWND window, UINT message, WPARAM dc, LPARAM lParam);
// Makes the cache's lock; run once by GadgetInit. Until then the cache gives no brushes.
void BrushCacheInit();
HBRUSH BrushCacheAcquire(COLORREF colour);
void BrushCacheRelease(HBRUSH brush);
