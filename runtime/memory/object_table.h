// Tables of numbered objects (windows, gadgets, fonts): a growable array of
// fixed-size records indexed by number, plus automatically numbered records
// whose identity is their address. The first pointer-sized field of every
// record is its in-use marker (the native handle).
#pragma once
#include "runtime/common.h"
#include "runtime/memory/node_list.h"

typedef void (*ObjectReleaseHook)(ObjectNumber number);

struct ObjectTable {
  LONG recordSize;
  LONG growStep;              // slots added beyond a number that does not fit; also the first capacity
  LONG capacity;
  ListNode* autoList;         // automatically numbered records, newest first
  ObjectReleaseHook releaseHook;  // called before a numbered slot is handed out
  LONG enumIndex;
  ListNode* enumCursor;
  BYTE* slots;
  // Index of live identities, so that a value that was never issued (or was
  // released) is never used as an address: open addressing, power of two.
  uintptr_t* identities;
  LONG identityCapacity;
  LONG identityCount;
  // Lowest live identity (0 when unknown): slot indexes and identities never
  // overlap, so growth stops short of it.
  uintptr_t lowestIdentity;
};

// Null when the table or its first slots cannot be allocated; every operation
// accepts a null table and then finds nothing and claims nothing.
ObjectTable* ObjectTableNew(LONG recordSize, LONG growStep, ObjectReleaseHook releaseHook);
// The zero-filled record to fill for number (AUTO_NUMBER: a new automatic
// record, whose address is its identity); null when memory runs out or the
// number is below -1.
void* ObjectTableClaim(ObjectTable* table, ObjectNumber number);
// The record in use under a number or identity, or null.
void* ObjectTableFind(ObjectTable* table, ObjectNumber numberOrIdentity);
void ObjectTableRelease(ObjectTable* table, ObjectNumber numberOrIdentity);
// Numbered entries by ascending number, then automatic ones oldest first; the
// entry just returned may be released before the next call.
void ObjectTableEnumStart(ObjectTable* table);
void* ObjectTableEnumNext(ObjectTable* table, ObjectNumber* number);

inline ObjectNumber ObjectIdentity(void* record) { return (ObjectNumber)(uintptr_t)record; }
