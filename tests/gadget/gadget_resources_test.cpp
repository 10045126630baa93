// Reading texts and making and destroying many gadgets leaves nothing behind:
// no heap growth, no windows, no brushes, no records.
#include <set>

#include "runtime/gadget/colour.h"
#include "runtime/gadget/gadget_classes.h"
#include "runtime/memory/heaps.h"
#include "runtime/memory/strings.h"
#include "tests/gadget/gadget_test_support.h"
#include "tests/support/win_test.h"

namespace {

// Bytes the runtime holds on heap (see HeapLiveBytes for why not a heap walk).
SIZE_T BusyBytes(HANDLE heap) { return HeapLiveBytes(heap); }

int LiveGadgets() {
  int n = 0;
  ObjectTableEnumStart(GadgetTable);
  while (ObjectTableEnumNext(GadgetTable, nullptr)) n++;
  return n;
}

TEST(GadgetResources, ReadingATextAMillionTimesDoesNotGrowTheStringHeap) {
  ParentWindow parent;
  HWND label = (HWND)TextLabelCreate(1, 0, 0, 80, 20, "");
  // Texts of many lengths first, so that every buffer has grown as far as it will.
  std::string text;
  for (int n = 0; n <= 300; n++, text += 'x') {
    SetWindowTextA(label, text.c_str());
    ASSERT_EQ(std::string(GadgetGetText(1)), text);
  }
  // Set in UTF-16, so that the letters are the same whatever the system's code page.
  SetWindowTextW(label, L"C:\\Program Files\\Zimbrel\\végső fájl.exe");
  for (int i = 0; i < 2 * STRING_TEMP_SLOTS; i++) GadgetGetText(1);
  SIZE_T before = BusyBytes(StringHeap);
  std::set<const char*> buffers;
  for (int i = 0; i < 1000000; i++) {
    const char* got = GadgetGetText(1);
    if (buffers.size() <= (size_t)STRING_TEMP_SLOTS) buffers.insert(got);
    if (i % 100000 == 0) {
      ASSERT_STREQ(got, "C:\\Program Files\\Zimbrel\\v\xE9gs\xF5 f\xE1jl.exe");
    }
  }
  EXPECT_EQ(BusyBytes(StringHeap), before);
  EXPECT_LE(buffers.size(), (size_t)STRING_TEMP_SLOTS);
  DestroyWindow(label);
}

TEST(GadgetResources, AThousandGadgetsComeAndGoWithoutATrace) {
  // Wine's GetGuiResources answers 0 for both counts, so besides comparing
  // them (which counts on Windows) this counts directly what the layer makes:
  // the thread's windows, the brushes it was handed, the cache's entries, the
  // table's live records and the bytes in use on the heaps.
  const DWORD gdiBefore = GdiObjectCount(), userBefore = UserObjectCount();
  const int windowsBefore = ThreadWindowCount(), gadgetsBefore = LiveGadgets();
  int cachedBefore = 0;
  for (ListNode* node = BrushCache; node; node = node->next) cachedBefore++;
  std::vector<HWND> controls;
  std::set<HBRUSH> brushes;
  SIZE_T mainAfterFirstRound = 0, listAfterFirstRound = 0;
  const COLORREF colours[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(9, 9, 9), RGB(250, 250, 250)};

  for (int round = 0; round < 10; round++) {
    ParentWindow parent;
    for (int i = 0; i < 100; i++) {
      int k = round * 100 + i;
      // Numbers are reused (each create replaces the last holder) and
      // automatic identities pile up until the parent goes.
      ObjectNumber n = (k % 2) ? (ObjectNumber)(k % 7) : AUTO_NUMBER;
      ObjectNumber made[] = {TextLabelCreate(n, 0, 0, 50, 20, "label"),
                             TextFieldCreate(n == AUTO_NUMBER ? n : n + 10, 0, 0, 50, 20, "field"),
                             PushButtonCreate(n == AUTO_NUMBER ? n : n + 20, 0, 0, 50, 20, "button"),
                             DropListCreate(n == AUTO_NUMBER ? n : n + 30, 0, 0, 50, 90, k % 3 == 0 ? 2 : 0)};
      for (int c = 0; c < 4; c++) {
        ASSERT_NE(made[c], 0) << k;
        ObjectNumber gadget = n == AUTO_NUMBER ? made[c] : n + 10 * c;
        GadgetRecord* record = GadgetFind(gadget);
        ASSERT_NE(record, nullptr);
        controls.push_back(record->handle);
        if (record->ops->setColour) {
          record->ops->setColour(record, COLOUR_TEXT, colours[k % 5]);
          record->ops->setColour(record, COLOUR_BACK, colours[(k + c) % 5]);
          brushes.insert(record->backBrush);
        } else if (record->ops->addItem) {
          GadgetAddItem(gadget, -1, "item");
          GadgetSetState(gadget, 0);
        }
        GadgetSetText(gadget, "text");
        GadgetGetText(gadget);
        // Some die by their own hand, the rest with the parent or a new holder.
        if (k % 5 == 0) DestroyWindow(record->handle);
      }
    }
    DestroyWindow(parent.handle);
    if (round == 0) {
      mainAfterFirstRound = BusyBytes(MainHeap);
      listAfterFirstRound = BusyBytes(ListHeap);
    }
  }

  EXPECT_EQ(controls.size(), 4000u);
  for (HWND h : controls) ASSERT_FALSE(IsWindow(h));
  EXPECT_EQ(ThreadWindowCount(), windowsBefore);
  EXPECT_EQ(LiveGadgets(), gadgetsBefore);
  EXPECT_GE(brushes.size(), 5u);
  for (HBRUSH b : brushes) EXPECT_EQ(GetObjectType(b), 0u);
  int cachedAfter = 0;
  for (ListNode* node = BrushCache; node; node = node->next) cachedAfter++;
  EXPECT_EQ(cachedAfter, cachedBefore);
  EXPECT_EQ(BusyBytes(MainHeap), mainAfterFirstRound);
  EXPECT_EQ(BusyBytes(ListHeap), listAfterFirstRound);
  EXPECT_EQ(GdiObjectCount(), gdiBefore);
  EXPECT_EQ(UserObjectCount(), userBefore);
}

}  // namespace
