// The string support: the StringHeap and the ring of temporary texts.
#include "runtime/memory/strings.h"

#include "runtime/memory/heaps.h"

// A ring of growable buffers: each request takes the next one, so a text stays
// valid until the ring has come round again.
static char* slots[STRING_TEMP_SLOTS];
static size_t slotRoom[STRING_TEMP_SLOTS];
static int nextSlot;

BOOL StringHeapCreate() {
  StringHeap = HeapCreate(HEAP_NO_SERIALIZE, 4096, 0);
  if (!StringHeap) return FALSE;
  slots[0] = (char*)HeapAllocate(StringHeap, HEAP_NO_SERIALIZE | HEAP_ZERO_MEMORY, 16);
  slotRoom[0] = slots[0] ? 16 : 0;
  nextSlot = 0;
  return TRUE;
}

char* StringTemp(size_t length) {
  if (length >= 0x7FFFFFF0) return 0;
  int i = nextSlot;
  nextSlot = (nextSlot + 1) % STRING_TEMP_SLOTS;
  size_t need = length + 1;
  if (slotRoom[i] < need) {
    // Grow in steps of 64 bytes so that texts of similar length reuse the buffer.
    size_t room = (need + 63) & ~(size_t)63;
    char* grown = slots[i] ? (char*)HeapReallocate(StringHeap, HEAP_NO_SERIALIZE, slots[i], room)
                           : (char*)HeapAllocate(StringHeap, HEAP_NO_SERIALIZE, room);
    if (!grown) return 0;
    slots[i] = grown;
    slotRoom[i] = room;
  }
  slots[i][0] = 0;
  return slots[i];
}

char* StringTempCopy(const char* text) {
  static char empty[1];
  if (!text) text = "";
  size_t n = lstrlenA(text);
  char* s = StringTemp(n);
  if (!s) {
    empty[0] = 0;
    return empty;
  }
  CopyMemory(s, text, n + 1);
  return s;
}
