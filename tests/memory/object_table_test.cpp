// Object tables on their own: numbered slots and their growth, the release
// hook, automatic records and their identities, the order of enumeration, and
// values that were never issued or were released.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "runtime/memory/object_table.h"

namespace {

struct Record {
  uintptr_t handle;  // in use while non-zero
  int data[2];
};

// The hook behaves as the runtime's do: it closes whatever holds the number.
ObjectTable* hooked;
std::vector<ObjectNumber> hookCalls, closed;
void CloseHook(ObjectNumber number) {
  hookCalls.push_back(number);
  if (ObjectTableFind(hooked, number)) {
    closed.push_back(number);
    ObjectTableRelease(hooked, number);
  }
}

bool AllZero(const void* p, size_t n) {
  for (size_t i = 0; i < n; i++)
    if (((const BYTE*)p)[i]) return false;
  return true;
}

std::vector<ObjectNumber> Enumerate(ObjectTable* t, bool release) {
  std::vector<ObjectNumber> seen;
  ObjectNumber n = -99;
  ObjectTableEnumStart(t);
  while (ObjectTableEnumNext(t, &n)) {
    seen.push_back(n);
    if (release) ObjectTableRelease(t, n);
  }
  return seen;
}

TEST(ObjectTable, NumberedClaimsGrowthAndTheHook) {
  ObjectTable* t = hooked = ObjectTableNew(sizeof(Record), 4, CloseHook);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->capacity, 4);
  for (ObjectNumber n = 0; n < 4; n++) EXPECT_EQ(ObjectTableFind(t, n), nullptr);
  hookCalls.clear();
  closed.clear();

  Record* zero = (Record*)ObjectTableClaim(t, 0);  // the hook is called even in an empty table
  ASSERT_EQ(zero, (Record*)t->slots);
  EXPECT_EQ(hookCalls, std::vector<ObjectNumber>{0});
  EXPECT_TRUE(closed.empty());
  *zero = {0x10, {1, 2}};

  Record* four = (Record*)ObjectTableClaim(t, 4);  // number == capacity: grows to number + step
  ASSERT_NE(four, nullptr);
  EXPECT_EQ(t->capacity, 8);
  EXPECT_TRUE(AllZero(t->slots + 4 * sizeof(Record), 4 * sizeof(Record)));
  EXPECT_EQ(((Record*)ObjectTableFind(t, 0))->data[1], 2);  // kept across the move
  four->handle = 0x40;

  Record* again = (Record*)ObjectTableClaim(t, 0);  // in use: closed first, handed out zeroed
  EXPECT_EQ(hookCalls, (std::vector<ObjectNumber>{0, 4, 0}));
  EXPECT_EQ(closed, std::vector<ObjectNumber>{0});
  EXPECT_EQ(again, (Record*)t->slots);
  EXPECT_TRUE(AllZero(again, sizeof(Record)));

  ObjectTableRelease(t, 4);
  EXPECT_EQ(ObjectTableFind(t, 4), nullptr);
  EXPECT_TRUE(AllZero(t->slots + 4 * sizeof(Record), sizeof(Record)));

  // A number whose table would pass the largest size is refused, untouched.
  EXPECT_EQ(ObjectTableClaim(t, 0x7FFFFFF0), nullptr);
  EXPECT_EQ(ObjectTableClaim(t, -2), nullptr);
  EXPECT_EQ(t->capacity, 8);
}

TEST(ObjectTable, AutomaticRecordsAndEnumerationOrder) {
  ObjectTable* t = ObjectTableNew(sizeof(Record), 8, nullptr);
  Record* a = (Record*)ObjectTableClaim(t, AUTO_NUMBER);
  ((Record*)ObjectTableClaim(t, 5))->handle = 5;
  Record* b = (Record*)ObjectTableClaim(t, AUTO_NUMBER);
  ((Record*)ObjectTableClaim(t, 1))->handle = 1;
  Record* c = (Record*)ObjectTableClaim(t, AUTO_NUMBER);  // left empty
  ASSERT_TRUE(a && b && c);
  EXPECT_TRUE(AllZero(a, sizeof(Record)));
  a->handle = b->handle = 0xA;
  ObjectNumber ia = ObjectIdentity(a), ib = ObjectIdentity(b), ic = ObjectIdentity(c);
  EXPECT_NE(ia, ib);
  for (ObjectNumber id : {ia, ib, ic}) EXPECT_TRUE(id >= t->capacity || id < -1);
  EXPECT_EQ(ObjectTableFind(t, ia), a);
  EXPECT_EQ(ObjectTableFind(t, ic), nullptr);  // not in use until its handle is set

  // Numbers ascending, then automatic records oldest first, empty ones too.
  EXPECT_EQ(Enumerate(t, false), (std::vector<ObjectNumber>{1, 5, ia, ib, ic}));

  // Releasing the record the enumeration would reach next skips it.
  ObjectNumber n;
  ObjectTableEnumStart(t);
  for (int i = 0; i < 3; i++) ObjectTableEnumNext(t, &n);
  EXPECT_EQ(n, ia);
  ObjectTableRelease(t, ib);
  EXPECT_EQ(ObjectTableEnumNext(t, &n), c);
  EXPECT_EQ(ObjectTableEnumNext(t, &n), nullptr);

  // Releasing each entry as it comes out does not disturb the walk.
  EXPECT_EQ(Enumerate(t, true), (std::vector<ObjectNumber>{1, 5, ia, ic}));
  EXPECT_TRUE(Enumerate(t, false).empty());
  EXPECT_EQ(t->autoList, nullptr);
}

TEST(ObjectTable, ForgedValuesFindNothingAndReleaseNothing) {
  ObjectTable* t = ObjectTableNew(sizeof(Record), 4, nullptr);
  ObjectTable* other = ObjectTableNew(sizeof(Record), 4, nullptr);
  Record* kept = (Record*)ObjectTableClaim(t, AUTO_NUMBER);
  Record* gone = (Record*)ObjectTableClaim(t, AUTO_NUMBER);
  Record* foreign = (Record*)ObjectTableClaim(other, AUTO_NUMBER);
  kept->handle = gone->handle = foreign->handle = 1;
  ((Record*)ObjectTableClaim(t, 2))->handle = 2;
  ObjectNumber goneId = ObjectIdentity(gone);
  ObjectTableRelease(t, goneId);
  Record stack = {7, {7, 7}};  // in use by its look, but never issued

  for (ObjectNumber forged : {(ObjectNumber)100, (ObjectNumber)-5, AUTO_NUMBER, goneId, ObjectIdentity(&stack),
                              ObjectIdentity(foreign), ObjectIdentity(kept) + 4}) {
    EXPECT_EQ(ObjectTableFind(t, forged), nullptr) << forged;
    ObjectTableRelease(t, forged);
  }
  EXPECT_EQ(t->capacity, 4);
  EXPECT_EQ(stack.handle, 7u);
  EXPECT_EQ(ObjectTableFind(t, ObjectIdentity(kept)), kept);
  EXPECT_EQ(ObjectTableFind(other, ObjectIdentity(foreign)), foreign);
  EXPECT_EQ(Enumerate(t, false), (std::vector<ObjectNumber>{2, ObjectIdentity(kept)}));
}

TEST(ObjectTable, IdentitiesStayFindableWhileOthersAreReleased) {
  ObjectTable* t = ObjectTableNew(sizeof(Record), 4, nullptr);
  std::vector<Record*> live;
  for (int i = 0; i < 300; i++) {
    live.push_back((Record*)ObjectTableClaim(t, AUTO_NUMBER));
    ASSERT_NE(live.back(), nullptr);
    live.back()->handle = i + 1;
  }
  std::mt19937 random(7);
  while (!live.empty()) {
    size_t k = random() % live.size();
    ObjectTableRelease(t, ObjectIdentity(live[k]));
    live.erase(live.begin() + k);
    for (Record* r : live) ASSERT_EQ(ObjectTableFind(t, ObjectIdentity(r)), r);
  }
  EXPECT_EQ(t->autoList, nullptr);
}

}  // namespace
