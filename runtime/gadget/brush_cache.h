// The brush cache, which shares one solid brush among all gadgets of one
// background colour (colour.h). Below the gadget framework, which makes its
// lock at start-up: it knows colours and brushes, not gadgets.
#pragma once
#include "runtime/common.h"
#include "runtime/memory/node_list.h"

// The cached brushes, newest first (a NodeList of entries of brush_cache.cpp).
extern ListNode* BrushCache;

// Makes the cache's lock; run once by GadgetInit. Until then the cache gives no brushes.
void BrushCacheInit();
// The cached brush of colour, made at its first use; null when it cannot be made.
HBRUSH BrushCacheAcquire(COLORREF colour);
// Gives back a brush of BrushCacheAcquire; the last gadget's release deletes it.
void BrushCacheRelease(HBRUSH brush);
