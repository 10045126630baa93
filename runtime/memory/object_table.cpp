// The object tables of object_table.h, with the index that tells which identities are live.
#include "runtime/memory/object_table.h"

#include "runtime/memory/heaps.h"

// ---- index of live identities ---------------------------------------------------
// Open addressing with linear probing and backward-shift deletion; 0 is empty.

static LONG IdentityHome(uintptr_t key, LONG capacity) {
  return (LONG)(((key >> 3) * 2654435761u) & (uintptr_t)(capacity - 1));
}

static LONG IdentitySlot(const ObjectTable* table, uintptr_t key) {
  if (!table->identityCapacity) return -1;
  LONG mask = table->identityCapacity - 1;
  for (LONG i = IdentityHome(key, table->identityCapacity);; i = (i + 1) & mask) {
    if (table->identities[i] == key) return i;
    if (table->identities[i] == 0) return -1;
  }
}

static void IdentityPut(uintptr_t* identities, LONG capacity, uintptr_t key) {
  LONG mask = capacity - 1;
  LONG i = IdentityHome(key, capacity);
  while (identities[i]) i = (i + 1) & mask;
  identities[i] = key;
}

static bool IdentityAdd(ObjectTable* table, uintptr_t key) {
  if ((table->identityCount + 1) * 2 > table->identityCapacity) {
    LONG capacity = table->identityCapacity ? table->identityCapacity * 2 : 16;
    uintptr_t* grown = (uintptr_t*)HeapAllocate(MainHeap, HEAP_ZERO_MEMORY, capacity * sizeof(uintptr_t));
    if (!grown) return false;
    for (LONG i = 0; i < table->identityCapacity; i++)
      if (table->identities[i]) IdentityPut(grown, capacity, table->identities[i]);
    HeapRelease(MainHeap, table->identities);
    table->identities = grown;
    table->identityCapacity = capacity;
  }
  IdentityPut(table->identities, table->identityCapacity, key);
  table->identityCount++;
  if (table->identityCount == 1 || key < table->lowestIdentity) table->lowestIdentity = key;
  return true;
}

static void IdentityRemove(ObjectTable* table, LONG i) {
  uintptr_t key = table->identities[i];
  LONG mask = table->identityCapacity - 1;
  table->identities[i] = 0;
  // Shift back the entries of the probe run that follows, so no search stops early.
  for (LONG j = (i + 1) & mask; table->identities[j]; j = (j + 1) & mask) {
    LONG home = IdentityHome(table->identities[j], table->identityCapacity);
    // Whether home lies in the run from just after i round to j: counted
    // modulo the capacity, home is fewer steps past i + 1 than j is past i.
    bool between = ((home - i - 1) & mask) < ((j - i) & mask);
    if (!between) {
      table->identities[i] = table->identities[j];
      table->identities[j] = 0;
      i = j;
    }
  }
  table->identityCount--;
  if (key == table->lowestIdentity) table->lowestIdentity = 0;
}

static uintptr_t LowestIdentity(ObjectTable* table) {
  if (!table->identityCount) return 0;
  if (!table->lowestIdentity) {
    uintptr_t lowest = ~(uintptr_t)0;
    for (LONG i = 0; i < table->identityCapacity; i++)
      if (table->identities[i] && table->identities[i] < lowest) lowest = table->identities[i];
    table->lowestIdentity = lowest;
  }
  return table->lowestIdentity;
}

static bool IsSlot(const ObjectTable* table, ObjectNumber value) {
  return value >= 0 && value < table->capacity;
}

// ---- table -------------------------------------------------------------------------

ObjectTable* ObjectTableNew(LONG recordSize, LONG growStep, ObjectReleaseHook releaseHook) {
  if (recordSize < (LONG)sizeof(void*) || growStep < 1) return 0;
  ObjectTable* table = (ObjectTable*)HeapAllocate(MainHeap, HEAP_ZERO_MEMORY, sizeof(ObjectTable));
  if (!table) return 0;
  table->slots = (BYTE*)HeapAllocate(MainHeap, HEAP_ZERO_MEMORY, (SIZE_T)recordSize * growStep);
  if (!table->slots) {
    HeapRelease(MainHeap, table);
    return 0;
  }
  table->recordSize = recordSize;
  table->growStep = growStep;
  table->capacity = growStep;
  table->releaseHook = releaseHook;
  return table;
}

static bool Grow(ObjectTable* table, ObjectNumber number) {
  // Checked before the sum is formed, so that it cannot overflow.
  if (number > (ObjectNumber)(0x7FFFFFFF / table->recordSize) - table->growStep) return false;
  ObjectNumber capacity = number + table->growStep;
  uintptr_t lowest = LowestIdentity(table);
  if (lowest && (uintptr_t)capacity > lowest) return false;
  BYTE* grown = (BYTE*)HeapReallocate(MainHeap, HEAP_ZERO_MEMORY, table->slots,
                                      (SIZE_T)capacity * table->recordSize);
  if (!grown) return false;
  table->slots = grown;
  table->capacity = (LONG)capacity;
  return true;
}

void* ObjectTableClaim(ObjectTable* table, ObjectNumber number) {
  if (!table) return 0;
  if (number == AUTO_NUMBER) {
    void* record = NodeListInsert(&table->autoList, table->recordSize);
    if (!record) return 0;
    uintptr_t identity = (uintptr_t)record;
    if (identity < (uintptr_t)table->capacity || !IdentityAdd(table, identity)) {
      NodeListRemove(&table->autoList, record);
      return 0;
    }
    return record;
  }
  if (number < 0) return 0;
  if (number >= table->capacity && !Grow(table, number)) return 0;
  // The hook closes whatever holds the number, which empties the slot.
  if (table->releaseHook) table->releaseHook(number);
  BYTE* slot = table->slots + (SIZE_T)number * table->recordSize;
  ZeroMemory(slot, table->recordSize);
  return slot;
}

void* ObjectTableFind(ObjectTable* table, ObjectNumber value) {
  if (!table) return 0;
  void* record;
  if (IsSlot(table, value)) {
    record = table->slots + (SIZE_T)value * table->recordSize;
  } else {
    if (IdentitySlot(table, (uintptr_t)value) < 0) return 0;
    record = (void*)value;
  }
  return *(void**)record ? record : 0;
}

void ObjectTableRelease(ObjectTable* table, ObjectNumber value) {
  if (!table) return;
  if (IsSlot(table, value)) {
    ZeroMemory(table->slots + (SIZE_T)value * table->recordSize, table->recordSize);
    return;
  }
  LONG i = IdentitySlot(table, (uintptr_t)value);
  if (i < 0) return;
  IdentityRemove(table, i);
  if (table->enumCursor == NodeOf((void*)value)) table->enumCursor = table->enumCursor->previous;
  NodeListRemove(&table->autoList, (void*)value);
}

void ObjectTableEnumStart(ObjectTable* table) {
  if (!table) return;
  table->enumIndex = 0;
  ListNode* node = table->autoList;
  while (node && node->next) node = node->next;
  table->enumCursor = node;
}

void* ObjectTableEnumNext(ObjectTable* table, ObjectNumber* number) {
  if (!table) return 0;
  while (table->enumIndex >= 0 && table->enumIndex < table->capacity) {
    LONG i = table->enumIndex++;
    BYTE* slot = table->slots + (SIZE_T)i * table->recordSize;
    if (*(void**)slot) {
      if (number) *number = i;
      return slot;
    }
  }
  if (table->enumCursor) {
    void* record = NodePayload(table->enumCursor);
    table->enumCursor = table->enumCursor->previous;
    if (number) *number = ObjectIdentity(record);
    return record;
  }
  return 0;
}
