// Numbered and automatic fonts: the LOGFONT each size and style gives, replacing
// and freeing, a load that fails with the GDI table full, and no GDI object left
// behind by many loads.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "runtime/system/font.h"
#include "tests/support/win_test.h"

namespace {

LOGFONTA Read(HFONT font) {
  LOGFONTA lf = {};
  EXPECT_EQ(GetObjectA(font, sizeof lf, &lf), (int)sizeof lf);
  return lf;
}

// Takes every GDI object this process may still make (GetGuiResources is a
// stub under Wine, so filling the table is the count that works on both).
std::vector<HBRUSH> FillGdi() {
  std::vector<HBRUSH> brushes;
  HBRUSH b;
  while (brushes.size() < 200000 && (b = CreateSolidBrush(RGB(1, 2, 3)))) brushes.push_back(b);
  return brushes;
}
size_t Release(const std::vector<HBRUSH>& brushes) {
  for (HBRUSH b : brushes) DeleteObject(b);
  return brushes.size();
}

class Font : public testing::Test {
 protected:
  void TearDown() override { FontFreeAll(); }
};

TEST_F(Font, HeightFromPointsAndStyleBits) {
  HDC screen = CreateDCA("DISPLAY", 0, 0, 0);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  DeleteDC(screen);
  HFONT bold = (HFONT)FontLoad(0, "Arial", 8, STYLE_BOLD);
  ASSERT_NE(bold, nullptr);
  EXPECT_EQ(FontHandle(0), bold);
  LOGFONTA lf = Read(bold);
  EXPECT_EQ(lf.lfHeight, dpi == 96 ? -11 : -MulDiv(8, dpi, 72));  // 10.67 pixels, rounded
  EXPECT_EQ(lf.lfWeight, 700);
  EXPECT_EQ(lf.lfItalic + lf.lfUnderline + lf.lfStrikeOut + lf.lfQuality, 0);
  EXPECT_STREQ(lf.lfFaceName, "Arial");
  EXPECT_EQ(lf.lfCharSet, DEFAULT_CHARSET);

  const DWORD all = STYLE_BOLD | STYLE_ITALIC | STYLE_UNDERLINE | STYLE_STRIKEOUT | STYLE_PROOF_QUALITY;
  const DWORD ignored = 0x1 | 0x2 | 0x20 | 0x40 | 0x80 | 0x400 | 0x80000000;
  struct { DWORD style; LONG weight; BYTE italic, underline, strikeOut, quality; } cases[] = {
      {0, 400, 0, 0, 0, 0},           {STYLE_ITALIC, 400, 1, 0, 0, 0},
      {STYLE_UNDERLINE, 400, 0, 1, 0, 0}, {STYLE_STRIKEOUT, 400, 0, 0, 1, 0},
      {STYLE_PROOF_QUALITY, 400, 0, 0, 0, PROOF_QUALITY}, {all, 700, 1, 1, 1, PROOF_QUALITY},
      {ignored, 400, 0, 0, 0, 0},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.style);
    ASSERT_NE(FontLoad(1, "Tahoma", 12, c.style), 0);
    lf = Read(FontHandle(1));
    EXPECT_EQ(lf.lfHeight, -MulDiv(12, dpi, 72));
    EXPECT_EQ(lf.lfWeight, c.weight);
    EXPECT_EQ(lf.lfItalic, c.italic);
    EXPECT_EQ(lf.lfUnderline, c.underline);
    EXPECT_EQ(lf.lfStrikeOut, c.strikeOut);
    EXPECT_EQ(lf.lfQuality, c.quality);
  }
  ASSERT_NE(FontLoad(2, "Arial", 10), 0);  // the short form has no style
  EXPECT_EQ(Read(FontHandle(2)).lfWeight, 400);
}

TEST_F(Font, AutomaticNumberGivesTheIdentity) {
  ObjectNumber first = FontLoad(AUTO_NUMBER, "Arial", 9);
  ObjectNumber second = FontLoad(AUTO_NUMBER, "Arial", 9, STYLE_ITALIC);
  ASSERT_TRUE(first && second);
  EXPECT_NE(first, second);
  HFONT font = FontHandle(first);
  EXPECT_EQ(GetObjectType(font), (DWORD)OBJ_FONT);
  EXPECT_NE((ObjectNumber)(uintptr_t)font, first);
  EXPECT_EQ(Read(FontHandle(second)).lfItalic, 1);

  FontFree(first);
  EXPECT_EQ(FontHandle(first), nullptr);
  EXPECT_EQ(GetObjectType(font), 0u);
  FontFree(first);  // again: nothing
  EXPECT_NE(FontHandle(second), nullptr);
}

TEST_F(Font, ReplacingDeletesTheOldFontAndFreeAllEmptiesTheTable) {
  EXPECT_EQ(FontHandle(5), nullptr);  // never loaded
  HFONT old = (HFONT)FontLoad(5, "Arial", 8);
  HFONT replacement = (HFONT)FontLoad(5, "Arial", 14);
  ASSERT_TRUE(old && replacement && old != replacement);
  EXPECT_EQ(GetObjectType(old), 0u);
  EXPECT_EQ(FontHandle(5), replacement);

  HFONT distant = (HFONT)FontLoad(40, "Arial", 8);  // the table grows
  ObjectNumber automatic = FontLoad(AUTO_NUMBER, "Arial", 8);
  ASSERT_TRUE(distant && automatic);
  HFONT automaticFont = FontHandle(automatic);
  FontFreeAll();
  for (ObjectNumber n = 0; n < FontTable->capacity; n++) EXPECT_EQ(FontHandle(n), nullptr) << n;
  EXPECT_EQ(FontHandle(automatic), nullptr);
  for (HFONT f : {replacement, distant, automaticFont}) EXPECT_EQ(GetObjectType(f), 0u);
}

TEST_F(Font, FailedReloadLeavesTheNumberEmpty) {
  HFONT old = (HFONT)FontLoad(3, "Arial", 8);
  ASSERT_NE(old, nullptr);
  // With the GDI table full, deleting the old font frees one slot: not
  // enough for both the screen context and the new font.
  std::vector<HBRUSH> brushes = FillGdi();
  ObjectNumber failed = FontLoad(3, "Arial", 12);
  ObjectNumber failedAuto = FontLoad(AUTO_NUMBER, "Arial", 12);
  Release(brushes);
  EXPECT_EQ(failed, 0);
  EXPECT_EQ(failedAuto, 0);
  EXPECT_EQ(GetObjectType(old), 0u);
  EXPECT_EQ(FontHandle(3), nullptr);
  EXPECT_EQ(FontTable->autoList, nullptr);  // the failed automatic record was given back
}

TEST_F(Font, NoGdiObjectLeaksOverManyLoads) {
  size_t room = Release(FillGdi());
  ASSERT_GT(room, 1000u);
  std::set<HFONT> made, live;
  for (int i = 0; i < 1000; i++) {
    made.insert((HFONT)FontLoad(i % 3, "Arial", 8 + i % 5, i % 2 ? STYLE_BOLD : 0));
    ObjectNumber automatic = FontLoad(AUTO_NUMBER, "Arial", 8);
    made.insert(FontHandle(automatic));
    FontFree(automatic);
  }
  for (HFONT f : made)
    if (GetObjectType(f)) live.insert(f);
  EXPECT_EQ(live, (std::set<HFONT>{FontHandle(0), FontHandle(1), FontHandle(2)}));
  FontFreeAll();
  EXPECT_EQ(Release(FillGdi()), room);  // neither fonts nor screen contexts left behind
}

}  // namespace
