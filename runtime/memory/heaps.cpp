// The heaps, the allocation door (with the test builds' faults and counts) and the records of heaps.h.
#include "runtime/memory/heaps.h"

// The handles start-up makes first: the module's instance handle (declared in
// runtime/common.h, for every layer) and the three heaps.
HINSTANCE InstanceHandle;
HANDLE MainHeap;
HANDLE ListHeap;
HANDLE StringHeap;

BOOL ListHeapCreate() {
  ListHeap = HeapCreate(0, 1024, 0);
  return ListHeap != 0;
}

static void ForgetLiveBytes(HANDLE heap);

void ListHeapDestroy() {
  if (ListHeap) {
    ForgetLiveBytes(ListHeap);
    HeapDestroy(ListHeap);
  }
  ListHeap = 0;
}

#ifdef ZIMBREL_ALLOC_FAULTS
static long allocCount;
static long failAt;  // absolute allocation number that fails; 0: none

void AllocFaultArm(long n) { failAt = n > 0 ? allocCount + n : 0; }
long AllocCount() { return allocCount; }

static bool AllocFails() {
  ++allocCount;
  if (failAt && allocCount == failAt) {
    failAt = 0;
    return true;
  }
  return false;
}
// Live bytes per heap; a handful of heaps at most (the three, and a test's own).
struct LiveBytes {
  HANDLE heap;
  SIZE_T bytes;
};
static LiveBytes liveBytes[8];

static LiveBytes* LiveBytesOf(HANDLE heap, bool make) {
  for (LiveBytes& entry : liveBytes)
    if (entry.heap == heap) return &entry;
  if (make)
    for (LiveBytes& entry : liveBytes)
      if (!entry.heap) {
        entry.heap = heap;
        return &entry;
      }
  return 0;
}

static SIZE_T BlockSize(HANDLE heap, void* block) {
  SIZE_T size = block ? HeapSize(heap, 0, block) : 0;
  return size == (SIZE_T)-1 ? 0 : size;
}

// Adds (or takes away) size bytes to heap's live bytes.
static void CountLive(HANDLE heap, SIZE_T size, bool add) {
  LiveBytes* entry = LiveBytesOf(heap, true);
  if (entry) entry->bytes = add ? entry->bytes + size : entry->bytes - size;
}

static void ForgetLiveBytes(HANDLE heap) {
  if (LiveBytes* entry = LiveBytesOf(heap, false)) *entry = LiveBytes();
}

SIZE_T HeapLiveBytes(HANDLE heap) {
  LiveBytes* entry = LiveBytesOf(heap, false);
  return entry ? entry->bytes : 0;
}
#else
static inline bool AllocFails() { return false; }
static inline SIZE_T BlockSize(HANDLE, void*) { return 0; }
static inline void CountLive(HANDLE, SIZE_T, bool) {}
static inline void ForgetLiveBytes(HANDLE) {}
#endif

void* HeapAllocate(HANDLE heap, DWORD flags, SIZE_T size) {
  if (!heap || AllocFails()) return 0;
  void* block = HeapAlloc(heap, flags, size);
  CountLive(heap, BlockSize(heap, block), true);
  return block;
}

void* HeapReallocate(HANDLE heap, DWORD flags, void* block, SIZE_T size) {
  if (!heap || AllocFails()) return 0;
  SIZE_T before = BlockSize(heap, block);
  void* moved = HeapReAlloc(heap, flags, block, size);
  if (moved) {
    CountLive(heap, before, false);
    CountLive(heap, BlockSize(heap, moved), true);
  }
  return moved;
}

void HeapRelease(HANDLE heap, void* block) {
  if (!heap || !block) return;
  CountLive(heap, BlockSize(heap, block), false);
  HeapFree(heap, 0, block);
}

void* RecordNew(size_t size, RecordInitHook initHook) {
  void* record = HeapAllocate(MainHeap, HEAP_ZERO_MEMORY, size);
  if (record && initHook) initHook(record);
  return record;
}
