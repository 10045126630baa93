#include "runtime/memory/heaps.h"
#include "runtime/window/window_internal.h"

// The data record of events 13105 and 13106: its third field, when set,
// points to a further block that the record owns.
static const size_t DATA_RECORD_FIELDS = 3;

// Only blocks of our own heap are ever freed: the message may come from
// anywhere, and its parameter from anyone.
static bool IsMainHeapBlock(void* block, size_t atLeast) {
  if (!block || !MainHeap || !HeapValidate(MainHeap, 0, block)) return false;
  SIZE_T size = HeapSize(MainHeap, 0, block);
  return size != (SIZE_T)-1 && size >= atLeast;
}

void EventDataFree(EventState* state) {
  void** record = state ? (void**)state->eventData : 0;
  if (!record) return;
  state->eventData = 0;
  void* inner = record[DATA_RECORD_FIELDS - 1];
  if (inner && IsMainHeapBlock(inner, 1)) HeapRelease(MainHeap, inner);
  HeapRelease(MainHeap, record);
}

void EventDataAdopt(EventState* state, LPARAM data) {
  if ((void*)data == state->eventData) return;
  EventDataFree(state);
  if (IsMainHeapBlock((void*)data, DATA_RECORD_FIELDS * sizeof(void*))) state->eventData = (void*)data;
}
