// NodeList's order from newest to oldest and its relinking on removal, and
// RecordNew's zero-filled records handed to their hook (the other small
// allocator of the memory library, made on the MainHeap).
#include <gtest/gtest.h>

#include "runtime/memory/heaps.h"
#include "runtime/memory/node_list.h"

namespace {

struct Payload {
  int value;
  char bytes[28];
};

TEST(NodeList, InsertsAtHeadAndRelinksOnRemove) {
  ListNode* head = nullptr;
  Payload* first = (Payload*)NodeListInsert(&head, sizeof(Payload));
  Payload* second = (Payload*)NodeListInsert(&head, sizeof(Payload));
  Payload* third = (Payload*)NodeListInsert(&head, sizeof(Payload));
  ASSERT_TRUE(first && second && third);
  // Newest at the head, oldest at the tail.
  EXPECT_EQ(NodePayload(head), third);
  EXPECT_EQ(NodePayload(head->next), second);
  EXPECT_EQ(NodePayload(head->next->next), first);
  EXPECT_EQ(head->next->next->next, nullptr);
  EXPECT_EQ(head->previous, nullptr);

  // A new payload reads as zero bytes.
  for (char b : third->bytes) EXPECT_EQ(b, 0);
  EXPECT_EQ(third->value, 0);

  NodeListRemove(&head, second);  // middle
  EXPECT_EQ(NodePayload(head), third);
  EXPECT_EQ(NodePayload(head->next), first);
  EXPECT_EQ(head->next->previous, head);

  NodeListRemove(&head, first);  // tail
  EXPECT_EQ(head->next, nullptr);

  NodeListRemove(&head, third);  // the only node
  EXPECT_EQ(head, nullptr);
}

TEST(NodeListRecord, ZeroFilledAndGivenToItsHook) {
  static void* seen;
  seen = nullptr;
  int* record = (int*)RecordNew(64, [](void* r) {
    seen = r;
    ((int*)r)[1] = 7;
  });
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(seen, record);
  EXPECT_EQ(record[0], 0);
  EXPECT_EQ(record[1], 7);
  EXPECT_EQ(record[15], 0);
  EXPECT_NE(RecordNew(8, nullptr), nullptr);
}

}  // namespace
