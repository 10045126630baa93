// The runtime's three heaps and the one door through which it allocates.
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

#ifdef ZIMBREL_ALLOC_FAULTS
// Test builds only: the n-th allocation from now (1 = the next one) fails;
// 0 disarms. AllocCount tells how many allocations were asked for so far.
void AllocFaultArm(long n);
long AllocCount();
#endif
