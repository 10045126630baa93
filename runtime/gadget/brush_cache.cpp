// The brush cache of brush_cache.h.
#include "runtime/gadget/brush_cache.h"

#include "runtime/memory/node_list.h"

struct BrushNode {
  COLORREF colour;
  HBRUSH brush;
  LONG refs;    // gadgets that hold the brush
};

ListNode* BrushCache;
// Everything runs on the GUI thread, but the cache is shared by every window's
// gadgets and both operations may be called from any thread; hence the lock.
static CRITICAL_SECTION BrushCacheLock;
static bool BrushCacheReady;

void BrushCacheInit() {
  InitializeCriticalSection(&BrushCacheLock);
  BrushCacheReady = true;
}

HBRUSH BrushCacheAcquire(COLORREF colour) {
  if (!BrushCacheReady) return 0;
  HBRUSH brush = 0;
  EnterCriticalSection(&BrushCacheLock);
  for (ListNode* node = BrushCache; node; node = node->next) {
    BrushNode* entry = (BrushNode*)NodePayload(node);
    if (entry->colour == colour) {
      entry->refs++;
      brush = entry->brush;
      break;
    }
  }
  if (!brush) {
    // Only a brush that exists is cached, so a failure now is not repeated
    // for every later gadget of the colour.
    brush = CreateSolidBrush(colour);
    if (brush) {
      BrushNode* entry = (BrushNode*)NodeListInsert(&BrushCache, sizeof(BrushNode));
      if (entry) {
        entry->colour = colour;
        entry->brush = brush;
        entry->refs = 1;
      } else {
        DeleteObject(brush);
        brush = 0;
      }
    }
  }
  LeaveCriticalSection(&BrushCacheLock);
  return brush;
}

void BrushCacheRelease(HBRUSH brush) {
  if (!BrushCacheReady || !brush) return;
  EnterCriticalSection(&BrushCacheLock);
  for (ListNode* node = BrushCache; node; node = node->next) {
    BrushNode* entry = (BrushNode*)NodePayload(node);
    if (entry->brush == brush) {
      if (--entry->refs <= 0) {
        DeleteObject(brush);
        NodeListRemove(&BrushCache, entry);
      }
      break;
    }
  }
  LeaveCriticalSection(&BrushCacheLock);
}
