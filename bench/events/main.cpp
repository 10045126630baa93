// Event throughput: the runtime's WaitEvent against a plain
// GetMessageA / TranslateMessage / DispatchMessageA loop, each with a window
// of its own of the same size holding one push button.
//   - 100,000 posted messages (WM_APP, which neither window takes), drained in
//     batches of 1,000: the time to drain, posting excluded;
//   - 10,000 real button clicks, sent as mouse input (SendInput) on the
//     button's centre in batches of 100, drained until every BN_CLICKED has
//     come out (as EVENT_GADGET from the runtime, as WM_COMMAND in the plain
//     window procedure);
//   - queued events: 10,000 posted WM_MOVE and WM_SIZE, alternately, each of
//     which the runtime turns into a queued EVENT_MOVE or EVENT_SIZE that a
//     second WaitEvent hands out; the time per event, message included.
// The two sides run alternately, ten rounds by default.
//   usage: bench_events [ROUNDS]
#include <stdio.h>
#include <stdlib.h>

#include "app/texts.h"
#include "bench/support/measure.h"
#include "runtime/gadget/gadget.h"
#include "runtime/gadget/gadget_classes.h"
#include "runtime/runtime.h"
#include "runtime/window/events.h"
#include "runtime/window/window.h"

static const int kPosted = 100000, kPostedBatch = 1000;
static const int kClicks = 10000, kClickBatch = 100;
static const int kQueued = 10000, kQueuedBatch = 1000;
static const ObjectNumber kButton = 3;

static HWND runtimeWindow, runtimeButton, rawWindow, rawButton;
static long rawPosted, rawClicks, rawMoves;

static LRESULT CALLBACK RawProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP) {
    rawPosted++;
    return 0;
  }
  if (message == WM_COMMAND && (HWND)lParam == rawButton && HIWORD(wParam) == BN_CLICKED) {
    rawClicks++;
    return 0;
  }
  if (message == WM_MOVE || message == WM_SIZE) rawMoves++;
  return DefWindowProcA(window, message, wParam, lParam);
}

static bool MakeWindows() {
  RuntimeStart();
  runtimeWindow = (HWND)WindowOpen(0, 40, 40, 250, 55, TEXT_WINDOW_TITLE, WINDOW_DEFAULT_FLAGS);
  if (!runtimeWindow) return false;
  GadgetListUse(runtimeWindow);
  runtimeButton = (HWND)PushButtonCreate(kButton, 185, 30, 60, 20, TEXT_COMPRESS);

  WNDCLASSA wc = {};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = RawProc;
  wc.hInstance = InstanceHandle;
  wc.hCursor = LoadCursorA(0, IDC_ARROW);
  wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
  wc.lpszClassName = "RawBenchWindow";
  RegisterClassA(&wc);
  RECT r = {0, 0, 250, 55};
  AdjustWindowRect(&r, WS_CAPTION | WS_SYSMENU, FALSE);
  rawWindow = CreateWindowExA(0, wc.lpszClassName, "Raw", WS_CAPTION | WS_SYSMENU, 440, 40, r.right - r.left,
                              r.bottom - r.top, 0, 0, InstanceHandle, 0);
  ShowWindow(rawWindow, SW_SHOWNORMAL);
  rawButton = CreateWindowExA(0, "Button", TEXT_COMPRESS, 0x50030000, 185, 30, 60, 20, rawWindow, (HMENU)3,
                              InstanceHandle, 0);
  SendMessageA(rawButton, WM_SETFONT, (WPARAM)GetStockObject(DEFAULT_GUI_FONT), TRUE);
  return runtimeButton && rawButton;
}

// Everything that is pending, dispatched before a batch is laid out.
static void Settle() {
  for (int i = 0; i < 3; i++) {
    MSG msg;
    while (PeekMessageA(&msg, 0, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    while (WaitEvent(0)) {
    }
    Sleep(1);
  }
}

// ---- posted messages -----------------------------------------------------------

static double RuntimePosted(void*) {
  double total = 0;
  for (int done = 0; done < kPosted; done += kPostedBatch) {
    Settle();
    for (int i = 0; i < kPostedBatch; i++) PostMessageA(runtimeWindow, WM_APP, i, 0);
    double t0 = Now();
    for (int seen = 0; seen < kPostedBatch;)
      if (WaitEvent() == (LONG)WM_APP) seen++;
    total += Now() - t0;
  }
  return total * 1000;
}

static void RawLoopUntil(long* counter, long target) {
  MSG msg;
  while (*counter < target) {
    GetMessageA(&msg, 0, 0, 0);
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

static double RawPosted(void*) {
  double total = 0;
  for (int done = 0; done < kPosted; done += kPostedBatch) {
    Settle();
    for (int i = 0; i < kPostedBatch; i++) PostMessageA(rawWindow, WM_APP, i, 0);
    rawPosted = 0;
    double t0 = Now();
    RawLoopUntil(&rawPosted, kPostedBatch);
    total += Now() - t0;
  }
  return total * 1000;
}

// ---- clicks --------------------------------------------------------------------

static void SendClicks(HWND button, int count) {
  RECT r;
  GetWindowRect(button, &r);
  SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  static INPUT inputs[2 * kClickBatch];
  for (int i = 0; i < 2 * count; i++) {
    inputs[i] = INPUT();
    inputs[i].type = INPUT_MOUSE;
    inputs[i].mi.dwFlags = i % 2 ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_LEFTDOWN;
  }
  SendInput(2 * count, inputs, sizeof(INPUT));
}

static double RuntimeClicks(void*) {
  double total = 0;
  for (int done = 0; done < kClicks; done += kClickBatch) {
    Settle();
    SendClicks(runtimeButton, kClickBatch);
    double t0 = Now();
    for (int seen = 0; seen < kClickBatch;)
      if (WaitEvent() == EVENT_GADGET && EventSource() == kButton) seen++;
    total += Now() - t0;
  }
  return total * 1000;
}

static double RawClicks(void*) {
  double total = 0;
  for (int done = 0; done < kClicks; done += kClickBatch) {
    Settle();
    SendClicks(rawButton, kClickBatch);
    rawClicks = 0;
    double t0 = Now();
    RawLoopUntil(&rawClicks, kClickBatch);
    total += Now() - t0;
  }
  return total * 1000;
}

// ---- queued events -------------------------------------------------------------

static void PostMovesAndSizes(HWND window) {
  for (int i = 0; i < kQueuedBatch; i++) {
    if (i % 2) PostMessageA(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(250, 55));
    else PostMessageA(window, WM_MOVE, 0, MAKELPARAM(40 + i % 7, 40));
  }
}

static double RuntimeQueued(void*) {
  double total = 0;
  for (int done = 0; done < kQueued; done += kQueuedBatch) {
    Settle();
    PostMovesAndSizes(runtimeWindow);
    double t0 = Now();
    // Each message comes out twice: as itself (3 or 5) from the dispatch, then
    // as the queued event of the same number.
    for (int seen = 0; seen < 2 * kQueuedBatch;) {
      LONG code = WaitEvent();
      if (code == EVENT_MOVE || code == EVENT_SIZE) seen++;
    }
    total += Now() - t0;
  }
  return total * 1e6 / kQueued;
}

static double RawQueued(void*) {
  double total = 0;
  for (int done = 0; done < kQueued; done += kQueuedBatch) {
    Settle();
    PostMovesAndSizes(rawWindow);
    rawMoves = 0;
    double t0 = Now();
    RawLoopUntil(&rawMoves, kQueuedBatch);
    total += Now() - t0;
  }
  return total * 1e6 / kQueued;
}

int main(int argc, char** argv) {
  int rounds = argc > 1 ? atoi(argv[1]) : 10;
  if (!MakeWindows()) {
    printf("ERROR\tthe benchmark windows could not be made\n");
    return 1;
  }
  Settle();
  Samples posted[2], clicks[2], queued[2];
  WatchdogStart(300, "draining posted messages");
  Alternate(rounds, RuntimePosted, RawPosted, 0, &posted[0], &posted[1]);
  WatchdogStart(300, "draining button clicks (were the clicks delivered?)");
  Alternate(rounds, RuntimeClicks, RawClicks, 0, &clicks[0], &clicks[1]);
  WatchdogStart(300, "draining moves and sizes");
  Alternate(rounds, RuntimeQueued, RawQueued, 0, &queued[0], &queued[1]);
  WatchdogStop();
  PrintRow("WaitEvent: 100,000 posted messages", "ms", posted[0], posted[1], "<= 1.25");
  PrintRow("WaitEvent: 10,000 button clicks", "ms", clicks[0], clicks[1], "<= 1.25");
  PrintRow("Queued event (move, size), per event, its message included", "us", queued[0], queued[1], "");
  WindowCloseAll();
  DestroyWindow(rawWindow);
  return 0;
}
