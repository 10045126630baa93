// A text field tells its runtime window when it gains and loses the focus,
// and the Edit control still gets both messages.
#include "runtime/gadget/gadget_classes.h"
#include "runtime/window/events.h"
#include "tests/gadget/gadget_test_support.h"
#include "tests/support/win_test.h"

namespace {

struct Notice {
  WPARAM gadget;
  LPARAM type;
};

std::vector<Notice> TakeNotices(HWND window) {
  std::vector<Notice> notices;
  MSG msg;
  while (PeekMessageA(&msg, window, EVENT_FOCUS_NOTICE, EVENT_FOCUS_NOTICE, PM_REMOVE))
    notices.push_back({msg.wParam, msg.lParam});
  return notices;
}

TEST(TextFieldFocus, NoticesGoToTheRuntimeWindowAndTheEditStillHearsThem) {
  ParentWindow shown(true, true);
  HWND window = shown.handle;
  SetForegroundWindow(window);
  PumpMessages(50);
  HWND numbered = (HWND)TextFieldCreate(6, 0, 0, 80, 20, "abc");
  ObjectNumber identity = TextFieldCreate(AUTO_NUMBER, 0, 30, 80, 20, "def");
  HWND automatic = GadgetHandle(identity);
  // A field inside a plain container still reports to the runtime window.
  HWND box = CreateWindowExA(WS_EX_CONTROLPARENT, "Static", "", WS_CHILD | WS_VISIBLE, 0, 60, 200, 40, window, 0,
                             InstanceHandle, 0);
  GadgetListUse(box);
  HWND nested = (HWND)TextFieldCreate(7, 0, 0, 80, 20, "ghi");
  GadgetListUse(window);
  ASSERT_TRUE(numbered && automatic && nested);
  TakeNotices(window);
  shown.notifications.clear();

  SetFocus(numbered);
  ASSERT_EQ(GetFocus(), numbered);
  SetFocus(automatic);
  SetFocus(nested);
  SetFocus(window);
  std::vector<Notice> notices = TakeNotices(window);
  const Notice expected[] = {{6, EVENT_TYPE_FOCUS},           {6, EVENT_TYPE_LOST_FOCUS},
                             {(WPARAM)identity, EVENT_TYPE_FOCUS}, {(WPARAM)identity, EVENT_TYPE_LOST_FOCUS},
                             {7, EVENT_TYPE_FOCUS},           {7, EVENT_TYPE_LOST_FOCUS}};
  ASSERT_EQ(notices.size(), 6u);
  for (size_t i = 0; i < 6; i++) {
    EXPECT_EQ(notices[i].gadget, expected[i].gadget) << i;
    EXPECT_EQ(notices[i].type, expected[i].type) << i;
  }
  // The Edit control's own handling ran: it told its parent EN_SETFOCUS and
  // EN_KILLFOCUS for both fields placed directly in the window.
  const WORD edits[] = {EN_SETFOCUS, EN_KILLFOCUS, EN_SETFOCUS, EN_KILLFOCUS};
  std::vector<WORD> seen;
  for (WORD code : shown.notifications)
    if (code == EN_SETFOCUS || code == EN_KILLFOCUS) seen.push_back(code);
  EXPECT_EQ(seen, std::vector<WORD>(edits, edits + 4));
  DestroyWindow(box);
  DestroyWindow(numbered);
  DestroyWindow(automatic);
  EXPECT_EQ(GadgetFind(6), nullptr);
  EXPECT_EQ(GadgetFind(7), nullptr);
}

}  // namespace
