// Soak: many open-compress-report-close cycles of the real program with the
// stand-in, and one long-running program taking many requests. Every cycle
// ends with exit code 0 and leaves no process, window or class behind; the
// long-running program holds no more memory, handles, GDI objects or windows
// after its requests than after the first few.
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <map>
#include <thread>

#include "tests/e2e/program_fixture.h"
#include "tests/hardening/hardening.h"
#include "tests/resource-counts/resource_counts.h"

namespace {

const long long ORIGINAL = 1000;

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM windows) {
  ((std::vector<HWND>*)windows)->push_back(window);
  return TRUE;
}

std::vector<HWND> DesktopWindows() {
  std::vector<HWND> windows;
  EnumWindows(CollectTopLevel, (LPARAM)&windows);
  return windows;
}

// The ids and names of the processes running now.
std::map<DWORD, std::string> Processes() {
  std::map<DWORD, std::string> running;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return running;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
    running[entry.th32ProcessID] = entry.szExeFile;
  CloseHandle(snapshot);
  return running;
}

// A window that came while the cycles ran is left behind by them when it can
// be seen, or when it belongs to this test or to a process started since
// (a crash dialog, or a console host that is still there). A hidden window
// that a process of the system which was already running makes for itself
// (Wine 10 makes hidden input-method windows, "Wine IME", when first needed)
// is not.
// Every new window is listed; *left counts those left behind.
std::string NewWindows(const std::vector<HWND>& before, const std::map<DWORD, std::string>& processesBefore,
                       int* left) {
  std::string list;
  std::map<DWORD, std::string> now = Processes();
  *left = 0;
  for (HWND w : DesktopWindows()) {
    if (std::find(before.begin(), before.end(), w) != before.end()) continue;
    char cls[64] = "", title[64] = "";
    GetClassNameA(w, cls, sizeof cls);
    GetWindowTextA(w, title, sizeof title);
    DWORD process = 0;
    GetWindowThreadProcessId(w, &process);
    bool visible = IsWindowVisible(w), ours = process == GetCurrentProcessId(),
         newProcess = !processesBefore.count(process);
    *left += visible || ours || newProcess;
    list += std::string("\n  class \"") + cls + "\", title \"" + title + "\", " + (visible ? "visible" : "hidden") +
            ", process " + std::to_string(process) + " (" + (ours ? "this test" : now[process]) +
            (newProcess && !ours ? ", started since" : "") + ")";
  }
  return list;
}

// The lanes run at once, so another lane's window may be in front when the
// packer ends: the box then waits for its program to be in front again, and
// the lane brings it back now and then, as a person would.
bool WaitBoxBringingBack(DriverApp* app, DriverBox* box) {
  for (DWORD waited = 0; waited < WAIT_MS; waited += 250) {
    if (DriverFindBox(app, 250)) return DriverWaitBox(app, WAIT_MS, box);
    SetForegroundWindow(app->window);
  }
  return DriverWaitBox(app, 0, box);
}

// One lane of cycles in a folder of its own; what went wrong, if anything.
std::vector<std::string> RunCycles(int cycles) {
  std::vector<std::string> problems;
  auto problem = [&](int cycle, const std::string& what) {
    problems.push_back("cycle " + std::to_string(cycle) + ": " + what);
  };
  TempDir dir;
  if (!CopyFileTo(BuildDir() + "\\zimbrel.exe", dir.file("zimbrel.exe")) ||
      !CopyFileTo(BuildDir() + "\\fake-upx.exe", dir.file("upx.exe")) || !WriteBytes(dir.file("fake-upx.mode"), "shrink")) {
    problems.push_back("the folder could not be made");
    return problems;
  }
  std::string file = dir.file("cycle.exe");
  for (int cycle = 0; cycle < cycles && problems.size() < 5; cycle++) {
    WriteBytes(file, std::string(ORIGINAL, 'c'));
    DriverApp app;
    app.input = DRIVER_INPUT_SET_TEXT;
    DriverBox box;
    DWORD code = 1;
    if (!DriverStart(&app, dir.file("zimbrel.exe"), dir.path(), WAIT_MS)) {
      problem(cycle, "start: " + DriverError());
    } else if (!DriverTypeText(&app, file, WAIT_MS) || !DriverClick(&app, app.compressButton) ||
               !WaitBoxBringingBack(&app, &box)) {
      problem(cycle, "request: " + DriverError());
    } else {
      if (box.caption != kReportCaption || box.text != Report(ORIGINAL, ORIGINAL / 2))
        problem(cycle, "the box said \"" + box.caption + "\": \"" + DriverEscape(box.text) + "\"");
      if (!DriverAnswerBox(box.handle, IDOK, WAIT_MS) || !DriverResponsive(&app, WAIT_MS) || !DriverClose(&app) ||
          !DriverWaitExit(&app, WAIT_MS, &code))
        problem(cycle, "close: " + DriverError());
      else if (code != 0)
        problem(cycle, "exit code " + std::to_string(code));
      else if (DriverCountWindows(app.processId) != 0)
        problem(cycle, "windows are left");
    }
    DriverKill(&app);
    DriverRelease(&app);
  }
  return problems;
}

TEST(SoakCycles, OpenCompressReportCloseCyclesLeaveNothingBehind) {
  const int lanes = 4, perLane = Amount(3, 250);
  std::vector<HWND> desktopBefore = DesktopWindows();
  std::map<DWORD, std::string> processesBefore = Processes();
  std::vector<std::vector<std::string>> problems(lanes);
  std::vector<std::thread> threads;
  for (int lane = 0; lane < lanes; lane++)
    threads.emplace_back([&, lane] { problems[lane] = RunCycles(perLane); });
  for (std::thread& t : threads) t.join();
  for (int lane = 0; lane < lanes; lane++)
    for (const std::string& p : problems[lane]) ADD_FAILURE() << "lane " << lane << ", " << p;
  printf("[ hardening ] %d open-compress-report-close cycles, %d at a time\n", lanes * perLane, lanes);

  // Nothing of any cycle is left: no program, no packer, no window, and no
  // class (Wine keeps class names as atoms of the desktop's table, which any
  // process can look up while the class exists).
  EXPECT_EQ(DriverCountProcesses("zimbrel.exe"), 0);
  EXPECT_EQ(DriverCountProcesses("upx.exe"), 0);
  // The packer is a console program, and the system's console host
  // (conhost.exe) that shows its window may outlive it a while: Wine 10's
  // does, and even shows the window after the packer has ended. What a
  // console host leaves is looked at once the hosts are gone.
  DWORD closing = GetTickCount();
  bool consolesGone = PumpUntil([&] { return DriverCountNewConsoles() == 0; }, WAIT_MS);
  EXPECT_TRUE(consolesGone) << "the packers' console hosts did not end";
  printf("[ hardening ] the packers' console hosts ended %lu ms after the last cycle\n", GetTickCount() - closing);
  int windowsLeft = 0;
  std::string newWindows = NewWindows(desktopBefore, processesBefore, &windowsLeft);
  EXPECT_EQ(windowsLeft, 0) << "new windows on the desktop:" << newWindows;
  if (!newWindows.empty() && windowsLeft == 0) printf("[ hardening ] new windows, none left by the cycles:%s\n", newWindows.c_str());
  EXPECT_EQ(GlobalFindAtomA("WindowClass_0"), 0);
}

class SoakLongRunTest : public ProgramTest {};

// Runs function(argument), a one-argument WINAPI function of a system library,
// on a new thread of process; its result, 0 when it could not run.
DWORD RunInProgram(HANDLE process, void* function, void* argument) {
  HANDLE thread = CreateRemoteThread(process, 0, 0, (LPTHREAD_START_ROUTINE)function, argument, 0, 0);
  if (!thread) return 0;
  DWORD result = 0;
  if (WaitForSingleObject(thread, WAIT_MS) == WAIT_OBJECT_0) GetExitCodeThread(thread, &result);
  CloseHandle(thread);
  return result;
}

void PrintCounts(const char* when, const ProcessCounts& c) {
  printf("[ hardening ] %s: %lld private bytes, %ld handles, %ld GDI objects, %ld windows\n", when, c.privateBytes,
         c.handles, c.gdiObjects, c.windows);
}

TEST_F(SoakLongRunTest, ALongRunningProgramHoldsNoMoreAfterManyRequests) {
  const int warmUp = 20, requests = Amount(150, 2000);
  UseFakePacker("shrink");
  std::string file = dir.file("soak.exe");
  Start();
  // The probe for classes sees the program's class while it runs.
  EXPECT_NE(GlobalFindAtomA("WindowClass_0"), 0);
  app.input = DRIVER_INPUT_SET_TEXT;
  Type(file);
  auto request = [&] {
    WriteBytes(file, std::string(ORIGINAL, 's'));
    DriverBox box = CompressForOneBox();
    EXPECT_EQ(box.caption, kReportCaption);
    EXPECT_EQ(box.text, Report(ORIGINAL, ORIGINAL / 2));
  };
  for (int i = 0; i < warmUp && !HasFailure(); i++) request();
  ProcessCounts early = CountProcess(app.process, app.processId);
  PrintCounts("after the first requests", early);
  // The counts see what the program holds: a handle and memory put into it
  // from here (and a brush, at the end), and the windows of a box while it is up.
  EXPECT_GE(early.windows, 7);
  HANDLE event = CreateEventA(0, FALSE, FALSE, 0), remote = 0;
  ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), event, app.process, &remote, 0, FALSE, DUPLICATE_SAME_ACCESS));
  void* block = VirtualAllocEx(app.process, 0, 256 * 1024, MEM_COMMIT, PAGE_READWRITE);
  ProcessCounts probed = CountProcess(app.process, app.processId);
  HANDLE back = 0;
  EXPECT_TRUE(DuplicateHandle(app.process, remote, GetCurrentProcess(), &back, 0, FALSE,
                              DUPLICATE_CLOSE_SOURCE | DUPLICATE_SAME_ACCESS));
  CloseHandle(back);
  VirtualFreeEx(app.process, block, 0, MEM_RELEASE);
  CloseHandle(event);
  EXPECT_EQ(probed.handles, early.handles + 1);
  EXPECT_GE(probed.privateBytes, early.privateBytes + 256 * 1024);
  DriverBox box;
  ASSERT_TRUE(DriverClick(&app, app.compressButton));
  ASSERT_TRUE(DriverWaitBox(&app, WAIT_MS, &box)) << DriverError();
  ProcessCounts boxed = CountProcess(app.process, app.processId);
  PrintCounts("while a box is up", boxed);
  EXPECT_TRUE(DriverAnswerBox(box.handle, IDOK, WAIT_MS));
  EXPECT_GE(boxed.windows, early.windows + 3);

  for (int i = warmUp; i < requests && !HasFailure(); i++) request();
  ProcessCounts late = CountProcess(app.process, app.processId);
  PrintCounts(("after " + std::to_string(requests) + " requests").c_str(), late);
  EXPECT_LE(late.handles, early.handles);
  EXPECT_LE(late.gdiObjects, early.gdiObjects);
  EXPECT_LE(late.windows, early.windows);
  // Memory is counted in whole pages, so one page is allowed: a block kept
  // for every request shows from 32 bytes a request in the quick cut's 130
  // requests, and from 3 bytes in the full run's 1,980.
  EXPECT_LE(late.privateBytes - early.privateBytes, 4096);
  // The GDI count sees a brush made inside the program, by a thread of its
  // own that runs CreateSolidBrush (gdi32 lies at the same address in every
  // process). Last, as the thread's stack stays in the program's memory.
  HBRUSH brush = (HBRUSH)(UINT_PTR)RunInProgram(app.process, (void*)CreateSolidBrush, (void*)RGB(1, 2, 3));
  ProcessCounts brushed = CountProcess(app.process, app.processId);
  EXPECT_NE(brush, nullptr);
  EXPECT_TRUE(RunInProgram(app.process, (void*)DeleteObject, brush));
  EXPECT_EQ(brushed.gdiObjects, late.gdiObjects + 1);
  CloseAndExpectCleanEnd();
}

}  // namespace
