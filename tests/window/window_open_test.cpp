// Opening numbered windows: class, property, style and client size, the default
// caption rule, hidden and maximized windows, and where each centring rule or
// POSITION_IGNORE puts a window.
#include <gtest/gtest.h>

#include "runtime/window/window.h"
#include "runtime/text/raw_bytes.h"
#include "tests/window/window_test_support.h"

namespace {

SIZE OuterSize(int width, int height, DWORD style) {
  RECT r = {0, 0, width, height};
  AdjustWindowRect(&r, style, FALSE);
  return {r.right - r.left, r.bottom - r.top};
}

TEST(WindowOpen, MainWindowFormIsCentredWithItsClientAreaAndNumber) {
  ObjectNumber result = WindowOpen(0, 0, 0, 250, 55, "Zimbrel v1.0", 0xCA0001);
  HWND w = WindowHandle(0);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(result, (ObjectNumber)w);

  char className[64] = "";
  GetClassNameA(w, className, sizeof className);
  EXPECT_STREQ(className, "WindowClass_0");
  EXPECT_EQ(GetPropA(w, "Kel_WindowID"), (HANDLE)1);
  char title[64] = "";
  GetWindowTextA(w, title, sizeof title);
  EXPECT_STREQ(title, "Zimbrel v1.0");

  RECT client;
  GetClientRect(w, &client);
  EXPECT_EQ(client.right, 250);
  EXPECT_EQ(client.bottom, 55);
  SIZE outer = OuterSize(250, 55, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
  RECT r = WindowRectOf(w);
  EXPECT_EQ(r.right - r.left, outer.cx);
  EXPECT_EQ(r.bottom - r.top, outer.cy);
  EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - outer.cx) / 2);
  EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - outer.cy) / 2);

  LONG style = GetWindowLongA(w, GWL_STYLE);
  EXPECT_TRUE(IsWindowVisible(w));
  EXPECT_FALSE(IsIconic(w) || IsZoomed(w));
  EXPECT_EQ(style & 3, 0) << "the runtime's own flags stay out of the style";
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME),
            (LONG)(WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX));
  // The class: double clicks, the runtime's procedure, button-face background.
  EXPECT_EQ(GetClassLongA(w, GCL_STYLE), (DWORD)CS_DBLCLKS);
  EXPECT_EQ(GetClassLongA(w, GCL_HBRBACKGROUND), (DWORD)(COLOR_BTNFACE + 1));
  EXPECT_EQ(GetClassLongA(w, GCL_HCURSOR), (DWORD)(UINT_PTR)LoadCursorA(0, IDC_ARROW));
  WindowClose(0);
  WNDCLASSA info;
  EXPECT_FALSE(GetClassInfoA(GetModuleHandleA(0), "WindowClass_0", &info));
  EXPECT_EQ(WindowHandle(0), nullptr);
  DrainEvents();
}

TEST(WindowOpen, ShorterFormsTakeTheDefaultFlagsAndNoParent) {
  ObjectNumber result = WindowOpen(2, 40, 40, 120, 80, RawProgramText(nullptr));
  HWND w = WindowHandle(2);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(result, (ObjectNumber)w);
  EXPECT_EQ(GetWindowLongA(w, GWL_STYLE) & (WS_CAPTION | WS_SYSMENU), (LONG)(WS_CAPTION | WS_SYSMENU));
  EXPECT_EQ(GetWindow(w, GW_OWNER), nullptr);
  EXPECT_EQ(GetWindowTextLengthA(w), 0) << "no title is the empty text";
  RECT r = WindowRectOf(w);
  EXPECT_EQ(r.left, 40);
  EXPECT_EQ(r.top, 40);
  WindowClose(2);
  DrainEvents();
}

// A caption is added only when the flags hold nothing but the runtime's own
// bits; the outer size tells which style the client area was fitted to.
TEST(WindowOpen, DefaultCaptionRule) {
  static const struct {
    DWORD flags;
    DWORD fittedStyle;
  } cases[] = {
      {0, WS_CAPTION},
      {WINDOW_SCREEN_CENTRED, WS_CAPTION},
      {WINDOW_PARENT_CENTRED, WS_CAPTION},
      {WINDOW_INVISIBLE, WS_CAPTION},
      {WS_SYSMENU, WS_SYSMENU},
      {WS_POPUP, WS_POPUP},
      {WS_POPUP | WS_BORDER, WS_POPUP | WS_BORDER},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "flags 0x" << std::hex << c.flags);
    ASSERT_NE(WindowOpen(4, 10, 10, 250, 55, "t", c.flags), 0);
    HWND w = WindowHandle(4);
    SIZE outer = OuterSize(250, 55, c.fittedStyle);
    RECT r = WindowRectOf(w);
    EXPECT_EQ(r.right - r.left, outer.cx);
    EXPECT_EQ(r.bottom - r.top, outer.cy);
    LONG style = GetWindowLongA(w, GWL_STYLE);
    if ((c.fittedStyle & WS_CAPTION) == WS_CAPTION) {
      EXPECT_EQ(style & WS_CAPTION, (LONG)WS_CAPTION);
    }
    if (c.flags & WS_POPUP) {
      EXPECT_EQ(style & WS_CAPTION, (LONG)(c.flags & WS_CAPTION));
    }
    WindowClose(4);
  }
  DrainEvents();
}

TEST(WindowOpen, InvisibleWindowExistsHiddenAndMaximizeShowsMaximized) {
  ASSERT_NE(WindowOpen(5, 10, 10, 100, 50, "t", WINDOW_DEFAULT_FLAGS | WINDOW_INVISIBLE), 0);
  HWND w = WindowHandle(5);
  EXPECT_TRUE(IsWindow(w));
  EXPECT_FALSE(IsWindowVisible(w));
  EXPECT_EQ(GetWindowLongA(w, GWL_STYLE) & WS_VISIBLE, 0);
  EXPECT_EQ(GetPropA(w, "Kel_WindowID"), (HANDLE)6);

  ASSERT_NE(WindowOpen(6, 10, 10, 100, 50, "t", WINDOW_DEFAULT_FLAGS | WS_THICKFRAME | WINDOW_MAXIMIZE), 0);
  EXPECT_TRUE(IsZoomed(WindowHandle(6)));
  EXPECT_TRUE(IsWindowVisible(WindowHandle(6)));
  WindowClose(5);
  WindowClose(6);
  DrainEvents();
}

TEST(WindowOpen, ScreenCentringClipsAWindowLargerThanTheScreen) {
  int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  ASSERT_NE(WindowOpen(7, 500, 500, sw + 400, 100, "t", WINDOW_DEFAULT_FLAGS | WINDOW_SCREEN_CENTRED), 0);
  RECT r = WindowRectOf(WindowHandle(7));
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.right - r.left, sw);
  SIZE outer = OuterSize(sw + 400, 100, WINDOW_DEFAULT_FLAGS);
  EXPECT_EQ(r.top, (sh - outer.cy) / 2);
  WindowClose(7);
  DrainEvents();
}

TEST(WindowOpen, ParentCentringUsesTheParentOrTheActiveWindowAndNeverGoesNegative) {
  TestWindow parent(8, 300, 200, 400, 300);
  RECT p = WindowRectOf(parent.handle());
  SIZE outer = OuterSize(200, 100, WINDOW_DEFAULT_FLAGS);

  ASSERT_NE(WindowOpen(9, 0, 0, 200, 100, "t", WINDOW_DEFAULT_FLAGS | WINDOW_PARENT_CENTRED, parent.handle()), 0);
  RECT r = WindowRectOf(WindowHandle(9));
  EXPECT_EQ(r.left, p.left + ((p.right - p.left) - outer.cx) / 2);
  EXPECT_EQ(r.top, p.top + ((p.bottom - p.top) - outer.cy) / 2);
  EXPECT_EQ(GetWindow(WindowHandle(9), GW_OWNER), parent.handle());
  WindowClose(9);

  // No parent given: the active window is the reference.
  SetActiveWindow(parent.handle());
  ASSERT_EQ(GetActiveWindow(), parent.handle());
  ASSERT_NE(WindowOpen(9, 0, 0, 200, 100, "t", WINDOW_DEFAULT_FLAGS | WINDOW_PARENT_CENTRED), 0);
  r = WindowRectOf(WindowHandle(9));
  EXPECT_EQ(r.left, p.left + ((p.right - p.left) - outer.cx) / 2);
  EXPECT_EQ(GetWindow(WindowHandle(9), GW_OWNER), nullptr);
  WindowClose(9);

  // A small parent in the top-left corner: the centred position would be negative.
  TestWindow corner(10, 0, 0, 60, 20);
  ASSERT_NE(WindowOpen(9, 77, 77, 500, 400, "t", WINDOW_DEFAULT_FLAGS | WINDOW_PARENT_CENTRED, corner.handle()), 0);
  r = WindowRectOf(WindowHandle(9));
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  WindowClose(9);
}

TEST(WindowOpen, PositionIgnoreLetsTheSystemChooseBothCoordinates) {
  ASSERT_NE(WindowOpen(11, POSITION_IGNORE, 50, 200, 80, "t"), 0);
  RECT r = WindowRectOf(WindowHandle(11));
  EXPECT_GT(r.left, -1000);
  EXPECT_NE(r.top, 50) << "y is not kept when only x asks for the system's choice";
  WindowClose(11);
  ASSERT_NE(WindowOpen(11, 60, POSITION_IGNORE, 200, 80, "t"), 0);
  r = WindowRectOf(WindowHandle(11));
  EXPECT_NE(r.left, 60);
  EXPECT_GT(r.top, -1000);
  WindowClose(11);
  // A centring flag wins over the ignore value.
  ASSERT_NE(WindowOpen(11, POSITION_IGNORE, POSITION_IGNORE, 200, 80, "t", WINDOW_DEFAULT_FLAGS | WINDOW_SCREEN_CENTRED), 0);
  r = WindowRectOf(WindowHandle(11));
  EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2);
  WindowClose(11);
  DrainEvents();
}

}  // namespace
