// Linking and unlinking NodeList nodes; the nodes are ListHeap blocks.
#include "runtime/memory/node_list.h"

#include "runtime/memory/heaps.h"

void* NodeListInsert(ListNode** head, size_t payloadSize) {
  ListNode* node = (ListNode*)HeapAllocate(ListHeap, HEAP_ZERO_MEMORY, sizeof(ListNode) + payloadSize);
  if (!node) return 0;
  if (*head) {
    (*head)->previous = node;
    node->next = *head;
  }
  *head = node;
  return NodePayload(node);
}

void NodeListRemove(ListNode** head, void* payload) {
  ListNode* node = NodeOf(payload);
  if (node == *head) {
    *head = node->next;
    if (*head) (*head)->previous = 0;
  } else {
    node->previous->next = node->next;
    if (node->next) node->next->previous = node->previous;
  }
  HeapRelease(ListHeap, node);
}
