// The event recording, message watch, settings and test windows of window_test_support.h.
#include "tests/window/window_test_support.h"

#include "runtime/memory/heaps.h"
#include "tests/support/win_test.h"

SeenEvent NextEvent(LONG timeout) {
  bool queued = Events->queueHead != nullptr;
  return {WaitEvent(timeout), queued};
}

std::vector<SeenEvent> DrainEvents(int limit) {
  std::vector<SeenEvent> seen;
  for (int i = 0; i < limit; i++) {
    SeenEvent e = NextEvent(0);
    if (e.code == 0 && !Events->queueHead) break;
    seen.push_back(e);
  }
  return seen;
}

static std::string Describe(const SeenEvent& e) {
  return std::to_string(e.code) + (e.queued ? " (queued)" : " (message)");
}

std::string FirstDifference(const SeenEvent* expected, size_t n, const std::vector<SeenEvent>& seen) {
  for (size_t i = 0; i < n || i < seen.size(); i++) {
    if (i >= n) return "entry " + std::to_string(i) + ": unexpected " + Describe(seen[i]);
    if (i >= seen.size()) return "entry " + std::to_string(i) + ": missing " + Describe(expected[i]);
    if (seen[i].code != expected[i].code || seen[i].queued != expected[i].queued)
      return "entry " + std::to_string(i) + ": expected " + Describe(expected[i]) + ", got " + Describe(seen[i]);
  }
  return "";
}

std::vector<LONG> QueuedCodes() {
  std::vector<LONG> codes;
  for (PendingEvent* e = Events->queueHead; e; e = e->next) codes.push_back(e->code);
  return codes;
}

SIZE_T MainHeapUsed() { return HeapLiveBytes(MainHeap); }

// ---- message watch -------------------------------------------------------------

static MessageWatch* watch;

static LRESULT CALLBACK CallHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && watch) {
    CWPSTRUCT* m = (CWPSTRUCT*)lParam;
    watch->Add({m->hwnd, m->message, m->wParam, GetPropA(m->hwnd, "Kel_WindowID")});
  }
  return CallNextHookEx(0, code, wParam, lParam);
}

MessageWatch::MessageWatch() {
  watch = this;
  hook_ = SetWindowsHookExA(WH_CALLWNDPROC, CallHook, 0, GetCurrentThreadId());
}

MessageWatch::~MessageWatch() {
  UnhookWindowsHookEx(hook_);
  watch = nullptr;
}

int MessageWatch::Find(HWND window, UINT message) const {
  for (size_t i = 0; i < seen_.size(); i++)
    if (seen_[i].window == window && seen_[i].message == message) return (int)i;
  return -1;
}

// ---- settings and windows ------------------------------------------------------------

DragFullWindows::DragFullWindows(BOOL on) {
  before_ = FALSE;
  SystemParametersInfoA(SPI_GETDRAGFULLWINDOWS, 0, &before_, 0);
  SystemParametersInfoA(SPI_SETDRAGFULLWINDOWS, on, 0, 0);
}

DragFullWindows::~DragFullWindows() { SystemParametersInfoA(SPI_SETDRAGFULLWINDOWS, before_, 0, 0); }

TestWindow::TestWindow(ObjectNumber number, int x, int y, int width, int height, DWORD flags, HWND parent) {
  ObjectNumber r = WindowOpen(number, x, y, width, height, "test", flags, parent);
  number_ = number == AUTO_NUMBER ? r : number;
}

TestWindow::~TestWindow() {
  WindowClose(number_);
  DrainEvents();
}

RECT WindowRectOf(HWND window) {
  RECT r = {};
  GetWindowRect(window, &r);
  return r;
}
