// Request overhead: the program's compress action against starting the packer
// by hand. Each run packs a fresh copy of the same PE32 file with the real
// upx.exe at "Szint 1":
//   - CompressionRequest with the program's own size query and program runner
//     (the message box is recorded instead of shown: its time is the user's);
//   - CreateProcessA of the same command line (quoted upx.exe, "-1 ", the
//     quoted path), with the same creation flags and show state, and a wait.
// Both find upx.exe the same way (the folder of this program comes first).
//   usage: bench_request RUNS FILE.exe
#include <stdio.h>
#include <stdlib.h>

#include "app/compression_request.h"
#include "app/texts.h"
#include "bench/support/measure.h"
#include "runtime/runtime.h"
// The tests' escape hatch, kept here on purpose (tests/compile-fail/check.sh
// accepts this file): the file is named in the system's code page, the bytes
// the raw CreateProcessA measured beside the request is handed, and the
// request is given the same bytes as its path.
#include "runtime/text/raw_bytes.h"

static char source[MAX_PATH], target[MAX_PATH];
static char lastCaption[64];

static int RecordBox(ProgramText caption, ProgramText, UINT) {
  lstrcpynA(lastCaption, caption.Bytes(), sizeof lastCaption);
  return IDOK;
}

static PathText TargetPath(void*) { return RawPath(target); }
static LONG FirstLevel(void*) { return 0; }

static LONGLONG FileSize(const char* path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return -1;
  return ((LONGLONG)data.nFileSizeHigh << 32) | data.nFileSizeLow;
}

static bool FreshCopy() { return CopyFileA(source, target, FALSE) != 0; }

static double Request(void*) {
  if (!FreshCopy()) return -1;
  LONGLONG before = FileSize(target);
  CompressionServices services = RealCompressionServices;
  services.messageDialog = RecordBox;
  CompressionReaders readers = {TargetPath, FirstLevel, 0};
  lastCaption[0] = 0;
  double t0 = Now();
  CompressionRequest(readers, services);
  double t = Now() - t0;
  if (lstrcmpA(lastCaption, TEXT_REPORT_CAPTION) != 0 || FileSize(target) >= before) {
    printf("ERROR\tthe request did not pack the file (box \"%s\")\n", lastCaption);
    return -1;
  }
  return t * 1000;
}

static double Direct(void*) {
  if (!FreshCopy()) return -1;
  LONGLONG before = FileSize(target);
  char commandLine[MAX_PATH + 32];
  wsprintfA(commandLine, "\"upx.exe\" -1 \"%s\"", target);
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION pi = {};
  double t0 = Now();
  if (!CreateProcessA(0, commandLine, 0, 0, FALSE, NORMAL_PRIORITY_CLASS, 0, 0, &si, &pi)) {
    printf("ERROR\tupx.exe could not be started (%lu)\n", GetLastError());
    return -1;
  }
  CloseHandle(pi.hThread);
  WaitForSingleObject(pi.hProcess, INFINITE);
  CloseHandle(pi.hProcess);
  double t = Now() - t0;
  if (FileSize(target) >= before) {
    printf("ERROR\tupx.exe did not pack the file\n");
    return -1;
  }
  return t * 1000;
}

int main(int argc, char** argv) {
  if (argc < 3) {
    printf("usage: bench_request RUNS FILE.exe\n");
    return 2;
  }
  int runs = atoi(argv[1]);
  char folder[MAX_PATH];
  OwnFolder(folder, sizeof folder);
  if (argv[2][0] && argv[2][1] == ':') lstrcpynA(source, argv[2], MAX_PATH);
  else wsprintfA(source, "%s\\%s", folder, argv[2]);
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  wsprintfA(target, "%szbench-request-%lu.exe", temp, GetCurrentProcessId());

  RuntimeStart();

  WatchdogStart(600, "the request benchmark");
  // One unmeasured round, so that both sides find upx.exe and the file cached.
  bool ok = Request(0) >= 0 && Direct(0) >= 0;
  Samples ours, direct;
  ok = ok && Alternate(runs, Request, Direct, 0, &ours, &direct);
  WatchdogStop();
  DeleteFileA(target);
  if (!ok) return 1;
  PrintNote("request: packs a fresh copy of %s (%ld bytes) each run", argv[2], (long)FileSize(source));
  PrintRow("CompressionRequest packing at \"Szint 1\" (baseline: CreateProcessA of upx.exe and a wait)", "ms",
           ours, direct, "<= 1.05");
  return 0;
}
