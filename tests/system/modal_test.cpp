// The modal guard and the message box on real windows: which windows are
// disabled while a dialog is up, which are enabled again, and what the box shows.
#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "runtime/memory/heaps.h"
#include "runtime/system/modal.h"
#include "runtime/text/raw_bytes.h"
#include "tests/support/win_test.h"

namespace {

HWND MakeWindow(bool visible = true, bool enabled = true) {
  static ATOM atom = [] {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(0);
    wc.lpszClassName = "ModalTestWindow";
    return RegisterClassA(&wc);
  }();
  HWND w = CreateWindowExA(0, (LPCSTR)(uintptr_t)atom, "modal test", WS_POPUP | WS_BORDER, 10, 10, 200, 100, 0, 0,
                           GetModuleHandleA(0), 0);
  if (visible) ShowWindow(w, SW_SHOWNOACTIVATE);
  if (!enabled) EnableWindow(w, FALSE);
  return w;
}

// The windows the guard lists for a thread; a window listed twice counts twice.
std::multiset<HWND> Listed(DWORD thread) {
  std::multiset<HWND> listed;
  for (ListNode* node = ModalGuard; node; node = node->next) {
    DisabledWindow* entry = (DisabledWindow*)NodePayload(node);
    if (entry->threadId == thread) listed.insert(entry->window);
  }
  return listed;
}

// A second GUI thread with two visible windows; it can begin and end the guard
// on request, pumping its messages meanwhile.
struct OtherThread {
  HWND windows[2] = {};
  HANDLE ready = CreateEventA(0, FALSE, FALSE, 0);
  HANDLE step = CreateEventA(0, FALSE, FALSE, 0);
  DWORD id = 0;
  int stage = 0;  // 1: begin the guard, 2: end it, 3: leave
  std::thread thread;

  OtherThread() {
    thread = std::thread([this] {
      id = GetCurrentThreadId();
      windows[0] = MakeWindow();
      windows[1] = MakeWindow();
      SetEvent(ready);
      for (;;) {
        if (MsgWaitForMultipleObjects(1, &step, FALSE, 10000, QS_ALLINPUT) == WAIT_OBJECT_0) {
          if (stage == 3) break;
          ModalGuardSet(stage == 1);
          SetEvent(ready);
        }
        PumpMessages(0);
      }
      DestroyWindow(windows[0]);
      DestroyWindow(windows[1]);
    });
    EXPECT_TRUE(Signalled(ready, 10000, "the other thread to make its windows"));
  }
  void Do(int what) {
    stage = what;
    SetEvent(step);
    if (what != 3) {
      EXPECT_TRUE(Signalled(ready, 10000, what == 1 ? "the other thread to begin the guard"
                                                    : "the other thread to end the guard"));
    }
  }
  ~OtherThread() {
    Do(3);
    Deadline deadline(10000, "the other thread to close its windows and end");
    thread.join();
    CloseHandle(ready);
    CloseHandle(step);
  }
};

class ModalTest : public testing::Test {
 protected:
  void SetUp() override {
    front = MakeWindow();
    SetForegroundWindow(front);
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == front; }, 2000));
    open[0] = MakeWindow();
    open[1] = MakeWindow();
    disabledBefore = MakeWindow(true, false);
    hidden = MakeWindow(false);
  }
  void TearDown() override {
    ModalGuardSet(0);
    for (HWND w : {front, open[0], open[1], disabledBefore, hidden}) DestroyWindow(w);
  }
  void ExpectOthersUntouched() {
    EXPECT_TRUE(IsWindowEnabled(front));
    EXPECT_TRUE(IsWindowEnabled(hidden));
    EXPECT_FALSE(IsWindowEnabled(disabledBefore));
  }
  HWND front = 0, open[2] = {}, disabledBefore = 0, hidden = 0;
  DWORD self = GetCurrentThreadId();
};

TEST_F(ModalTest, DisablesExactlyThisThreadsOtherVisibleEnabledWindowsAndEnablesThemAgain) {
  OtherThread other;
  ModalGuardSet(1);
  EXPECT_EQ(Listed(self), (std::multiset<HWND>{open[0], open[1]}));
  EXPECT_FALSE(IsWindowEnabled(open[0]));
  EXPECT_FALSE(IsWindowEnabled(open[1]));
  ExpectOthersUntouched();
  EXPECT_TRUE(IsWindowEnabled(other.windows[0]));
  EXPECT_TRUE(IsWindowEnabled(other.windows[1]));

  // A second begin finds them disabled and lists nothing again.
  ModalGuardSet(1);
  EXPECT_EQ(Listed(self), (std::multiset<HWND>{open[0], open[1]}));

  ModalGuardSet(0);
  EXPECT_TRUE(Listed(self).empty());
  EXPECT_TRUE(IsWindowEnabled(open[0]));
  EXPECT_TRUE(IsWindowEnabled(open[1]));
  ExpectOthersUntouched();
  EXPECT_TRUE(Listed(other.id).empty());
}

TEST_F(ModalTest, EndingOnOneThreadLeavesAnotherThreadsWindowsDisabled) {
  OtherThread other;
  other.Do(1);
  EXPECT_EQ(Listed(other.id), (std::multiset<HWND>{other.windows[0], other.windows[1]}));

  ModalGuardSet(1);
  EXPECT_EQ(Listed(self), (std::multiset<HWND>{open[0], open[1]}));
  ModalGuardSet(0);
  EXPECT_TRUE(Listed(self).empty());
  EXPECT_EQ(Listed(other.id), (std::multiset<HWND>{other.windows[0], other.windows[1]}));
  EXPECT_FALSE(IsWindowEnabled(other.windows[0]));
  EXPECT_FALSE(IsWindowEnabled(other.windows[1]));

  other.Do(2);
  EXPECT_TRUE(Listed(other.id).empty());
  EXPECT_TRUE(IsWindowEnabled(other.windows[0]));
  EXPECT_TRUE(IsWindowEnabled(other.windows[1]));
}

TEST_F(ModalTest, WindowWithoutANodeIsNotDisabled) {
  HANDLE heap = ListHeap;
  ListHeap = 0;  // no node can be had
  ModalGuardSet(1);
  ListHeap = heap;
  EXPECT_TRUE(Listed(self).empty());
  EXPECT_TRUE(IsWindowEnabled(open[0]));
  EXPECT_TRUE(IsWindowEnabled(open[1]));
  ExpectOthersUntouched();
}

TEST_F(ModalTest, MessageBoxShowsItsTextIconAndOneButtonOverDisabledWindows) {
  EXPECT_EQ(DialogOwner(), front);
  // The box takes Windows-1250 bytes and must show their letters (as UTF-8
  // here) whatever the system's code page.
  struct Row {
    std::string caption, text;
    UINT flags;
    LONG icon;
    std::string shownCaption, shownText;
  } rows[] = {
      {"Hiba   ", "UPX hiba! Az UPX-nek ugyanabban a k\xF6nyvt\xE1rban kell lennie, mint a Zimbrel!  ", 48, 48,
       "Hiba   ", "UPX hiba! Az UPX-nek ugyanabban a könyvtárban kell lennie, mint a Zimbrel!  "},
      // \xF5 is ő in Windows-1250 and õ in Windows-1252, where the other letters here are the same.
      {"Hiba   ", "Nem t\xF6m\xF6r\xEDthet\xF5! Lehet, hogy m\xE1r t\xF6m\xF6r\xEDtve van a f\xE1jl?  ", 48, 48,
       "Hiba   ", "Nem tömöríthető! Lehet, hogy már tömörítve van a fájl?  "},
      {"K\xE9sz", "Eredeti : 900\r\n\xDAj m\xE9ret: 500", 64, 64, "Kész", "Eredeti : 900\r\nÚj méret: 500"},
      {"Hiba ", "Adj meg egy f\xE1jlt", 0, 0, "Hiba ", "Adj meg egy fájlt"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.shownText);
    static bool openWhileUp;
    openWhileUp = true;
    BoxCatcher catcher;
    catcher.context = open;
    catcher.onBox = [](HWND, void* context) {
      HWND* windows = (HWND*)context;
      openWhileUp = IsWindowEnabled(windows[0]) || IsWindowEnabled(windows[1]);
      return false;
    };
    ProgramText caption = RawProgramText(row.caption.c_str()), text = RawProgramText(row.text.c_str());
    int result = row.flags ? MessageDialog(caption, text, row.flags) : MessageDialog(caption, text);
    EXPECT_EQ(result, IDOK);
    ASSERT_EQ(catcher.boxes().size(), 1u);
    const SeenBox& box = catcher.boxes()[0];
    EXPECT_EQ(box.caption, row.shownCaption);
    EXPECT_EQ(box.text, row.shownText);
    EXPECT_EQ(box.icon, row.icon);
    EXPECT_EQ(box.buttons, 1);
    EXPECT_EQ(box.owner, front);
    EXPECT_FALSE(openWhileUp);
    EXPECT_TRUE(IsWindowEnabled(open[0]));
    EXPECT_TRUE(IsWindowEnabled(open[1]));
    ExpectOthersUntouched();
    EXPECT_TRUE(Listed(self).empty());
  }
}

}  // namespace
