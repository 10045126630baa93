// The real main window at the display's scale: every rectangle the 96-DPI
// figures scaled, the fonts made for the window's DPI, every text whole; and
// the same after DPI changes sent to it, which leave its state and its counts
// of objects as they were. The display's DPI is the prefix's LogPixels (96
// in the test runs; tests/app/run_at_dpi.sh runs the first test and the DPI
// changes again at 120, 144 and 192, telling it the DPI in ZIMBREL_EXPECT_DPI).
#include <gtest/gtest.h>
#include <windows.h>

#include <stdlib.h>

#include <vector>

#include "app/main_window.h"
#include "runtime/gadget/gadget.h"
#include "runtime/system/display_scale.h"
#include "runtime/window/window.h"
#include "tests/app/app_window.h"
#include "tests/support/expected_texts.h"
#include "tests/support/utf8.h"
#include "tests/support/win_test.h"

namespace {

// Where each gadget is, as the main window's table gives it at 96 DPI, and as
// it is at 144 DPI (150%), worked out by hand. A drop list's height is its
// opened height.
struct Place {
  const char* what;
  RECT at96, at144;   // left, top, right, bottom
};
const Place kPlaces[] = {
    {"EXE label", {5, 5, 30, 25}, {8, 8, 46, 38}},
    {"path field", {30, 5, 180, 25}, {45, 8, 270, 38}},
    {"browse button", {185, 5, 245, 25}, {278, 8, 368, 38}},
    {"level label", {5, 30, 125, 50}, {8, 45, 188, 75}},
    {"level list", {120, 30, 180, 230}, {180, 45, 270, 345}},
    {"compress button", {185, 30, 245, 50}, {278, 45, 368, 75}},
};
const SIZE kClient96 = {250, 55}, kClient144 = {375, 83};
// The labels' font, Arial 8 points: its height in pixels at 144 DPI.
const LONG kLabelHeight144 = -16;

// Pixels to spare beside each text: for the labels, in the program's own
// font (Arial), what they have at 96 DPI, measured once and written here
// ("EXE:" fills its label exactly); for the buttons, in the system's default
// font, which differs with the language of Windows (Japanese Windows has its
// own), room for the button's edges at least.
struct Room {
  int place;   // index into kPlaces
  std::string text;
  int spare;
};
const Room kRooms[] = {
    {0, kExeLabel, 0},
    {3, kLevelLabel, 27},
    {2, kBrowseButton, 8},
    {5, kCompressButton, 8},
};

int Scaled(int pixels, UINT dpi) { return MulDiv(pixels, (int)dpi, 96); }

RECT Expected(const Place& place, UINT dpi) {
  if (dpi == 96) return place.at96;
  if (dpi == 144) return place.at144;
  const RECT& r = place.at96;
  return {Scaled(r.left, dpi), Scaled(r.top, dpi), Scaled(r.right, dpi), Scaled(r.bottom, dpi)};
}

HWND Main() { return WindowHandle(MainWindow); }

// The gadgets in kPlaces order: the labels found by their texts.
HWND Control(int place) {
  static const int ids[] = {-1, GADGET_PATH, GADGET_BROWSE, -1, GADGET_LEVEL, GADGET_COMPRESS};
  if (ids[place] >= 0) return GetDlgItem(Main(), ids[place]);
  const std::wstring text = WideFromUtf8(place == 0 ? kExeLabel : kLevelLabel);
  for (HWND c = GetWindow(Main(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    wchar_t shown[64] = L"";
    GetWindowTextW(c, shown, 64);
    if (text == shown) return c;
  }
  return 0;
}

// A control's rectangle in its window's client area.
RECT Where(HWND control) {
  RECT r = {};
  GetWindowRect(control, &r);
  MapWindowPoints(0, GetParent(control), (POINT*)&r, 2);
  return r;
}

// How far below its top a drop list's opened list reaches: its opened height
// less what the system keeps of it for the closed line (Wine fills
// CB_GETDROPPEDCONTROLRECT so, and answers 0).
int OpenedReach(HWND list) {
  RECT window = {};
  GetWindowRect(list, &window);
  RECT opened = window;
  SendMessageW(list, CB_GETDROPPEDCONTROLRECT, 0, (LPARAM)&opened);
  return opened.bottom - window.top;
}

std::string Shown(const RECT& r) {
  return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " + std::to_string(r.right) + ", " +
         std::to_string(r.bottom) + ")";
}

// Within a pixel of rounding, each edge.
testing::AssertionResult Near(const RECT& seen, const RECT& expected) {
  if (abs(seen.left - expected.left) <= 1 && abs(seen.top - expected.top) <= 1 &&
      abs(seen.right - expected.right) <= 1 && abs(seen.bottom - expected.bottom) <= 1)
    return testing::AssertionSuccess();
  return testing::AssertionFailure() << "at " << Shown(seen) << ", expected " << Shown(expected);
}

LOGFONTW FontOf(HWND control) {
  LOGFONTW font = {};
  GetObjectW((HFONT)SendMessageW(control, WM_GETFONT, 0, 0), sizeof font, &font);
  return font;
}

// The text's size in the font the control really has.
SIZE TextSize(HWND control, const std::string& text) {
  SIZE size = {};
  HDC dc = GetDC(control);
  HGDIOBJ old = SelectObject(dc, (HFONT)SendMessageW(control, WM_GETFONT, 0, 0));
  std::wstring wide = WideFromUtf8(text);
  GetTextExtentPoint32W(dc, wide.c_str(), (int)wide.size(), &size);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return size;
}

// Everything the window shows at dpi: its client area, each gadget's place,
// the labels' font, each text with at least the room it has at 96 DPI, the
// longest level inside the closed list.
void ExpectLaidOutFor(UINT dpi) {
  SCOPED_TRACE("at " + std::to_string(dpi) + " DPI");
  RECT client = {};
  GetClientRect(Main(), &client);
  SIZE expected = dpi == 144 ? kClient144 : dpi == 96 ? kClient96 : SIZE{Scaled(250, dpi), Scaled(55, dpi)};
  EXPECT_NEAR(client.right, expected.cx, 1);
  EXPECT_NEAR(client.bottom, expected.cy, 1);
  for (int i = 0; i < 6; ++i) {
    HWND control = Control(i);
    ASSERT_TRUE(control) << kPlaces[i].what;
    RECT seen = Where(control), expected = Expected(kPlaces[i], dpi);
    if (i != 4) {
      EXPECT_TRUE(Near(seen, expected)) << kPlaces[i].what;
      continue;
    }
    // The drop list: its closed line where it belongs, and its opened list
    // reaching to its opened height, less what Wine keeps for the closed line
    // (a little more than its height).
    int closed = seen.bottom - seen.top;
    seen.bottom = expected.bottom;
    EXPECT_TRUE(Near(seen, expected)) << kPlaces[i].what;
    EXPECT_LE(OpenedReach(control), expected.bottom - expected.top + 1);
    EXPECT_GE(OpenedReach(control), expected.bottom - expected.top - 2 * closed);
  }
  LONG labelHeight = dpi == 144 ? kLabelHeight144 : -MulDiv(8, (int)dpi, 72);
  EXPECT_EQ(FontOf(Control(0)).lfHeight, labelHeight);
  EXPECT_EQ(FontOf(Control(3)).lfHeight, labelHeight);
  for (const Room& room : kRooms) {
    HWND control = Control(room.place);
    RECT r = Where(control);
    SIZE text = TextSize(control, room.text);
    EXPECT_GE(r.right - r.left - text.cx, room.spare - 1) << room.text << " (" << text.cx << " wide)";
    EXPECT_LE(text.cy, r.bottom - r.top) << room.text;
  }
  HWND list = Control(4);
  COMBOBOXINFO info = {};
  info.cbSize = sizeof info;
  ASSERT_TRUE(GetComboBoxInfo(list, &info));
  for (const std::string& item : kLevelItems)
    EXPECT_LE(TextSize(list, item).cx, info.rcItem.right - info.rcItem.left) << item;
}

UINT ExpectedDpi() {
  char text[16] = "";
  GetEnvironmentVariableA("ZIMBREL_EXPECT_DPI", text, sizeof text);
  return text[0] ? (UINT)atoi(text) : 96;
}

TEST(WindowScale, AtTheDisplaysDpiEveryGadgetIsPlacedScaledAndEveryTextIsWhole) {
  ASSERT_TRUE(AppWindowEnvironment::Started());
  const UINT dpi = ExpectedDpi();
  EXPECT_EQ(WindowDpi(Main()), dpi);
  // Where the system tells it, the window is DPI-aware (not stretched).
  typedef HANDLE(WINAPI * ContextOf)(HWND);
  typedef int(WINAPI * AwarenessOf)(HANDLE);
  const int PER_MONITOR_AWARE = 2;   // DPI_AWARENESS_PER_MONITOR_AWARE, which v2 reports too
  HMODULE user32 = GetModuleHandleA("user32.dll");
  auto contextOf = (ContextOf)(void*)GetProcAddress(user32, "GetWindowDpiAwarenessContext");
  auto awarenessOf = (AwarenessOf)(void*)GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext");
  if (contextOf && awarenessOf) {
    EXPECT_EQ(awarenessOf(contextOf(Main())), PER_MONITOR_AWARE);
  }
  ExpectLaidOutFor(dpi);

  // A message box of the system at this DPI is whole: its text fits its
  // control and its button's text its button.
  BoxCatcher catcher;
  static bool whole;
  whole = false;
  catcher.onBox = [](HWND box, void*) {
    HWND text = GetDlgItem(box, 0xFFFF), ok = GetDlgItem(box, IDOK);
    wchar_t shown[512] = L"";
    GetWindowTextW(text, shown, 512);
    RECT area = {}, needed = {};
    GetClientRect(text, &area);
    needed.right = area.right;
    HDC dc = GetDC(text);
    HGDIOBJ old = SelectObject(dc, (HFONT)SendMessageW(text, WM_GETFONT, 0, 0));
    DrawTextW(dc, shown, -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
    SelectObject(dc, old);
    ReleaseDC(text, dc);
    RECT button = {};
    GetClientRect(ok, &button);
    wchar_t label[32] = L"";
    GetWindowTextW(ok, label, 32);
    SIZE labelSize = {};
    dc = GetDC(ok);
    old = SelectObject(dc, (HFONT)SendMessageW(ok, WM_GETFONT, 0, 0));
    GetTextExtentPoint32W(dc, label, lstrlenW(label), &labelSize);
    SelectObject(dc, old);
    ReleaseDC(ok, dc);
    whole = needed.right <= area.right && needed.bottom <= area.bottom && labelSize.cx < button.right &&
            labelSize.cy < button.bottom;
    return false;
  };
  MessageBoxW(Main(), WideFromUtf8(kWriteProtected).c_str(), WideFromUtf8(kErrorCaption).c_str(), MB_ICONEXCLAMATION);
  ASSERT_EQ(catcher.boxes().size(), 1u);
  EXPECT_TRUE(whole) << "the box's text or its button is cut";
}

// Sent by the test, as Wine sends no DPI change of its own: from a 100% system
// to 150% and back, from a 125% one to 100%, 175% and back, many times. What
// the user had in the window stays; no font or window is left over.
TEST(WindowScale, DpiChangesPlaceEverythingAgainKeepTheStateAndLeaveNothingBehind) {
  ASSERT_TRUE(AppWindowEnvironment::Started());
  const UINT start = WindowDpi(Main());
  if (start != 96 && start != 120) GTEST_SKIP() << "changes are tried from 96 and 120 DPI";
  const std::vector<UINT> changes = start == 96 ? std::vector<UINT>{144, 96} : std::vector<UINT>{96, 168, 120};
  HWND list = Control(4), compress = Control(5), field = Control(1);
  ASSERT_EQ(GadgetSetTextWide(GADGET_PATH, L"C:\\Programok\\keep.exe"), 1);
  GadgetSetState(GADGET_LEVEL, 3);
  SetFocus(list);
  EnableWindow(compress, FALSE);
  const LOGFONTW stockFont = FontOf(field);  // the system's default GUI font
  const int points = 8;
  EXPECT_EQ(MulDiv(-stockFont.lfHeight, 72, (int)start), points) << "the system's default GUI font is 8 points";
  const DWORD gdi = GdiObjectCount(), user = UserObjectCount();
  for (int round = 0; round < 20 && !HasFailure(); ++round) {
    for (UINT dpi : changes) {
      RECT suggested = {};
      GetWindowRect(Main(), &suggested);
      SendMessageW(Main(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), (LPARAM)&suggested);
      ExpectLaidOutFor(dpi);
      // The default font: at the system's DPI the system's own, made for it
      // (-14 under Wine at 120); at another DPI its 8 points at the window's
      // DPI, its height made from the points as any font of the program is,
      // not its height at the system's DPI scaled (-16 at 144 under 96, not
      // -17; -11 at 96 under 120, not -10 on Windows; -19 at 168 under 120,
      // not -18 on Windows, -20 under Wine).
      EXPECT_EQ(FontOf(field).lfHeight, dpi == start ? stockFont.lfHeight : -MulDiv(points, (int)dpi, 72));
      EXPECT_EQ(FontOf(field).lfFaceName, std::wstring(stockFont.lfFaceName));
      wchar_t text[64] = L"";
      GetWindowTextW(field, text, 64);
      EXPECT_STREQ(text, L"C:\\Programok\\keep.exe");
      EXPECT_EQ(GadgetGetState(GADGET_LEVEL), 3);
      EXPECT_EQ(GetFocus(), list);
      EXPECT_FALSE(IsWindowEnabled(compress));
      EXPECT_TRUE(IsWindowEnabled(field));
    }
  }
  EXPECT_EQ(GdiObjectCount(), gdi);
  EXPECT_EQ(UserObjectCount(), user);
  EnableWindow(compress, TRUE);
  GadgetSetTextWide(GADGET_PATH, L"");
}

}  // namespace
