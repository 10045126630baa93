// The runtime's own sizing loop on a real window: the mouse and keyboard loops,
// the arrow-key table, the track limits and the window's WM_SIZING answer, child
// windows, and every way a loop ends.
#include <gtest/gtest.h>

#include "tests/window/window_test_support.h"

namespace {

// What the sized window hears, and limits or a rectangle rule it imposes.
struct Heard {
  std::vector<UINT> messages;
  std::vector<WPARAM> sizingEdges;
  bool snapToTen = false;  // the WM_SIZING handler rounds the width down to tens
} heard;
WNDPROC runtimeProc;

LRESULT CALLBACK Listener(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SIZING || message == WM_GETMINMAXINFO || message == WM_ENTERSIZEMOVE ||
      message == WM_EXITSIZEMOVE || message == WM_LBUTTONDOWN)
    heard.messages.push_back(message);
  if (message == WM_SIZING) {
    heard.sizingEdges.push_back(wParam);
    RECT* r = (RECT*)lParam;
    if (heard.snapToTen) r->right = r->left + (r->right - r->left) / 10 * 10;
  }
  if (message == WM_GETMINMAXINFO) {
    MINMAXINFO* m = (MINMAXINFO*)lParam;
    m->ptMinTrackSize = {200, 150};
    m->ptMaxTrackSize = {500, 400};
  }
  return CallWindowProcA(runtimeProc, w, message, wParam, lParam);
}

// The messages of interest that a loop sent, in order, with the limits asked
// for only the first time (the system asks for them too).
std::vector<UINT> LoopMessages() {
  std::vector<UINT> mine;
  for (UINT m : heard.messages)
    if (m != WM_GETMINMAXINFO || mine.empty()) mine.push_back(m);
  return mine;
}

// Gives the left button the key state given for the test's duration, then
// puts the thread's whole keyboard state back.
class LeftButtonKeyState {
 public:
  explicit LeftButtonKeyState(BYTE state) {
    saved_ = GetKeyboardState(keys_) != 0;
    BYTE keys[256];
    CopyMemory(keys, keys_, sizeof keys);
    keys[VK_LBUTTON] = state;
    if (saved_) SetKeyboardState(keys);
  }
  ~LeftButtonKeyState() {
    if (saved_) SetKeyboardState(keys_);
  }
 private:
  BYTE keys_[256];
  bool saved_;
};

class SizingTest : public testing::Test {
 protected:
  SizingTest() : drag_(TRUE), window_(1, 200, 200, 300, 200, WINDOW_DEFAULT_FLAGS | WS_THICKFRAME) {
    w_ = window_.handle();
    runtimeProc = (WNDPROC)SetWindowLongA(w_, GWL_WNDPROC, (LONG)Listener);
    heard = Heard();
    DrainEvents();
  }
  ~SizingTest() override {
    if (Sizing->active) ReleaseCapture();
    DrainEvents();
  }
  LRESULT Begin(WPARAM command) { return SendMessageA(w_, WM_SYSCOMMAND, command, 0); }
  void Key(WPARAM key) { EXPECT_EQ(SendMessageA(w_, WM_KEYDOWN, key, 0), 0) << key; }
  // A mouse move to screen point (x, y), as the window with the capture receives it.
  void MouseTo(int x, int y) {
    POINT p = {x, y};
    ScreenToClient(w_, &p);
    EXPECT_EQ(SendMessageA(w_, WM_MOUSEMOVE, 0, MAKELPARAM(p.x, p.y)), 0);
  }
  static POINT Cursor() {
    POINT p;
    GetCursorPos(&p);
    return p;
  }
  static HCURSOR Shape(LPCSTR id) { return (HCURSOR)LoadImageA(0, id, IMAGE_CURSOR, 0, 0, LR_SHARED | LR_DEFAULTSIZE); }
  DragFullWindows drag_;
  TestWindow window_;
  HWND w_;
};

TEST_F(SizingTest, MouseLoopFromAnEdgeFollowsTheCursorWithinTheTrackLimits) {
  RECT start = WindowRectOf(w_);
  ASSERT_EQ(Begin(SC_SIZE | WMSZ_BOTTOMRIGHT), 0);
  EXPECT_EQ(Sizing->active, 1);
  EXPECT_EQ(Sizing->edge, WMSZ_BOTTOMRIGHT);
  EXPECT_EQ(Sizing->restoreCursor, 0);
  EXPECT_EQ(GetCapture(), w_);
  EXPECT_TRUE(EqualRect(&Sizing->startRectangle, &start));
  EXPECT_EQ(Sizing->limits.ptMinTrackSize.x, 200) << "the window's WM_GETMINMAXINFO answer is used";

  MouseTo(start.left + 350, start.top + 250);
  RECT r = WindowRectOf(w_);
  EXPECT_EQ(r.right, start.left + 352);
  EXPECT_EQ(r.bottom, start.top + 252);
  MouseTo(start.left + 50, start.top + 900);  // too narrow, too tall
  r = WindowRectOf(w_);
  EXPECT_EQ(r.right - r.left, 200);
  EXPECT_EQ(r.bottom - r.top, 400);
  EXPECT_EQ(r.left, start.left);

  EXPECT_EQ(SendMessageA(w_, WM_LBUTTONUP, 0, 0), 0);
  EXPECT_EQ(Sizing->active, 0);
  EXPECT_EQ(GetCapture(), nullptr);
  DrainEvents();
  // Limits and sizing are sent; entering and leaving come through the queue.
  static const UINT expected[] = {WM_GETMINMAXINFO, WM_LBUTTONDOWN, WM_SIZING, WM_SIZING, WM_ENTERSIZEMOVE,
                                  WM_EXITSIZEMOVE};
  EXPECT_EQ(LoopMessages(), std::vector<UINT>(expected, expected + 6));
  EXPECT_EQ(heard.sizingEdges, std::vector<WPARAM>({WMSZ_BOTTOMRIGHT, WMSZ_BOTTOMRIGHT}));
}

TEST_F(SizingTest, LeftEdgeStopsAtTheMinimumAndMaximumWidth) {
  RECT start = WindowRectOf(w_);
  Begin(SC_SIZE | WMSZ_LEFT);
  MouseTo(start.right - 20, start.top + 10);
  EXPECT_EQ(WindowRectOf(w_).left, start.right - 200);
  MouseTo(start.right - 2000, start.top + 10);
  EXPECT_EQ(WindowRectOf(w_).left, start.right - 500);
  EXPECT_EQ(WindowRectOf(w_).top, start.top);
}

// The keyboard loop of the system menu's size command, step by step.
TEST_F(SizingTest, KeyboardLoopChoosesEdgesStepsAndPutsTheCursorBack) {
  RECT start = WindowRectOf(w_);
  POINT inside = {start.left + 100, start.top + 80};
  SetCursorPos(inside.x, inside.y);
  ASSERT_EQ(Begin(SC_SIZE), 0);
  EXPECT_EQ(Sizing->edge, 0);
  EXPECT_EQ(Sizing->restoreCursor, 1);
  EXPECT_EQ(GetCursor(), Shape(IDC_SIZEALL));
  Key(VK_LEFT);  // choose the left edge: the cursor goes onto it
  EXPECT_EQ(Sizing->edge, WMSZ_LEFT);
  EXPECT_EQ(Cursor().x, start.left);
  EXPECT_EQ(Cursor().y, inside.y);
  EXPECT_EQ(GetCursor(), Shape(IDC_SIZEWE));
  EXPECT_TRUE(heard.sizingEdges.empty()) << "choosing an edge does not size";
  Key(VK_LEFT);  // a step: cursor and edge 10 pixels out
  EXPECT_EQ(Cursor().x, start.left - 10);
  EXPECT_EQ(WindowRectOf(w_).left, start.left - 10);
  EXPECT_EQ(heard.sizingEdges, std::vector<WPARAM>({WMSZ_LEFT}));
  Key(VK_UP);
  EXPECT_EQ(Sizing->edge, WMSZ_TOPLEFT);
  EXPECT_EQ(GetCursor(), Shape(IDC_SIZENWSE));
  EXPECT_EQ(SizingFilter(w_, WM_KEYDOWN, 'A', 0), NOT_HANDLED);
  EXPECT_EQ(SizingFilter(w_, WM_CHAR, 'a', 0), NOT_HANDLED);
  EXPECT_EQ(SizingFilter(w_, WM_SYSCOMMAND, SC_SIZE, 0), NOT_HANDLED);
  Key(VK_RETURN);
  EXPECT_EQ(Sizing->active, 0);
  EXPECT_EQ(Cursor().x, inside.x) << "no mouse move came: the cursor goes back";
  EXPECT_EQ(Cursor().y, inside.y);
  EXPECT_EQ(WindowRectOf(w_).left, start.left - 10) << "Enter keeps the size reached";

  // The same with one mouse move: the cursor stays where it is.
  SetCursorPos(inside.x, inside.y);
  Begin(SC_SIZE);
  RECT before = WindowRectOf(w_);
  MouseTo(inside.x + 5, inside.y + 5);  // no edge yet: sent and moved, but unchanged
  EXPECT_EQ(heard.sizingEdges.back(), 0u);
  RECT after = WindowRectOf(w_);
  EXPECT_TRUE(EqualRect(&before, &after));
  Key(VK_DOWN);
  Key(VK_RETURN);
  EXPECT_EQ(Cursor().y, before.bottom - 2);
}

// The low bit of the button's key state is its toggle state, which every
// click flips; only the high bit says the button is down. After an odd
// number of clicks a loop begun from the system menu, with the button up,
// still tells the window of a press.
TEST_F(SizingTest, KeyboardLoopSendsAPressWhenOnlyTheButtonsToggleBitIsSet) {
  LeftButtonKeyState toggled(0x01);
  ASSERT_EQ(GetKeyState(VK_LBUTTON) & 0x8001, 0x0001) << "the button is up with its toggle bit set";
  ASSERT_EQ(Begin(SC_SIZE), 0);
  EXPECT_EQ(Sizing->active, 1);
  Key(VK_RETURN);
  EXPECT_EQ(Sizing->active, 0);
  DrainEvents();
  static const UINT expected[] = {WM_GETMINMAXINFO, WM_LBUTTONDOWN, WM_ENTERSIZEMOVE, WM_EXITSIZEMOVE};
  EXPECT_EQ(LoopMessages(), std::vector<UINT>(expected, expected + 4));
}

// Every transition of the arrow-key table: the new edge, the cursor shape, and
// a cursor placed so that it maps back onto the rectangle's current edges.
TEST_F(SizingTest, ArrowKeyTransitions) {
  static const struct { LONG from; WPARAM key; LONG to; LPCSTR shape; } rows[] = {
      {0, VK_LEFT, WMSZ_LEFT, IDC_SIZEWE}, {0, VK_RIGHT, WMSZ_RIGHT, IDC_SIZEWE},
      {0, VK_UP, WMSZ_TOP, IDC_SIZENS}, {0, VK_DOWN, WMSZ_BOTTOM, IDC_SIZENS},
      {WMSZ_LEFT, VK_UP, WMSZ_TOPLEFT, IDC_SIZENWSE}, {WMSZ_LEFT, VK_DOWN, WMSZ_BOTTOMLEFT, IDC_SIZENESW},
      {WMSZ_RIGHT, VK_UP, WMSZ_TOPRIGHT, IDC_SIZENESW}, {WMSZ_RIGHT, VK_DOWN, WMSZ_BOTTOMRIGHT, IDC_SIZENWSE},
      {WMSZ_TOP, VK_LEFT, WMSZ_TOPLEFT, IDC_SIZENWSE}, {WMSZ_TOP, VK_RIGHT, WMSZ_TOPRIGHT, IDC_SIZENESW},
      {WMSZ_BOTTOM, VK_LEFT, WMSZ_BOTTOMLEFT, IDC_SIZENESW}, {WMSZ_BOTTOM, VK_RIGHT, WMSZ_BOTTOMRIGHT, IDC_SIZENWSE},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "edge " << row.from << " key " << row.key);
    RECT start = WindowRectOf(w_);
    SetCursorPos(start.left + 100, start.top + 80);
    Begin(SC_SIZE | row.from);
    size_t sized = heard.sizingEdges.size();
    Key(row.key);
    EXPECT_EQ(Sizing->edge, row.to);
    EXPECT_EQ(GetCursor(), Shape(row.shape));
    EXPECT_EQ(heard.sizingEdges.size(), sized);
    POINT c = Cursor();
    MouseTo(c.x, c.y);
    RECT now = WindowRectOf(w_);
    EXPECT_TRUE(EqualRect(&now, &start)) << "cursor at " << c.x << "," << c.y;
    Key(VK_RETURN);
  }
  // A corner only steps, on every arrow.
  RECT start = WindowRectOf(w_);
  Begin(SC_SIZE | WMSZ_BOTTOMRIGHT);
  Key(VK_RIGHT);
  Key(VK_DOWN);
  Key(VK_DOWN);
  Key(VK_LEFT);
  Key(VK_UP);
  Key(VK_RETURN);
  RECT r = WindowRectOf(w_);
  EXPECT_EQ(r.right - start.right, 0);
  EXPECT_EQ(r.bottom - start.bottom, 10);
}

TEST_F(SizingTest, EscapeAndACaptureChangeEndTheLoop) {
  RECT start = WindowRectOf(w_);
  Begin(SC_SIZE | WMSZ_RIGHT);
  MouseTo(start.right + 40, start.top);
  EXPECT_EQ(WindowRectOf(w_).right, start.right + 42);
  Key(VK_ESCAPE);
  EXPECT_EQ(Sizing->active, 0);
  RECT r = WindowRectOf(w_);
  EXPECT_TRUE(EqualRect(&r, &start)) << "Escape cancels the size";

  // Another window takes the capture: the loop ends at the size reached.
  TestWindow other(2, 0, 0, 100, 50);
  Begin(SC_SIZE | WMSZ_RIGHT);
  MouseTo(start.right + 40, start.top);
  SetCapture(other.handle());
  EXPECT_EQ(Sizing->active, 0);
  EXPECT_EQ(WindowRectOf(w_).right, start.right + 42);
  ReleaseCapture();

  // A loop may start while another window holds the capture.
  SetCapture(other.handle());
  Begin(SC_SIZE | WMSZ_RIGHT);
  EXPECT_EQ(Sizing->active, 1);
  EXPECT_EQ(GetCapture(), w_);
  Key(VK_RETURN);
  EXPECT_EQ(Sizing->active, 0);
}

TEST_F(SizingTest, WindowsSizingAnswerDecidesWhereItGoes) {
  heard.snapToTen = true;
  RECT start = WindowRectOf(w_);
  Begin(SC_SIZE | WMSZ_RIGHT);
  MouseTo(start.left + 333, start.top);
  EXPECT_EQ(WindowRectOf(w_).right - start.left, 330);
  EXPECT_EQ(Sizing->rectangle.right - start.left, 330);
  Key(VK_RETURN);
}

TEST_F(SizingTest, ChildWindowsMoveInTheirParentsCoordinates) {
  HWND child = CreateWindowA("STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, w_, 0, 0, 0);
  POINT origin = {0, 0};
  ClientToScreen(w_, &origin);
  SizingApply(child, {origin.x + 30, origin.y + 20, origin.x + 90, origin.y + 60});
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(0, w_, (POINT*)&r, 2);
  EXPECT_EQ(r.left, 30);
  EXPECT_EQ(r.top, 20);
  EXPECT_EQ(r.right, 90);
  EXPECT_EQ(r.bottom, 60);
  DestroyWindow(child);
}

TEST_F(SizingTest, NothingIsTakenWithFullWindowDraggingOff) {
  DragFullWindows off(FALSE);
  SizingState before = *Sizing;
  EXPECT_EQ(SizingFilter(w_, WM_SYSCOMMAND, SC_SIZE | WMSZ_RIGHT, 0), NOT_HANDLED);
  EXPECT_EQ(memcmp(&before, Sizing, sizeof before), 0);
  EXPECT_EQ(GetCapture(), nullptr);
}

// A loop whose window is closed under it must not go on taking other windows' input.
TEST_F(SizingTest, ClosingTheSizedWindowEndsTheLoop) {
  TestWindow other(2, 0, 0, 200, 100);
  RECT before = WindowRectOf(other.handle());
  Begin(SC_SIZE | WMSZ_RIGHT);
  WindowClose(1);
  SendMessageA(other.handle(), WM_MOUSEMOVE, 0, MAKELPARAM(300, 10));
  EXPECT_EQ(Sizing->active, 0);
  RECT after = WindowRectOf(other.handle());
  EXPECT_TRUE(EqualRect(&before, &after));
}

// A keyboard loop whose window is closed under it ends as a capture change
// would end it: the cursor goes back to where the loop found it.
TEST_F(SizingTest, ClosingTheSizedWindowPutsTheCursorBack) {
  TestWindow other(2, 0, 0, 200, 100);
  RECT start = WindowRectOf(w_);
  POINT inside = {start.left + 100, start.top + 80};
  SetCursorPos(inside.x, inside.y);
  ASSERT_EQ(Begin(SC_SIZE), 0);
  Key(VK_LEFT);  // the cursor goes onto the left edge
  ASSERT_EQ(Cursor().x, start.left);
  ASSERT_EQ(Sizing->restoreCursor, 1);
  WindowClose(1);
  SendMessageA(other.handle(), WM_KEYDOWN, VK_LEFT, 0);
  EXPECT_EQ(Sizing->active, 0);
  EXPECT_EQ(Cursor().x, inside.x) << "the cursor stayed on the closed window's edge";
  EXPECT_EQ(Cursor().y, inside.y);
}

}  // namespace
