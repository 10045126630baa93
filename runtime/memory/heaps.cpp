#include "runtime/memory/heaps.h"

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
