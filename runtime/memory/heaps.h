// The runtime's three heaps, the one door through which it allocates, and the
// one-per-module records (gadget list, event state, sizing state) made on the
// MainHeap. heaps.cpp also defines the InstanceHandle of runtime/common.h.
#pragma once
#include "runtime/common.h"

// MainHeap: tables, records, pending events, accelerators, dialog and
// command-line buffers; created by the application before anything else.
// ListHeap: every NodeList node. StringHeap: the string support's buffers.
extern HANDLE MainHeap;
extern HANDLE ListHeap;
extern HANDLE StringHeap;

// ListHeap: serialised, 1024 bytes to begin with, no maximum. 0 on failure.
BOOL ListHeapCreate();
void ListHeapDestroy();

// Every allocation of the runtime goes through these, so that test builds can
// make any one of them fail (see AllocFaultArm). Null heap or failure: null.
void* HeapAllocate(HANDLE heap, DWORD flags, SIZE_T size);
void* HeapReallocate(HANDLE heap, DWORD flags, void* block, SIZE_T size);
void HeapRelease(HANDLE heap, void* block);

typedef void (*RecordInitHook)(void* record);

// A zero-filled block on the MainHeap, given to initHook (if any) before it is
// returned; null when it cannot be allocated. Records are never freed one by
// one: they go with the MainHeap.
void* RecordNew(size_t size, RecordInitHook initHook);

#ifdef ZIMBREL_ALLOC_FAULTS
// Test builds only: the n-th allocation from now (1 = the next one) fails;
// 0 disarms. AllocCount tells how many allocations were asked for so far.
void AllocFaultArm(long n);
long AllocCount();
// Test builds only: the bytes of the blocks on heap that were allocated
// through this door and not yet released (HeapSize of each). A leak test
// compares these instead of walking the heap, because how a heap accounts
// for freed blocks it keeps for reuse is the heap's own affair: Wine 10's
// low-fragmentation heap, for one, keeps whole groups of them, which a
// HeapWalk reports as busy.
SIZE_T HeapLiveBytes(HANDLE heap);
#endif
