#include "runtime/memory/record.h"

#include "runtime/memory/heaps.h"

void* RecordNew(size_t size, RecordInitHook initHook) {
  void* record = HeapAllocate(MainHeap, HEAP_ZERO_MEMORY, size);
  if (record && initHook) initHook(record);
  return record;
}
