// Drop list items, positions, selection and item data, through the generic
// operations and the class table's item slots.
#include "runtime/gadget/gadget_classes.h"
#include "tests/gadget/gadget_test_support.h"

namespace {

class DropListTest : public GadgetTest {
 protected:
  void SetUp() override {
    list = (HWND)DropListCreate(9, 0, 0, 120, 200);
    ASSERT_NE(list, nullptr);
    record = GadgetFind(9);
  }
  void TearDown() override { DestroyWindow(list); }
  std::vector<std::string> Items() {
    std::vector<std::string> items;
    for (LONG i = 0; i < DropListOps.countItems(record); i++) items.push_back(DropListOps.getItemText(record, i));
    return items;
  }
  HWND list;
  GadgetRecord* record;
};

typedef std::vector<std::string> Texts;

TEST_F(DropListTest, PositionsAppendInsertOrAddNothing) {
  EXPECT_EQ(GadgetAddItem(9, -1, "a"), 0);
  EXPECT_EQ(GadgetAddItem(9, -1, "b"), 0);
  EXPECT_EQ(GadgetAddItem(9, 0, "first"), 0);
  EXPECT_EQ(GadgetAddItem(9, 2, "middle"), 0);
  EXPECT_EQ(GadgetAddItem(9, -1, RawProgramText(nullptr)), 0);  // an empty item
  EXPECT_EQ(Items(), (Texts{"first", "a", "middle", "b", ""}));
  // Below -1, or past the end: nothing is added, and the answer is still 0.
  for (LONG position : {-2L, -100L, (LONG)0x80000000, 6L, 1000L}) EXPECT_EQ(GadgetAddItem(9, position, "no"), 0);
  EXPECT_EQ(DropListOps.countItems(record), 5);
}

TEST_F(DropListTest, SelectionByIndex) {
  EXPECT_EQ(GadgetGetState(9), -1);
  char text[16];
  for (int i = 1; i <= 11; i++) {
    wsprintfA(text, "Szint %d", i);
    GadgetAddItem(9, -1, RawProgramText(text));
  }
  GadgetSetState(9, 9);
  EXPECT_EQ(GadgetGetState(9), 9);
  EXPECT_STREQ(GadgetGetText(9), "Szint 10");
  GadgetSetState(9, 0);
  EXPECT_EQ(GadgetGetState(9), 0);
  GadgetSetState(9, -1);
  EXPECT_EQ(GadgetGetState(9), -1);
}

TEST_F(DropListTest, SetTextSelectsTheItemOfExactlyThatText) {
  for (const char* t : {"Szint 1", "Szint 10", "Jobb", "Max   "}) GadgetAddItem(9, -1, RawProgramText(t));
  // The answer is CB_SETCURSEL's: the index selected, or CB_ERR (-1) when
  // nothing is; -1 too for a text that matches no item.
  struct Step {
    const char* text;
    LONG selectedAfter;
    LONG answer;
  } steps[] = {
      {"jobb", 2, 2},             // case does not matter
      {"Szint", 2, -1},           // a prefix is not the text
      {"Szint 1", 0, 0},          // whole text, not the longer item
      {"SZINT 10", 1, 1},
      {"Max", 1, -1},             // trailing spaces are part of the text
      {"Max   ", 3, 3},
      {"nothing", 3, -1},
      {"", -1, -1},               // the empty text clears the selection: CB_SETCURSEL(-1) answers CB_ERR
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.text);
    EXPECT_EQ(GadgetSetText(9, RawProgramText(s.text)), s.answer);
    EXPECT_EQ(GadgetGetState(9), s.selectedAfter);
  }
  GadgetSetState(9, 2);
  EXPECT_EQ(GadgetSetText(9, RawProgramText(nullptr)), -1);
  EXPECT_EQ(GadgetGetState(9), -1);
}

TEST_F(DropListTest, EditableListTakesAnyTextIntoItsEditBox) {
  HWND editable = (HWND)DropListCreate(10, 0, 0, 120, 200, GADGET_FLAG_EDITABLE);
  GadgetAddItem(10, -1, "one");
  GadgetSetState(10, 0);
  EXPECT_NE(GadgetSetText(10, "typed text"), 0);
  EXPECT_STREQ(GadgetGetText(10), "typed text");
  EXPECT_EQ(WindowText(GetWindow(editable, GW_CHILD)), "typed text");
  DestroyWindow(editable);
}

TEST_F(DropListTest, ItemSlotsAndIndexesThatNameNoItem) {
  for (const char* t : {"zero", "one", "two"}) GadgetAddItem(9, -1, RawProgramText(t));
  EXPECT_NE(DropListOps.setItemData(record, 1, 0x1234), CB_ERR);
  EXPECT_EQ(DropListOps.getItemData(record, 1), 0x1234);
  for (LONG bad : {-1, 3, 1000}) {
    SCOPED_TRACE(bad);
    EXPECT_STREQ(DropListOps.getItemText(record, bad), "");
    EXPECT_EQ(DropListOps.setItemText(record, bad, RawProgramText("x")), -1);
    EXPECT_EQ(DropListOps.removeItem(record, bad), CB_ERR);
    EXPECT_EQ(DropListOps.setItemData(record, bad, 5), CB_ERR);
    EXPECT_EQ(DropListOps.getItemData(record, bad), CB_ERR);
  }
  EXPECT_EQ(Items(), (Texts{"zero", "one", "two"}));
  EXPECT_EQ(DropListOps.removeItem(record, 0), 2);  // the count left
  EXPECT_EQ(Items(), (Texts{"one", "two"}));
  DropListOps.clearItems(record);
  EXPECT_EQ(DropListOps.countItems(record), 0);
}

TEST_F(DropListTest, ReplacingAnItemsTextKeepsItsDataPositionAndSelection) {
  for (const char* t : {"zero", "one", "two"}) GadgetAddItem(9, -1, RawProgramText(t));
  for (LONG i = 0; i < 3; i++) DropListOps.setItemData(record, i, 100 + i);
  GadgetSetState(9, 1);
  EXPECT_NE(DropListOps.setItemText(record, 1, RawProgramText("ONE")), CB_ERR);
  EXPECT_NE(DropListOps.setItemText(record, 2, RawProgramText(nullptr)), CB_ERR);
  EXPECT_EQ(Items(), (Texts{"zero", "ONE", ""}));
  for (LONG i = 0; i < 3; i++) EXPECT_EQ(DropListOps.getItemData(record, i), 100 + i);
  EXPECT_EQ(GadgetGetState(9), 1);
  EXPECT_STREQ(GadgetGetText(9), "ONE");
}

TEST_F(DropListTest, LongItemTextsComeBackWhole) {
  std::string longText(3000, 'x');
  longText += "\xE1v\xE9ge";  // "ávége" in Windows-1250
  GadgetAddItem(9, -1, RawProgramText(longText.c_str()));
  EXPECT_EQ(std::string(DropListOps.getItemText(record, 0)), longText);
}

}  // namespace
