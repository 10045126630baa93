// Intrusive doubly linked lists whose nodes live on the ListHeap. A list is
// one head pointer; new nodes go at the head, so it runs newest to oldest.
#pragma once
#include "runtime/common.h"

struct ListNode {
  ListNode* next;      // next older node, towards the tail
  ListNode* previous;  // next newer node, towards the head
  // the caller's payload follows
};

inline void* NodePayload(ListNode* node) { return node + 1; }
inline ListNode* NodeOf(void* payload) { return (ListNode*)payload - 1; }

// Adds a zero-filled node at the head; the payload's address, or null when
// the node cannot be allocated (the list is then unchanged).
void* NodeListInsert(ListNode** head, size_t payloadSize);
// Unlinks the node that carries the payload and frees it.
void NodeListRemove(ListNode** head, void* payload);
