// Steady state: the program's window is made as at start-up, and its compress
// action runs 10,000 times on a file that is written afresh before each
// request, with the packer stand-in (fake-upx, copied beside this program as
// upx.exe) halving it. Each report box is read (it must be the "Kesz" report)
// and dismissed from a hook on this thread, and the events that the request
// left are taken with WaitEvent, as the program's loop would. After 100 and
// after 10,000 requests the process's private bytes, handles, GDI objects and
// USER objects are counted.
//   usage: bench_steady [REQUESTS]   (from a folder where upx.exe is the stand-in)
#include <windows.h>

#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>

#include "app/main_window.h"
#include "app/texts.h"
#include "bench/support/measure.h"
#include "tests/resource-counts/resource_counts.h"
#include "runtime/gadget/gadget.h"
// The tests' escape hatch, kept here on purpose (tests/compile-fail/check.sh
// accepts this file): the file to pack is made and measured by the raw calls
// of this benchmark under a name in the system's code page, and the window is
// given the same name as its path.
#include "runtime/text/raw_bytes.h"
#include "runtime/window/events.h"

// ---- counting ------------------------------------------------------------------

struct Counts {
  double privateUsage;    // PROCESS_MEMORY_COUNTERS_EX.PrivateUsage
  double privateCommit;   // committed private pages, from VirtualQuery
  double handles;
  double gdi;
  double user;
};

static bool wineHandles, wineGdi, wineUser;  // set when the system's own count answered 0

static Counts Count() {
  Counts c;
  PROCESS_MEMORY_COUNTERS_EX memory = {};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(GetCurrentProcess(), (PROCESS_MEMORY_COUNTERS*)&memory, sizeof memory);
  c.privateUsage = (double)memory.PrivateUsage;
  c.privateCommit = (double)ProcessCommittedPrivateBytes(GetCurrentProcess());
  c.handles = ProcessHandleCount(GetCurrentProcess(), &wineHandles);
  c.gdi = ProcessGdiObjectCount(GetCurrentProcess(), &wineGdi);
  c.user = ProcessUserObjectCount(GetCurrentProcess(), GetCurrentProcessId(), &wineUser);
  return c;
}

// ---- the boxes -----------------------------------------------------------------

static long reports, otherBoxes;

static LRESULT CALLBACK BoxHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    HWND box = (HWND)wParam;
    char cls[16] = "", caption[32] = "";
    GetClassNameA(box, cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") == 0) {
      GetWindowTextA(box, caption, sizeof caption);
      if (lstrcmpA(caption, TEXT_REPORT_CAPTION) == 0) reports++;
      else otherBoxes++;
      PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
  }
  return CallNextHookEx(0, code, wParam, lParam);
}

// ---- the requests --------------------------------------------------------------

static char target[MAX_PATH];

static bool WriteTarget() {
  static BYTE bytes[65536];
  for (int i = 0; i < (int)sizeof bytes; i++) bytes[i] = (BYTE)(i * 7);
  HANDLE f = CreateFileA(target, GENERIC_WRITE, 0, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, 0);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(f, bytes, sizeof bytes, &written, 0);
  CloseHandle(f);
  return ok && written == sizeof bytes;
}

static bool OneRequest() {
  if (!WriteTarget()) return false;
  CompressRequestFromWindow();
  while (WaitEvent(0)) {
  }
  return true;
}

// "10,000" for 10000.
static const char* Grouped(long n) {
  static char text[32];
  char plain[24];
  int length = sprintf(plain, "%ld", n), at = 0;
  for (int i = 0; i < length; i++) {
    if (i && (length - i) % 3 == 0) text[at++] = ',';
    text[at++] = plain[i];
  }
  text[at] = 0;
  return text;
}

static void Row(const char* figure, const char* unit, double after, double before, const char* budget) {
  char difference[32];
  sprintf(difference, "%+.0f", after - before);
  PrintValueRow(figure, unit, after, before, budget, difference);
}

int main(int argc, char** argv) {
  long requests = argc > 1 ? atol(argv[1]) : 10000;
  if (requests < 100) requests = 100;
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  wsprintfA(target, "%szbench-steady-%lu.exe", temp, GetCurrentProcessId());
  char log[MAX_PATH];
  wsprintfA(log, "%szbench-steady-%lu.log", temp, GetCurrentProcessId());
  SetEnvironmentVariableA("ZIMBREL_FAKE_UPX_MODE", "shrink");
  SetEnvironmentVariableA("ZIMBREL_FAKE_UPX_LOG", log);

  if (!AppStartUp()) {
    printf("ERROR\tthe program's window could not be made\n");
    return 1;
  }
  GadgetSetTextWide(GADGET_PATH, RawPath(target).Wide());
  GadgetSetState(GADGET_LEVEL, 0);
  while (WaitEvent(0)) {
  }
  HHOOK hook = SetWindowsHookExA(WH_CBT, BoxHook, 0, GetCurrentThreadId());

  Counts at100 = {}, atEnd = {};
  double t0 = Now();
  WatchdogStart(1800, "the steady-state benchmark");
  for (long i = 1; i <= requests; i++) {
    if (!OneRequest()) {
      printf("ERROR\tthe file for request %ld could not be written\n", i);
      return 1;
    }
    if (i == 100) at100 = Count();
  }
  atEnd = Count();
  WatchdogStop();
  double seconds = Now() - t0;
  UnhookWindowsHookEx(hook);
  DeleteFileA(target);
  DeleteFileA(log);

  if (reports != requests || otherBoxes) {
    printf("ERROR\t%ld requests gave %ld reports and %ld other boxes\n", requests, reports, otherBoxes);
    return 1;
  }
  PrintNote("steady state: %s requests, each reported and dismissed, in %.0f s", Grouped(requests), seconds);
  if (wineHandles) PrintNote("steady state: the system reports no handle count; handles counted in the handle table");
  if (wineGdi || wineUser)
    PrintNote("steady state: GetGuiResources answers 0 here (Wine does not count); GDI objects counted in the "
              "process's GDI handle table, USER objects by probing USER handles for windows of this process, "
              "menus and accelerator tables (icons and cursors not counted)");
  char figure[128];
  if (at100.privateUsage || atEnd.privateUsage) {
    sprintf(figure, "Private bytes after %s requests (baseline: after 100)", Grouped(requests));
    Row(figure, "B", atEnd.privateUsage, at100.privateUsage, "within 4096 B");
  } else {
    PrintNote("steady state: GetProcessMemoryInfo answers PrivateUsage 0 here (Wine does not fill it); private "
              "bytes are the committed private pages that VirtualQuery shows");
  }
  sprintf(figure, "Private bytes (committed private pages) after %s requests (baseline: after 100)", Grouped(requests));
  Row(figure, "B", atEnd.privateCommit, at100.privateCommit, "within 4096 B");
  sprintf(figure, "Handles after %s requests (baseline: after 100)", Grouped(requests));
  Row(figure, "count", atEnd.handles, at100.handles, "equal");
  sprintf(figure, "GDI objects after %s requests (baseline: after 100)", Grouped(requests));
  Row(figure, "count", atEnd.gdi, at100.gdi, "equal");
  sprintf(figure, "USER objects after %s requests (baseline: after 100)", Grouped(requests));
  Row(figure, "count", atEnd.user, at100.user, "equal");
  AppShutDown();
  return 0;
}
