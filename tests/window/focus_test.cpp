// Tab and Shift+Tab among a window's controls: FocusTraverse, real Tab keys
// through the window's accelerator table, and the editable rich edit control
// that keeps a plain Tab for itself.
#include <gtest/gtest.h>

#include "runtime/gadget/gadget_classes.h"
#include "tests/window/window_test_support.h"

namespace {

// Tab stops in creation order: field 10, button 12 (disabled), button 11,
// button 13 (hidden), button 14, button 15 (disabled, last).
class FocusTest : public testing::Test {
 protected:
  FocusTest() : window_(1, 100, 100, 300, 200) {
    GadgetListUse(window_.handle());
    TextFieldCreate(10, 10, 10, 100, 20, "");
    PushButtonCreate(12, 10, 40, 80, 20, "12");
    PushButtonCreate(11, 10, 70, 80, 20, "11");
    PushButtonCreate(13, 10, 100, 80, 20, "13");
    PushButtonCreate(14, 10, 130, 80, 20, "14");
    PushButtonCreate(15, 10, 160, 80, 20, "15");
    EnableWindow(Control(12), FALSE);
    EnableWindow(Control(15), FALSE);
    ShowWindow(Control(13), SW_HIDE);
    SetActiveWindow(window_.handle());
    DrainEvents();
  }
  static HWND Control(int n) { return GetDlgItem(WindowHandle(1), n); }
  // Number of the focused control, or -1.
  static int Focused() { return GetFocus() ? GetDlgCtrlID(GetFocus()) : -1; }
  TestWindow window_;
};

struct Move {
  int from;
  bool backward;
  int to;
};
const Move kMoves[] = {{10, false, 11}, {11, false, 14}, {14, false, 10},  // wraps to the first
                       {10, true, 14},  {14, true, 11},  {11, true, 10}};  // and to the last

TEST_F(FocusTest, TraversalSkipsDisabledAndHiddenControlsAndWraps) {
  ASSERT_EQ(GetActiveWindow(), window_.handle());
  for (const Move& m : kMoves) {
    SetFocus(Control(m.from));
    FocusTraverse(m.backward);
    EXPECT_EQ(Focused(), m.to) << "from " << m.from << (m.backward ? " backward" : " forward");
  }
  SetFocus(window_.handle());  // no control focused: forward takes the first, backward the last
  FocusTraverse(FALSE);
  EXPECT_EQ(Focused(), 10);
  SetFocus(window_.handle());
  FocusTraverse(TRUE);
  EXPECT_EQ(Focused(), 14);
}

// Real Tab keys, translated by the window's accelerator table in WaitEvent.
TEST_F(FocusTest, TabKeysMoveTheFocusThroughTheAcceleratorTable) {
  for (const Move& m : kMoves) {
    SetFocus(Control(m.from));
    DrainEvents();
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = m.backward ? 0x80 : 0;
    SetKeyboardState(keys);
    PostMessageA(Control(m.from), WM_KEYDOWN, VK_TAB, 1);
    WaitEvent(0);
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(Focused(), m.to) << "from " << m.from << (m.backward ? " backward" : " forward");
  }
}

TEST_F(FocusTest, PlainTabStaysInAnEditableRichEditOnly) {
  LoadLibraryA("riched20.dll");
  HWND rich = CreateWindowA("RichEdit20A", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 150, 10, 100, 40,
                            window_.handle(), (HMENU)20, 0, 0);
  ASSERT_NE(rich, nullptr);
  HACCEL own = ((WindowRecord*)ObjectTableFind(WindowTable, 1))->acceleratorTable;
  SetFocus(rich);
  static const struct { bool readOnly, shift; bool translated; } cases[] = {
      {false, false, false}, {false, true, true}, {true, false, true}, {true, true, true}};
  for (const auto& c : cases) {
    SendMessageA(rich, EM_SETREADONLY, c.readOnly, 0);
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_TAB] = 0x80;
    keys[VK_SHIFT] = c.shift ? 0x80 : 0;
    SetKeyboardState(keys);
    EXPECT_EQ(ActiveAccelerators(window_.handle()), c.translated ? own : nullptr)
        << "read-only " << c.readOnly << " shift " << c.shift;
    keys[VK_TAB] = keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
  }
  EXPECT_EQ(ActiveAccelerators(nullptr), nullptr) << "not a runtime window";
  DestroyWindow(rich);
}

}  // namespace
