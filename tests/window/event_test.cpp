// Messages to runtime windows as WaitEvent hands them out: raw messages and the
// queued events after them (close, repaint, move, size), direct events (clicks,
// menus, accelerators, focus notices, tray clicks), and how the wait waits; then
// bad input: windows without a number, WM_QUIT, unknown messages, data pointers
// that are not ours, user callbacks and the background.
#include <gtest/gtest.h>

#include <algorithm>

#include "runtime/gadget/gadget_classes.h"
#include "runtime/memory/heaps.h"
#include "tests/support/win_test.h"
#include "tests/window/window_test_support.h"

namespace {

const SeenEvent kSysCloseThenClose[] = {{WM_SYSCOMMAND, false}, {EVENT_CLOSE, true}};
const SeenEvent kPostedClose[] = {{WM_CLOSE, false}, {EVENT_CLOSE, true}};
const SeenEvent kPaint[] = {{WM_PAINT, false}, {EVENT_REPAINT, true}};

TEST(Event, CloseAndPaintComeAsRawMessagesAndThenAsQueuedEvents) {
  TestWindow w(1, 100, 100, 200, 100);
  DrainEvents();
  PostMessageA(w.handle(), WM_SYSCOMMAND, SC_CLOSE, 0);  // the user's close
  EXPECT_EQ(FirstDifference(kSysCloseThenClose, DrainEvents()), "");
  EXPECT_EQ(Events->window, 1);
  EXPECT_TRUE(IsWindowVisible(w.handle())) << "the window stays until the program closes it";
  PostMessageA(w.handle(), WM_CLOSE, 0, 0);  // another program's close
  EXPECT_EQ(FirstDifference(kPostedClose, DrainEvents()), "");
  InvalidateRect(w.handle(), nullptr, TRUE);
  EXPECT_EQ(FirstDifference(kPaint, DrainEvents()), "");
}

TEST(Event, EqualConsecutiveEventsCollapseAndMinimisingGivesNoSize) {
  TestWindow w(1, 100, 100, 200, 100, WINDOW_DEFAULT_FLAGS | WS_THICKFRAME | WS_MINIMIZEBOX);
  DrainEvents();
  const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
  for (int i = 1; i <= 3; i++) SetWindowPos(w.handle(), 0, 100 + 10 * i, 100, 0, 0, flags | SWP_NOSIZE);
  EXPECT_EQ(QueuedCodes(), std::vector<LONG>({EVENT_MOVE}));
  DrainEvents();
  SetWindowPos(w.handle(), 0, 150, 100, 0, 0, flags | SWP_NOSIZE);
  SetWindowPos(w.handle(), 0, 0, 0, 300, 200, flags | SWP_NOMOVE | SWP_NOREDRAW);
  SetWindowPos(w.handle(), 0, 160, 100, 0, 0, flags | SWP_NOSIZE);
  EXPECT_EQ(QueuedCodes(), std::vector<LONG>({EVENT_MOVE, EVENT_SIZE, EVENT_MOVE}));
  EXPECT_EQ(NextEvent().code, EVENT_MOVE);
  EXPECT_EQ(Events->window, 1);
  DrainEvents();
  ShowWindow(w.handle(), SW_MINIMIZE);
  ASSERT_TRUE(IsIconic(w.handle()));
  for (LONG code : QueuedCodes()) EXPECT_NE(code, EVENT_SIZE);
  DrainEvents();
  ShowWindow(w.handle(), SW_RESTORE);
  std::vector<LONG> codes = QueuedCodes();
  EXPECT_NE(std::find(codes.begin(), codes.end(), EVENT_SIZE), codes.end());
}

TEST(Event, ButtonClicksMenusAndAcceleratorsAreDirectEvents) {
  TestWindow w(2, 100, 100, 300, 150);
  GadgetListUse(w.handle());
  HWND button = (HWND)PushButtonCreate(4, 10, 10, 80, 24, "Go");
  HWND menuControl = CreateWindowA("BUTTON", "m", WS_CHILD | WS_VISIBLE, 100, 10, 40, 24, w.handle(),
                                   (HMENU)(INT_PTR)MENU_CONTROL_ID, 0, 0);
  ASSERT_TRUE(button && menuControl);
  DrainEvents();
  static const struct { HWND* to; UINT message; WPARAM wParam; LONG code; ObjectNumber source; LONG type; } rows[] = {
      {&button, BM_CLICK, 0, EVENT_GADGET, 4, BN_CLICKED},
      {&menuControl, BM_CLICK, 0, EVENT_MENU, (WORD)MENU_CONTROL_ID, -1},
      {nullptr, WM_COMMAND, 7, EVENT_MENU, 7, -1},                // a menu item
      {nullptr, WM_COMMAND, MAKEWPARAM(7, 1), EVENT_MENU, 7, -1},  // an accelerator
  };
  for (const auto& r : rows) {
    PostMessageA(r.to ? *r.to : w.handle(), r.message, r.wParam, 0);
    // Returned by the very call that dispatched the message.
    EXPECT_EQ(NextEvent().code, r.code) << r.message;
    EXPECT_EQ(EventSource(), r.source);
    EXPECT_EQ(Events->type, r.type);
    EXPECT_EQ(Events->window, 2);
    DrainEvents();
  }
  // A real key through a real accelerator table of the active window.
  WindowRecord* record = (WindowRecord*)ObjectTableFind(WindowTable, 2);
  ACCEL key = {FVIRTKEY, 'M', 7};
  HACCEL own = record->acceleratorTable, keyTable = CreateAcceleratorTableA(&key, 1);
  record->acceleratorTable = keyTable;
  SetActiveWindow(w.handle());
  PostMessageA(w.handle(), WM_KEYDOWN, 'M', 0);
  EXPECT_EQ(NextEvent().code, EVENT_MENU);
  EXPECT_EQ(EventSource(), 7);
  record->acceleratorTable = own;
  DestroyAcceleratorTable(keyTable);
  DrainEvents();
  // A real mouse click: the button release is answered by the gadget event.
  RECT r = WindowRectOf(button);
  SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  INPUT clicks[2] = {};
  clicks[0].type = clicks[1].type = INPUT_MOUSE;
  clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  ASSERT_EQ(SendInput(2, clicks, sizeof(INPUT)), 2u);
  std::vector<LONG> codes;
  for (int i = 0; i < 100 && (codes.empty() || codes.back() != EVENT_GADGET); i++) codes.push_back(NextEvent(20).code);
  EXPECT_EQ(codes.back(), EVENT_GADGET);
  EXPECT_NE(std::find(codes.begin(), codes.end(), WM_LBUTTONDOWN), codes.end());
  EXPECT_EQ(std::find(codes.begin(), codes.end(), WM_LBUTTONUP), codes.end());
  EXPECT_EQ(EventSource(), 4);
}

TEST(Event, TextFieldFocusNoticesAndTrayClicks) {
  TestWindow w(3, 100, 100, 300, 150);
  GadgetListUse(w.handle());
  HWND field = (HWND)TextFieldCreate(5, 10, 10, 100, 20, "");
  HWND button = (HWND)PushButtonCreate(6, 10, 40, 80, 24, "b");
  SetFocus(button);
  DrainEvents();
  SetFocus(field);
  SetFocus(button);
  static const LONG types[] = {EVENT_TYPE_FOCUS, EVENT_TYPE_LOST_FOCUS};
  for (LONG type : types) {
    EXPECT_EQ(NextEvent().code, EVENT_GADGET);
    EXPECT_EQ(EventSource(), 5);
    EXPECT_EQ(Events->type, type);
  }
  static const struct { LPARAM mouse; LONG code, type; } tray[] = {
      {WM_LBUTTONUP, EVENT_TRAY, TRAY_LEFT_UP}, {WM_RBUTTONUP, EVENT_TRAY, TRAY_RIGHT_UP},
      {WM_LBUTTONDBLCLK, EVENT_TRAY, TRAY_LEFT_DOUBLE}, {WM_RBUTTONDBLCLK, EVENT_TRAY, TRAY_RIGHT_DOUBLE},
      {WM_MOUSEMOVE, (LONG)MSG_TRAY_POSTED, -1}};
  for (const auto& t : tray) {
    EXPECT_EQ(SendMessageA(w.handle(), MSG_TRAY, 3, t.mouse), 0);
    EXPECT_EQ(NextEvent().code, t.code);
    EXPECT_EQ(Events->type, t.type);
  }
  EXPECT_EQ(EventSource(), 3);
}

DWORD WINAPI PostLater(LPVOID thread) {
  Sleep(30);
  PostThreadMessageA((DWORD)(UINT_PTR)thread, WM_APP + 5, 11, 12);
  return 0;
}

// A wait wakes for anything that reaches the thread's queue, and a wake-up
// that brings no message answers 0 as a time-out does (the system may send
// such at any time). So a test waits again until its deadline or its message.
TEST(Event, WaitingLooksWaitsAWhileOrWaitsForAMessage) {
  DrainEvents();
  EXPECT_EQ(WaitEvent(0), 0);
  // A finite time-out blocks: a handful of calls cover 100 ms, where a wait
  // that returned at once would take thousands.
  DWORD start = GetTickCount();
  int calls = 0;
  for (DWORD waited = 0; waited < 100; waited = GetTickCount() - start, calls++)
    ASSERT_EQ(WaitEvent((LONG)(100 - waited)), 0);
  EXPECT_LE(calls, 10) << "a finite time-out waits";
  HANDLE t = CreateThread(nullptr, 0, PostLater, (LPVOID)(UINT_PTR)GetCurrentThreadId(), 0, nullptr);
  LONG code = 0;
  for (DWORD begun = GetTickCount(); !code && GetTickCount() - begun < 5000;)
    code = WaitEvent((LONG)(5000 - (GetTickCount() - begun)));
  EXPECT_EQ(code, WM_APP + 5);
  EXPECT_EQ(Events->wParam, 11u);
  EXPECT_EQ(Events->lParam, 12);
  EXPECT_TRUE(Signalled(t, 5000, "the posting thread to end"));
  CloseHandle(t);
}

TEST(Event, QueuedEventsGoFirstAndDropAStrayDirectEvent) {
  TestWindow w(1, 100, 100, 200, 100);
  DrainEvents();
  SendMessageA(w.handle(), EVENT_FOCUS_NOTICE, 9, EVENT_TYPE_FOCUS);  // outside any wait
  EXPECT_EQ(SendMessageA(w.handle(), WM_CLOSE, 0, 0), 0);
  EXPECT_EQ(NextEvent().code, EVENT_CLOSE);
  EXPECT_EQ(WaitEvent(0), 0) << "the direct event stored outside the wait was dropped";
}

// ---- bad input -------------------------------------------------------------------------

TEST(EventBadInput, WindowsWithoutANumberOnlyQueueActivationAndRepaint) {
  WNDCLASSA c = {};
  c.lpfnWndProc = RuntimeWindowProc;
  c.hInstance = GetModuleHandleA(0);
  c.lpszClassName = "NoNumber";
  RegisterClassA(&c);
  HWND w = CreateWindowA("NoNumber", "", WS_OVERLAPPED, 0, 0, 50, 50, 0, 0, 0, 0);
  DrainEvents();
  EXPECT_EQ(SendMessageA(w, WM_MOVE, 0, 0), 0);
  EXPECT_EQ(SendMessageA(w, WM_SIZE, SIZE_RESTORED, 0), 0);
  EXPECT_EQ(SendMessageA(w, WM_CLOSE, 0, 0), 0);
  EXPECT_TRUE(IsWindow(w));
  EXPECT_EQ(SendMessageA(w, WM_ACTIVATE, WA_ACTIVE, 0), 1);
  HDC dc = GetDC(w);
  SendMessageA(w, WM_ERASEBKGND, (WPARAM)dc, 0);
  ReleaseDC(w, dc);
  EXPECT_EQ(QueuedCodes(), std::vector<LONG>({EVENT_ACTIVATE, EVENT_REPAINT}));
  for (PendingEvent* e = Events->queueHead; e; e = e->next) EXPECT_EQ(e->window, -1);
  EXPECT_EQ(SendMessageA(w, WM_NOTIFY, 0, 0), 0);  // no header at all
  DestroyWindow(w);
  UnregisterClassA("NoNumber", GetModuleHandleA(0));
  DrainEvents();
}

TEST(EventBadInput, QuitUnknownMessagesAndForeignDataPointers) {
  TestWindow w(1, 100, 100, 200, 100);
  DrainEvents();
  PostThreadMessageA(GetCurrentThreadId(), WM_QUIT, 5, 0);
  {
    Deadline deadline(10000, "WaitEvent() without a time-out to return the WM_QUIT posted before it");
    EXPECT_EQ(WaitEvent(), WM_QUIT);
  }
  EXPECT_EQ(Events->wParam, 5u);
  PostMessageA(w.handle(), WM_APP + 77, 1, 2);
  EXPECT_EQ(WaitEvent(0), WM_APP + 77);
  EXPECT_EQ(Events->lParam, 2);

  SIZE_T before = MainHeapUsed();
  int local = 0;
  void* small = HeapAllocate(MainHeap, 0, 4);
  const LPARAM strangers[] = {0x1234, (LPARAM)&local, (LPARAM)small, (LPARAM)small + 4};
  for (LPARAM p : strangers) {
    PostMessageA(w.handle(), EVENT_DATA_WINDOW, 0, p);
    EXPECT_EQ(WaitEvent(0), EVENT_DATA_WINDOW);
    EXPECT_EQ(Events->eventData, nullptr) << "not one of ours: not taken, never freed";
  }
  HeapRelease(MainHeap, small);
  // Records of our own heap are taken, replaced ones and the last one freed.
  for (int i = 0; i < 2; i++) {
    void** record = (void**)HeapAllocate(MainHeap, HEAP_ZERO_MEMORY, 16);
    record[2] = HeapAllocate(MainHeap, 0, 100);
    SendMessageA(w.handle(), EVENT_DATA_GADGET, 8, (LPARAM)record);
    EXPECT_EQ(Events->eventData, (void*)record);
  }
  EXPECT_EQ(WaitEvent(0), 0);
  EXPECT_EQ(Events->eventData, nullptr);
  EXPECT_EQ(MainHeapUsed(), before);
}

TEST(EventBadInput, CallbacksBrushesAndTheEraseCallback) {
  static int calls;
  static const MessageCallback passOn = [](HWND, UINT, WPARAM, LPARAM) -> LRESULT { calls++; return PASS_ON; };
  static const MessageCallback takeAll = [](HWND, UINT, WPARAM, LPARAM) -> LRESULT { calls += 100; return 5; };
  TestWindow w(1, 100, 100, 200, 100);
  DrainEvents();
  WindowRecord* record = (WindowRecord*)ObjectTableFind(WindowTable, 1);
  Events->callback = takeAll;
  record->callback = passOn;  // hides the global one, even though it passes on
  calls = 0;
  EXPECT_EQ(SendMessageA(w.handle(), WM_CLOSE, 0, 0), 0);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(QueuedCodes(), std::vector<LONG>({EVENT_CLOSE}));
  record->callback = nullptr;
  EXPECT_EQ(SendMessageA(w.handle(), WM_MOVE, 0, 0), 5);
  EXPECT_EQ(QueuedCodes(), std::vector<LONG>({EVENT_CLOSE})) << "a callback that takes the message ends it";
  Events->callback = nullptr;

  HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
  record->backBrush = brush;
  HDC dc = GetDC(w.handle());
  EXPECT_EQ(SendMessageA(w.handle(), WM_ERASEBKGND, (WPARAM)dc, 0), 1);
  EXPECT_EQ(GetPixel(dc, 5, 5), RGB(1, 2, 3));
  record->backBrush = nullptr;
  record->eraseCallback = [](HDC, HWND) -> LRESULT { return 42; };
  EXPECT_EQ(SendMessageA(w.handle(), WM_ERASEBKGND, (WPARAM)dc, 0), 42);
  ReleaseDC(w.handle(), dc);
  record->eraseCallback = nullptr;
  record->backBrush = brush;
  WindowClose(1);
  EXPECT_EQ(GetObjectType(brush), 0u) << "the window's brush goes with it";
}

}  // namespace
