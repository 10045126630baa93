// The heaps (and the instance handle beside the MainHeap), the allocation door
// every part of the runtime goes through (with the test builds' allocation
// faults), and the one-per-module records.
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

void ListHeapDestroy() {
  if (ListHeap) HeapDestroy(ListHeap);
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
#else
static inline bool AllocFails() { return false; }
#endif

void* HeapAllocate(HANDLE heap, DWORD flags, SIZE_T size) {
  if (!heap || AllocFails()) return 0;
  return HeapAlloc(heap, flags, size);
}

void* HeapReallocate(HANDLE heap, DWORD flags, void* block, SIZE_T size) {
  if (!heap || AllocFails()) return 0;
  return HeapReAlloc(heap, flags, block, size);
}

void HeapRelease(HANDLE heap, void* block) {
  if (heap && block) HeapFree(heap, 0, block);
}

void* RecordNew(size_t size, RecordInitHook initHook) {
  void* record = HeapAllocate(MainHeap, HEAP_ZERO_MEMORY, size);
  if (record && initHook) initHook(record);
  return record;
}
