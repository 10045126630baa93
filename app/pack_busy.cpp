// The busy window of pack_busy.h.
#include "app/pack_busy.h"

#include <shobjidl.h>
#include <string.h>

#include "app/compression_request.h"
#include "app/window_numbers.h"
#include "app/texts.h"
#include "runtime/system/late_library.h"
#include "runtime/system/message_wait.h"
#include "runtime/system/modal.h"
#include "runtime/system/program_watch.h"
#include "runtime/text/code_pages.h"
#include "runtime/window/events.h"
#include "runtime/window/window.h"

// Bit n: whether gadget n (GADGET_PATH to GADGET_COMPRESS) was enabled before the pack.
static_assert(GADGET_PATH == 0 && GADGET_COMPRESS == 3, "the gadgets are numbered 0 to 3");
static BYTE wasEnabled;
static HWND focusBefore;
static bool busy;          // from the pack's start until its box may come
static bool packerRuns;    // from the pack's start until the packer has ended
// Whether the box waits, and for what.
enum BoxWait { BOX_AT_ONCE, BOX_WHEN_IN_FRONT, BOX_WHEN_RESTORED };
static BoxWait boxWaits;
static bool sessionEnded;  // the session ended during a pack: no box any more

// The taskbar button's progress (Windows 7 and later), made at the first pack
// and kept, with COM, until shut-down. Its identities are written here rather
// than linked from the system's library of them, which would bring them all.
static const GUID TASKBAR_LIST = {0x56FDF344, 0xFD6D, 0x11D0, {0x95, 0x8A, 0x00, 0x60, 0x97, 0xC9, 0xA0, 0x90}};
static const GUID TASKBAR_LIST_3 = {0xEA1AFB91, 0x9E28, 0x4B86, {0x90, 0xE9, 0x9E, 0x9F, 0x8A, 0x5E, 0xEF, 0xAF}};
static ITaskbarList3* taskbar;
static bool taskbarTried, comStarted;

static void TaskbarProgress(HWND window, TBPFLAG state) {
  if (!taskbarTried) {
    taskbarTried = true;
    auto start = Late<LATE_CO_INITIALIZE>();
    auto make = Late<LATE_CO_CREATE_INSTANCE>();
    comStarted = start && SUCCEEDED(start(0));
    if (comStarted && make && FAILED(make(TASKBAR_LIST, 0, CLSCTX_INPROC_SERVER, TASKBAR_LIST_3, (void**)&taskbar)))
      taskbar = 0;
    if (taskbar && FAILED(taskbar->HrInit())) PackBusyShutDown();
  }
  if (taskbar) taskbar->SetProgressState(window, state);
}

// The taskbar shows progress only for a pack that goes on past this: a quick
// one then looks as it always did, and the taskbar is not asked twice for
// every pack (Wine 10's keeps some memory for each state it is given).
const UINT TASKBAR_DELAY_MS = 1000;
const UINT_PTR TASKBAR_TIMER = 1;
static bool taskbarShown;

static void CALLBACK ShowTaskbarProgress(HWND window, UINT, UINT_PTR, DWORD) {
  KillTimer(window, TASKBAR_TIMER);
  if (!packerRuns) return;
  taskbarShown = true;
  TaskbarProgress(window, TBPF_INDETERMINATE);
}

void PackBusyShutDown() {
  if (taskbar) taskbar->Release();
  taskbar = 0;
  auto stop = Late<LATE_CO_UNINITIALIZE>();
  if (comStarted && stop) stop();
  comStarted = false;
}

// The gadgets, the close box and the pointer: greyed, and given back as they were.
// Greying the gadget with the focus takes the focus away; it is given back after.
static void Grey(HWND window, bool grey) {
  for (int n = GADGET_PATH; n <= GADGET_COMPRESS; ++n)
    if (!EnableWindow(GetDlgItem(window, n), !grey && (wasEnabled >> n & 1)) && grey) wasEnabled |= 1 << n;
  EnableMenuItem(GetSystemMenu(window, FALSE), SC_CLOSE, grey ? MF_GRAYED : MF_ENABLED);
  SetCursor(LoadCursorA(0, grey ? IDC_APPSTARTING : IDC_ARROW));
}

// While the packer runs, a log-off waits, with the reason Windows shows, and
// the taskbar button shows work going on once the pack has lasted a moment.
static void HoldSession(HWND window, bool hold) {
  packerRuns = hold;
  if (hold) {
    auto create = Late<LATE_SHUTDOWN_BLOCK_REASON_CREATE>();
    if (create) create(window, WideText(TEXT_PACKING_REASON));
    SetTimer(window, TASKBAR_TIMER, TASKBAR_DELAY_MS, ShowTaskbarProgress);
    return;
  }
  auto destroy = Late<LATE_SHUTDOWN_BLOCK_REASON_DESTROY>();
  if (destroy) destroy(window);
  KillTimer(window, TASKBAR_TIMER);
  if (taskbarShown) TaskbarProgress(window, TBPF_NOPROGRESS);
  taskbarShown = false;
}

void PackBusyBegin() {
  HWND window = WindowHandle(MainWindow);
  busy = true;
  boxWaits = BOX_AT_ONCE;
  focusBefore = GetFocus();
  wasEnabled = 0;
  Grey(window, true);
  HoldSession(window, true);
}

// A window of another program has the foreground: not none, and not a
// console (the packer's, which may outlive it, or the one Zimbrel was started
// from), told by its class.
static bool OtherProgramInFront() {
  HWND front = GetForegroundWindow();
  DWORD process = 0;
  GetWindowThreadProcessId(front, &process);
  char name[32];
  if (!front || process == GetCurrentProcessId() || !GetClassNameA(front, name, sizeof name)) return false;
  return strcmp(name, "ConsoleWindowClass") && strcmp(name, "WineConsoleClass") &&
         strcmp(name, "CASCADIA_HOSTING_WINDOW_CLASS");
}

// What came while the packer ran is dispatched while the window is still
// greyed, so that it starts nothing: keys above all (an Enter would close the
// box unseen, a Space press a button again). The look at the queue also lets
// the system take in what became of the focus meanwhile: under Wine the
// console's focus, still pending, would otherwise hand the foreground on to
// the desktop once the box's loop looks.
void PackBusyAfterRun() {
  HWND window = WindowHandle(MainWindow);
  WaitDispatching(0, 0);
  HoldSession(window, false);
  boxWaits = IsIconic(window) ? BOX_WHEN_RESTORED : OtherProgramInFront() ? BOX_WHEN_IN_FRONT : BOX_AT_ONCE;
  if (boxWaits != BOX_AT_ONCE) {
    FLASHWINFO flash = {sizeof flash, window, FLASHW_TRAY | FLASHW_TIMERNOFG, 0, 0};
    FlashWindowEx(&flash);
  } else if (!DialogOwner()) {
    // The packer's console had the foreground, or nothing has it: the box
    // comes up in front, owned by the window.
    SetForegroundWindow(window);
  }
}

// How often the waiting box looks at the window: its activation or its
// restoring may come as a message that the system handles inside the
// queue's emptying, after which no new message need wake the wait.
const DWORD BOX_WAIT_LOOK_MS = 100;

bool PackBusyBeforeBox() {
  if (!busy) return !sessionEnded;
  HWND window = WindowHandle(MainWindow);
  while (!sessionEnded && (boxWaits == BOX_WHEN_RESTORED ? IsIconic(window)
                                                      : boxWaits == BOX_WHEN_IN_FRONT && !DialogOwner()))
    WaitDispatching(0, BOX_WAIT_LOOK_MS);
  // Restored (from the taskbar, which activates it on Windows): in front for the box.
  if (boxWaits == BOX_WHEN_RESTORED) SetForegroundWindow(window);
  busy = false;
  Grey(window, false);
  // A press stored while the window was busy is not a request.
  Events->code = 0;
  SetFocus(focusBefore);
  return !sessionEnded;
}

bool PackBusy() { return busy; }

LRESULT PackBusyMessage(HWND, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_SETCURSOR && busy) {
    SetCursor(LoadCursorA(0, IDC_APPSTARTING));
    return TRUE;
  }
  // A log-off waits for the packer; one that comes anyway gives it up to
  // five seconds to end, and the request then ends without a box.
  if (message == WM_QUERYENDSESSION && packerRuns) return 0;
  if (message == WM_ENDSESSION && wParam && busy) {
    sessionEnded = true;
    // The run's end steps only once the packer has ended: until then it
    // still writes its files.
    if (packerRuns && WatchedProgram && WaitForSingleObject(WatchedProgram, 5000) == WAIT_OBJECT_0)
      CompressionRunEnd();
    return 0;
  }
  return PASS_ON;
}
