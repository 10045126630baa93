// Shared by the window tests: recording what WaitEvent hands out, comparing it
// with tables of expected events, and watching the messages windows receive.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/window/events.h"
#include "runtime/window/sizing.h"
#include "runtime/window/window.h"

// What one WaitEvent call gave: the code, and whether it came from the queue
// of pending events (queued) or from a message fetched by that call.
struct SeenEvent {
  LONG code;
  bool queued;
};

// One WaitEvent(timeout) call, recorded.
SeenEvent NextEvent(LONG timeout = 0);
// WaitEvent(0) until it answers 0 with an empty queue (at most limit calls).
std::vector<SeenEvent> DrainEvents(int limit = 500);
// "" when seen equals the n expected entries, else the first difference.
std::string FirstDifference(const SeenEvent* expected, size_t n, const std::vector<SeenEvent>& seen);
template <size_t N>
std::string FirstDifference(const SeenEvent (&expected)[N], const std::vector<SeenEvent>& seen) {
  return FirstDifference(expected, N, seen);
}
// Codes of the pending-event queue, oldest first.
std::vector<LONG> QueuedCodes();

// The bytes the runtime holds on the MainHeap (HeapLiveBytes).
SIZE_T MainHeapUsed();

// Every message sent to a window of this thread while alive, in order (WH_CALLWNDPROC).
struct SeenMessage {
  HWND window;
  UINT message;
  WPARAM wParam;
  HANDLE windowId;  // the window's "Kel_WindowID" when the message came
};
class MessageWatch {
 public:
  MessageWatch();
  ~MessageWatch();
  const std::vector<SeenMessage>& seen() const { return seen_; }
  // Position of the first entry for window with message, -1 if none.
  int Find(HWND window, UINT message) const;
  // Called from the hooks.
  void Add(const SeenMessage& m) { seen_.push_back(m); }
 private:
  HHOOK hook_;
  std::vector<SeenMessage> seen_;
};

// Sets full-window dragging for the test's duration, then puts it back.
class DragFullWindows {
 public:
  explicit DragFullWindows(BOOL on);
  ~DragFullWindows();
 private:
  BOOL before_;
};

// Opens a runtime window for a test and closes it at the end.
class TestWindow {
 public:
  TestWindow(ObjectNumber number, int x, int y, int width, int height,
             DWORD flags = WINDOW_DEFAULT_FLAGS, HWND parent = 0);
  ~TestWindow();
  ObjectNumber number() const { return number_; }
  HWND handle() const { return WindowHandle(number_); }
 private:
  ObjectNumber number_;
};

RECT WindowRectOf(HWND window);
