// Start-up time of two programs, side by side: from the moment this harness
// asks for the process until the process first waits for input with no input
// pending (WaitForInputIdle), which for both programs is the first idle wait
// of the event loop, after the window and its controls are made and shown.
// Each start is checked: the program's top-level window must be visible with
// its six controls when the wait returns. The process is then ended and
// waited for before the next start. At the same first idle wait each side's
// memory is read (peak working set and private bytes) and, at its last start,
// the libraries it has loaded, which the notes list.
//   usage: bench_startup RUNS OURS.exe BASELINE.exe   (paths beside this program or absolute)
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "app/texts.h"
#include "bench/support/measure.h"
#include "tests/resource-counts/resource_counts.h"

#include <psapi.h>

struct Found {
  HWND window;
  int controls;
};

static BOOL CALLBACK CountChild(HWND, LPARAM lParam) {
  ((Found*)lParam)->controls++;
  return TRUE;
}

static BOOL CALLBACK FindTopLevel(HWND window, LPARAM lParam) {
  Found* found = (Found*)lParam;
  char title[64] = "";
  GetWindowTextA(window, title, sizeof title);
  if (IsWindowVisible(window) && lstrcmpA(title, TEXT_WINDOW_TITLE) == 0) {
    found->window = window;
    EnumChildWindows(window, CountChild, lParam);
    return FALSE;
  }
  return TRUE;
}

static char folder[MAX_PATH];
static char ours[MAX_PATH], baseline[MAX_PATH];

// What one side holds at its first idle wait.
struct AtIdle {
  Samples peakMiB;                   // peak working set
  Samples privateMiB;                // private bytes (CountProcess's count)
  std::vector<std::string> modules;  // loaded libraries, lower case, at the last start
};
static AtIdle oursAtIdle, baselineAtIdle;

static void ReadAtIdle(const char* program, const PROCESS_INFORMATION& pi) {
  AtIdle& side = program == ours ? oursAtIdle : baselineAtIdle;
  PROCESS_MEMORY_COUNTERS memory = {};
  memory.cb = sizeof memory;
  if (GetProcessMemoryInfo(pi.hProcess, &memory, sizeof memory))
    side.peakMiB.add(memory.PeakWorkingSetSize / 1048576.0);
  side.privateMiB.add(CountProcess(pi.hProcess, pi.dwProcessId).privateBytes / 1048576.0);
  side.modules = ProcessModuleNames(pi.dwProcessId);
}

// The libraries of one side, the program itself left out, in load order;
// those that the other side lacks are marked with '+'.
static std::string ModuleList(const AtIdle& side, const AtIdle& other) {
  std::string list;
  for (size_t i = 1; i < side.modules.size(); i++) {
    bool shared = false;
    for (const std::string& m : other.modules) shared = shared || m == side.modules[i];
    list += (list.empty() ? "" : " ") + std::string(shared ? "" : "+") + side.modules[i];
  }
  return list;
}
static int earlyIdles;  // starts that were idle once before their window was complete

// One start: seconds to the first idle wait, or -1 when it failed.
static double StartOnce(void* context) {
  const char* program = (const char*)context;
  char commandLine[MAX_PATH * 2];
  wsprintfA(commandLine, "\"%s\"", program);
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  double t0 = Now();
  if (!CreateProcessA(0, commandLine, 0, 0, FALSE, 0, 0, folder, &si, &pi)) {
    printf("ERROR\tcould not start %s (%lu)\n", program, GetLastError());
    return -1;
  }
  // The process is idle whenever its thread waits on its message queue, which
  // can also happen during start-up (a message sent to another process while
  // the window is shown). Only a wait with the whole window on the screen is
  // the loop's: until then, wait for the next one.
  Found found = {};
  DWORD idle = 0;
  int early = 0;
  double t1 = 0;
  for (;;) {
    idle = WaitForInputIdle(pi.hProcess, 30000);
    t1 = Now();
    found = Found();
    EnumThreadWindows(pi.dwThreadId, FindTopLevel, (LPARAM)&found);
    if (idle != 0 || (found.window && found.controls == 6) || t1 - t0 > 30) break;
    early++;
    Sleep(1);
  }
  double result = t1 - t0;
  if (early) earlyIdles++;
  if (idle != 0) {
    printf("ERROR\t%s: WaitForInputIdle answered %lu\n", program, idle);
    result = -1;
  } else if (!found.window || found.controls != 6) {
    printf("ERROR\t%s: at its first idle wait (%.1f ms) the window was %s with %d controls\n", program,
           result * 1000, found.window ? "shown" : "not shown", found.controls);
    result = -1;
  } else {
    ReadAtIdle(program, pi);
  }
  // What happens after the measured point is not measured: the process is
  // ended at once. (Closing the window would cost each side Wine's two-second
  // wait for a window manager to confirm the unmapping, which the virtual
  // display does not have, and would leave the next start competing with it.)
  TerminateProcess(pi.hProcess, 0);
  WaitForSingleObject(pi.hProcess, 10000);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return result;
}

static double Ours(void*) { return StartOnce(ours); }
static double Baseline(void*) { return StartOnce(baseline); }

static void Resolve(const char* name, char* out) {
  if (name[0] && (name[1] == ':' || name[0] == '\\')) lstrcpynA(out, name, MAX_PATH);
  else wsprintfA(out, "%s\\%s", folder, name);
}

int main(int argc, char** argv) {
  if (argc < 4) {
    printf("usage: bench_startup RUNS OURS.exe BASELINE.exe\n");
    return 2;
  }
  OwnFolder(folder, sizeof folder);
  int runs = atoi(argv[1]);
  Resolve(argv[2], ours);
  Resolve(argv[3], baseline);
  // One start of each first, unmeasured, so that both find the system's
  // libraries in the same (warm) state.
  if (StartOnce(ours) < 0 || StartOnce(baseline) < 0) return 1;
  oursAtIdle = AtIdle();
  baselineAtIdle = AtIdle();
  Samples a, b;
  WatchdogStart(600, "the start-up benchmark");
  if (!Alternate(runs, Ours, Baseline, 0, &a, &b)) return 1;
  WatchdogStop();
  for (double& v : a.values) v *= 1000;
  for (double& v : b.values) v *= 1000;
  if (earlyIdles) PrintNote("start-up: %d of %d starts waited on their queue once before the window was complete", earlyIdles, 2 * runs);
  PrintRow("Start-up to the first idle wait, window shown", "ms", a, b, "<= 1.10");
  PrintRow("Peak working set at the first idle wait", "MiB", oursAtIdle.peakMiB, baselineAtIdle.peakMiB,
           "<= 1.05");
  PrintRow("Private memory at the first idle wait", "MiB", oursAtIdle.privateMiB, baselineAtIdle.privateMiB,
           "<= 1.05");
  PrintNote("libraries at the first idle wait, Zimbrel (+ where the baseline has none): %s",
            ModuleList(oursAtIdle, baselineAtIdle).c_str());
  PrintNote("libraries at the first idle wait, baseline (+ where Zimbrel has none): %s",
            ModuleList(baselineAtIdle, oursAtIdle).c_str());
  return 0;
}
