// Colours of labels and fields: the shared brushes and the brush cache itself,
// the colour kinds that store nothing, and the answers the class handlers give
// to the WM_CTLCOLOR messages of a real device context.
#include "runtime/gadget/colour.h"
#include "runtime/gadget/gadget_classes.h"
#include "tests/gadget/gadget_test_support.h"

namespace {

bool BrushExists(HBRUSH brush) { return brush && GetObjectType(brush) == OBJ_BRUSH; }

int CachedBrushes() {
  int n = 0;
  for (ListNode* node = BrushCache; node; node = node->next) n++;
  return n;
}

TEST(Colour, OneBackgroundColourSharesOneBrushUntilTheLastLetsGo) {
  ParentWindow parent;
  int cachedBefore = CachedBrushes();
  TextLabelCreate(1, 0, 0, 50, 20, "a");
  TextFieldCreate(2, 0, 0, 50, 20, "b");
  GadgetRecord* label = GadgetFind(1);
  GadgetRecord* field = GadgetFind(2);
  const COLORREF colour = RGB(10, 20, 30);
  ColourSet(label, COLOUR_BACK, colour);
  ColourSet(field, COLOUR_BACK, colour);
  HBRUSH shared = label->backBrush;
  ASSERT_TRUE(BrushExists(shared));
  EXPECT_EQ(field->backBrush, shared);
  EXPECT_EQ(CachedBrushes(), cachedBefore + 1);
  LOGBRUSH info;
  ASSERT_EQ(GetObjectA(shared, sizeof info, &info), (int)sizeof info);
  EXPECT_EQ(info.lbColor, colour);
  EXPECT_EQ(info.lbStyle, (UINT)BS_SOLID);

  // The label moves to another colour: the shared brush stays for the field.
  ColourSet(label, COLOUR_BACK, RGB(1, 1, 1));
  HBRUSH other = label->backBrush;
  EXPECT_NE(other, shared);
  EXPECT_TRUE(BrushExists(shared));
  // The field goes back to the default: its brush had no other holder left.
  ColourSet(field, COLOUR_BACK, -1);
  EXPECT_EQ(field->backBrush, nullptr);
  EXPECT_EQ(field->backColour, -1);
  EXPECT_FALSE(BrushExists(shared));
  // Destroying the label lets go of its brush too.
  DestroyWindow(label->handle);
  EXPECT_FALSE(BrushExists(other));
  EXPECT_EQ(CachedBrushes(), cachedBefore);
  DestroyWindow(GadgetHandle(2));
}

TEST(Colour, SettingTheSameColourAgainKeepsOneReference) {
  ParentWindow parent;
  TextLabelCreate(1, 0, 0, 50, 20, "a");
  GadgetRecord* label = GadgetFind(1);
  ColourSet(label, COLOUR_BACK, RGB(7, 7, 7));
  ColourSet(label, COLOUR_BACK, RGB(7, 7, 7));
  HBRUSH brush = label->backBrush;
  EXPECT_TRUE(BrushExists(brush));
  // One release now must delete it: the second set did not add a reference.
  ColourSet(label, COLOUR_BACK, -1);
  EXPECT_FALSE(BrushExists(brush));
  DestroyWindow(label->handle);
}

TEST(ColourBrushCache, SharesCountsAndIgnoresStrangers) {
  HBRUSH a = BrushCacheAcquire(RGB(50, 60, 70));
  HBRUSH b = BrushCacheAcquire(RGB(50, 60, 70));
  HBRUSH c = BrushCacheAcquire(RGB(50, 60, 71));
  EXPECT_EQ(a, b);
  EXPECT_NE(a, c);
  HBRUSH stranger = CreateSolidBrush(RGB(50, 60, 70));
  BrushCacheRelease(stranger);
  BrushCacheRelease(nullptr);
  EXPECT_TRUE(BrushExists(stranger));
  EXPECT_TRUE(BrushExists(a));
  BrushCacheRelease(a);
  EXPECT_TRUE(BrushExists(a));
  BrushCacheRelease(b);
  EXPECT_FALSE(BrushExists(a));
  BrushCacheRelease(a);  // no longer cached: nothing happens
  BrushCacheRelease(c);
  EXPECT_FALSE(BrushExists(c));
  DeleteObject(stranger);
}

TEST(Colour, KindsOtherThanTextAndBackStoreNothingButRedraw) {
  ParentWindow shown(true, true);  // only a shown control has anything to redraw
  TextFieldCreate(1, 0, 0, 50, 20, "a");
  GadgetRecord* field = GadgetFind(1);
  EXPECT_EQ(ColourGet(field, COLOUR_TEXT), -1);
  EXPECT_EQ(ColourGet(field, COLOUR_BACK), -1);
  ColourSet(field, COLOUR_TEXT, RGB(1, 2, 3));
  EXPECT_EQ(ColourGet(field, COLOUR_TEXT), (LONG)RGB(1, 2, 3));
  for (LONG kind : {0L, 3L, -1L, 1000L}) {
    SCOPED_TRACE(kind);
    ValidateRect(field->handle, nullptr);
    ColourSet(field, kind, RGB(9, 9, 9));
    EXPECT_TRUE(GetUpdateRect(field->handle, nullptr, FALSE));
    EXPECT_EQ(ColourGet(field, kind), -1);
    EXPECT_EQ(field->textColour, (LONG)RGB(1, 2, 3));
    EXPECT_EQ(field->backColour, -1);
    EXPECT_EQ(field->backBrush, nullptr);
  }
  DestroyWindow(field->handle);
}

// The handler's answer for each row of colours, read from a real device context.
struct AnswerRow {
  LONG text;
  LONG back;
};
const AnswerRow rows[] = {{-1, -1}, {(LONG)RGB(200, 0, 0), -1}, {-1, (LONG)RGB(0, 0, 150)},
                          {(LONG)RGB(200, 0, 0), (LONG)RGB(0, 0, 150)}};
const COLORREF untouchedText = RGB(11, 22, 33);
const COLORREF untouchedBack = RGB(44, 55, 66);

struct ClassUnderTest {
  const char* name;
  bool field;
  UINT message;
  int systemColour;
};
const ClassUnderTest classes[] = {
    {"label", false, WM_CTLCOLORSTATIC, COLOR_BTNFACE},
    {"field", true, WM_CTLCOLOREDIT, COLOR_BTNHIGHLIGHT},
    {"read-only field", true, WM_CTLCOLORSTATIC, COLOR_BTNHIGHLIGHT},
};

TEST(Colour, HandlersAnswerEachRowOfColours) {
  ParentWindow parent;
  HDC dc = CreateCompatibleDC(nullptr);
  for (const ClassUnderTest& c : classes) {
    for (const AnswerRow& row : rows) {
      SCOPED_TRACE(testing::Message() << c.name << " text " << row.text << " back " << row.back);
      HWND control = c.field ? (HWND)TextFieldCreate(1, 0, 0, 50, 20, "x", c.message == WM_CTLCOLORSTATIC ? ES_READONLY : 0)
                             : (HWND)TextLabelCreate(1, 0, 0, 50, 20, "x");
      GadgetRecord* record = GadgetFind(1);
      ColourSet(record, COLOUR_TEXT, row.text);
      ColourSet(record, COLOUR_BACK, row.back);
      SetTextColor(dc, untouchedText);
      SetBkColor(dc, untouchedBack);
      LRESULT answer = GadgetForwardMessage(control, parent.handle, c.message, (WPARAM)dc, (LPARAM)control);
      COLORREF wantText = row.text == -1 ? untouchedText : (COLORREF)row.text;
      COLORREF wantBack = row.back != -1 ? (COLORREF)row.back
                          : row.text != -1 ? GetSysColor(c.systemColour) : untouchedBack;
      LRESULT wantAnswer = row.back != -1 ? (LRESULT)record->backBrush
                           : row.text != -1 ? (LRESULT)GetSysColorBrush(c.systemColour) : NOT_HANDLED;
      EXPECT_EQ(answer, wantAnswer);
      if (row.back != -1) {
        EXPECT_TRUE(BrushExists((HBRUSH)answer));
      }
      EXPECT_EQ(GetTextColor(dc), wantText);
      EXPECT_EQ(GetBkColor(dc), wantBack);
      DestroyWindow(control);
    }
  }
  DeleteDC(dc);
}

TEST(Colour, HandlersAnswerOnlyTheirOwnMessages) {
  ParentWindow parent;
  HDC dc = CreateCompatibleDC(nullptr);
  HWND label = (HWND)TextLabelCreate(1, 0, 0, 50, 20, "x");
  HWND field = (HWND)TextFieldCreate(2, 0, 0, 50, 20, "x");
  for (ObjectNumber g : {(ObjectNumber)1, (ObjectNumber)2}) {
    ColourSet(GadgetFind(g), COLOUR_TEXT, RGB(1, 2, 3));
    ColourSet(GadgetFind(g), COLOUR_BACK, RGB(4, 5, 6));
  }
  auto forward = [&](HWND control, UINT message) {
    return GadgetForwardMessage(control, parent.handle, message, (WPARAM)dc, (LPARAM)control);
  };
  EXPECT_EQ(forward(label, WM_CTLCOLOREDIT), NOT_HANDLED);
  EXPECT_EQ(forward(label, WM_CTLCOLORBTN), NOT_HANDLED);
  EXPECT_EQ(forward(field, WM_CTLCOLORBTN), NOT_HANDLED);
  EXPECT_EQ(forward(field, WM_CTLCOLORLISTBOX), NOT_HANDLED);
  EXPECT_EQ(forward(field, WM_COMMAND), NOT_HANDLED);
  EXPECT_NE(forward(field, WM_CTLCOLORSTATIC), NOT_HANDLED);
  // A disabled field keeps the system's look whatever its colours.
  EnableWindow(field, FALSE);
  SetTextColor(dc, untouchedText);
  EXPECT_EQ(forward(field, WM_CTLCOLORSTATIC), NOT_HANDLED);
  EXPECT_EQ(GetTextColor(dc), untouchedText);
  EXPECT_NE(forward(field, WM_CTLCOLOREDIT), NOT_HANDLED);
  DestroyWindow(label);
  DestroyWindow(field);
  DeleteDC(dc);
}

}  // namespace
