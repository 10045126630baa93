// Closing numbered windows, one or all, and what goes with them (class, number
// property, accelerator table, record, event data); opening a number already in
// use, failed creation, opening without memory, and a thousand windows opened
// and closed that leave nothing behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "runtime/memory/heaps.h"
#include "runtime/window/window.h"
#include "tests/support/win_test.h"
#include "tests/window/window_test_support.h"

namespace {

bool ClassRegistered(const std::string& name) {
  WNDCLASSA info;
  return GetClassInfoA(GetModuleHandleA(0), name.c_str(), &info) != 0;
}

TEST(WindowClose, OpeningAUsedNumberClosesTheFirstWindowAndItsClassFirst) {
  ASSERT_NE(WindowOpen(3, 10, 10, 100, 50, "first"), 0);
  HWND first = WindowHandle(3);
  // Mark the class: a class that survived would keep this background. A class
  // can only go once its window has gone, so a fresh class shows both.
  SetClassLongA(first, GCL_HBRBACKGROUND, COLOR_WINDOW + 1);
  ASSERT_NE(WindowOpen(3, 10, 10, 100, 50, "second"), 0);
  HWND second = WindowHandle(3);
  EXPECT_FALSE(IsWindow(first));
  EXPECT_EQ(GetClassLongA(second, GCL_HBRBACKGROUND), (DWORD)(COLOR_BTNFACE + 1));
  char title[16] = "";
  GetWindowTextA(WindowHandle(3), title, sizeof title);
  EXPECT_STREQ(title, "second");
  WindowClose(3);
  EXPECT_FALSE(ClassRegistered("WindowClass_3"));
  DrainEvents();
}

TEST(WindowClose, AutomaticNumbersUseTheIdentityForClassPropertyAndLookup) {
  ObjectNumber a = WindowOpen(AUTO_NUMBER, 10, 10, 100, 50, "auto");
  ObjectNumber b = WindowOpen(AUTO_NUMBER, 20, 20, 100, 50, "auto");
  ASSERT_NE(a, 0);
  ASSERT_NE(b, 0);
  EXPECT_NE(a, b);
  HWND w = WindowHandle(a);
  ASSERT_TRUE(IsWindow(w));
  EXPECT_NE((ObjectNumber)w, a) << "an automatic window answers its identity, not its handle";
  EXPECT_EQ(ObjectTableFind(WindowTable, a), (void*)a);
  EXPECT_EQ(ClassOf(w), "WindowClass_" + std::to_string((long)a));
  EXPECT_EQ(GetPropA(w, "Kel_WindowID"), (HANDLE)(a + 1));
  WindowClose(a);
  EXPECT_FALSE(IsWindow(w));
  EXPECT_FALSE(ClassRegistered("WindowClass_" + std::to_string((long)a)));
  EXPECT_EQ(WindowHandle(a), nullptr);
  EXPECT_NE(WindowHandle(b), nullptr);
  WindowClose(b);
  DrainEvents();
}

TEST(WindowClose, ClosingAnOwnedWindowActivatesItsOwnerFirst) {
  TestWindow owner(12, 10, 10, 200, 100);
  ASSERT_NE(WindowOpen(13, 50, 50, 100, 50, "owned", WINDOW_DEFAULT_FLAGS, owner.handle()), 0);
  HWND owned = WindowHandle(13);
  SetActiveWindow(owned);
  ASSERT_EQ(GetActiveWindow(), owned);
  MessageWatch watch;
  WindowClose(13);
  EXPECT_EQ(GetActiveWindow(), owner.handle());
  int activated = -1;
  for (size_t i = 0; i < watch.seen().size(); i++) {
    const SeenMessage& m = watch.seen()[i];
    if (m.window == owner.handle() && m.message == WM_ACTIVATE && LOWORD(m.wParam)) {
      activated = (int)i;
      break;
    }
  }
  int destroyed = watch.Find(owned, WM_DESTROY);
  ASSERT_GE(activated, 0);
  ASSERT_GE(destroyed, 0);
  EXPECT_LT(activated, destroyed);
}

TEST(WindowClose, CloseAllGoesByAscendingNumberThenOldestAutomaticFirst) {
  ASSERT_NE(WindowOpen(5, 0, 0, 50, 30, "5"), 0);
  ObjectNumber autoOld = WindowOpen(AUTO_NUMBER, 0, 0, 50, 30, "a1");
  ASSERT_NE(WindowOpen(2, 0, 0, 50, 30, "2"), 0);
  ObjectNumber autoNew = WindowOpen(AUTO_NUMBER, 0, 0, 50, 30, "a2");
  ASSERT_NE(WindowOpen(14, 0, 0, 50, 30, "14"), 0);
  ASSERT_NE(WindowOpen(0, 0, 0, 50, 30, "0"), 0);
  const HWND expected[] = {WindowHandle(0), WindowHandle(2), WindowHandle(5), WindowHandle(14),
                           WindowHandle(autoOld), WindowHandle(autoNew)};
  void** data = (void**)HeapAllocate(MainHeap, HEAP_ZERO_MEMORY, 12);
  SendMessageA(expected[0], EVENT_DATA_WINDOW, 0, (LPARAM)data);
  ASSERT_EQ(Events->eventData, (void*)data);
  MessageWatch watch;
  WindowCloseAll();
  EXPECT_EQ(Events->eventData, nullptr) << "the last event's data goes too";
  // (The system may destroy windows of its own, such as the input method's, as well.)
  std::vector<HWND> order;
  for (const SeenMessage& m : watch.seen())
    if (m.message == WM_DESTROY && std::find(expected, expected + 6, m.window) != expected + 6)
      order.push_back(m.window);
  ASSERT_EQ(order.size(), 6u);
  for (size_t i = 0; i < 6; i++) EXPECT_EQ(order[i], expected[i]) << "closed as number " << i;
  for (HWND w : expected) EXPECT_FALSE(IsWindow(w));
  EXPECT_EQ(WindowHandle(autoOld), nullptr);
  DrainEvents();
}

TEST(WindowClose, NumbersThatAreNotOpenAnswerNothingAndCloseNothing) {
  TestWindow open(1, 10, 10, 80, 40);
  const ObjectNumber strangers[] = {0, 9, 15, 16, 100000, -1, -5, (ObjectNumber)0x12345678, open.number() + 1};
  for (ObjectNumber n : strangers) {
    EXPECT_EQ(WindowHandle(n), nullptr) << n;
    WindowClose(n);
  }
  EXPECT_TRUE(IsWindow(open.handle()));
  EXPECT_EQ(WindowOpen(-5, 0, 0, 10, 10, "bad"), 0) << "numbers below -1 are refused";
}

// Opening a window whose creation fails leaves no class and no record.
TEST(WindowClose, FailedCreationUnregistersTheClassAndFreesTheNumber) {
  ASSERT_EQ(WindowOpen(15, 0, 0, 50, 30, "orphan", WINDOW_DEFAULT_FLAGS, (HWND)(UINT_PTR)0x7FFF0), 0);
  EXPECT_EQ(WindowHandle(15), nullptr);
  EXPECT_FALSE(ClassRegistered("WindowClass_15"));
}

TEST(WindowClose, WithoutMemoryForAnAutomaticRecordNothingIsMade) {
  int before = ThreadWindowCount();
  HANDLE list = ListHeap;
  ListHeap = 0;  // the automatic record's node cannot be allocated
  ObjectNumber r = WindowOpen(AUTO_NUMBER, 0, 0, 50, 30, "none");
  ListHeap = list;
  EXPECT_EQ(r, 0);
  EXPECT_EQ(ThreadWindowCount(), before);
}

TEST(WindowClose, WithoutMemoryForTheAcceleratorsTheWindowStillOpens) {
  HANDLE heap = MainHeap;
  MainHeap = 0;
  ObjectNumber r = WindowOpen(6, 0, 0, 50, 30, "no keys");
  MainHeap = heap;
  ASSERT_NE(r, 0);
  WindowRecord* record = (WindowRecord*)ObjectTableFind(WindowTable, 6);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->accelerators, nullptr);
  EXPECT_EQ(record->acceleratorTable, nullptr);
  EXPECT_EQ(ActiveAccelerators(record->handle), nullptr);
  WindowClose(6);
  EXPECT_FALSE(ClassRegistered("WindowClass_6"));
  DrainEvents();
}

// A thousand windows opened and closed leave nothing behind.
TEST(WindowClose, OpeningAndClosingManyWindowsLeaksNothing) {
  // Warm up: the first automatic number grows the table's identity index once.
  WindowClose(WindowOpen(AUTO_NUMBER, 0, 0, 50, 30, "w"));
  DrainEvents();
  SIZE_T heapBefore = MainHeapUsed();
  int windowsBefore = ThreadWindowCount();
  std::vector<HACCEL> tables;
  std::vector<std::string> classes;
  int propertiesLeft = 0;
  for (int i = 0; i < 1000; i++) {
    ObjectNumber n = (i % 2) ? AUTO_NUMBER : (ObjectNumber)(i % 16);
    ObjectNumber r = WindowOpen(n, 0, 0, 60, 30, "w", WINDOW_DEFAULT_FLAGS | ((i % 3) ? WINDOW_INVISIBLE : 0));
    ASSERT_NE(r, 0) << "window " << i;
    if (n == AUTO_NUMBER) n = r;
    WindowRecord* record = (WindowRecord*)ObjectTableFind(WindowTable, n);
    ASSERT_NE(record, nullptr);
    ASSERT_NE(record->acceleratorTable, nullptr);
    tables.push_back(record->acceleratorTable);
    classes.push_back(ClassOf(record->handle));
    HWND w = record->handle;
    MessageWatch watch;  // the property must be gone when the window is destroyed
    WindowClose(n);
    for (const SeenMessage& m : watch.seen())
      if (m.window == w && m.message == WM_DESTROY && m.windowId) propertiesLeft++;
    if (i % 50 == 0) DrainEvents();
  }
  DrainEvents();
  EXPECT_EQ(propertiesLeft, 0);
  int classesLeft = 0, tablesLeft = 0;
  for (const std::string& c : classes) classesLeft += ClassRegistered(c);
  for (HACCEL t : tables) tablesLeft += CopyAcceleratorTableA(t, nullptr, 0) != 0;
  EXPECT_EQ(classesLeft, 0);
  EXPECT_EQ(tablesLeft, 0);
  EXPECT_EQ(ThreadWindowCount(), windowsBefore);
  EXPECT_EQ(MainHeapUsed(), heapBefore);
}

}  // namespace
