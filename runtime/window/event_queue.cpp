#include "runtime/memory/heaps.h"
#include "runtime/window/events.h"

EventState* Events;

// A stream of equal events (moves and sizes during a drag) is kept as one
// entry while the application has not fetched it. Without memory the event
// is lost.
void PendingEventAppend(EventState* state, LONG code, ObjectNumber window) {
  if (!state) return;
  PendingEvent* newest = state->queueTail;
  if (newest && newest->code == code && newest->window == window) return;
  PendingEvent* entry = (PendingEvent*)HeapAllocate(MainHeap, 0, sizeof(PendingEvent));
  if (!entry) return;
  entry->next = 0;
  entry->code = code;
  entry->window = window;
  if (newest) newest->next = entry;
  else state->queueHead = entry;
  state->queueTail = entry;
}
