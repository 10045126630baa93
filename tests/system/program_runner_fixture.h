// What the program runner's tests share: recorder.exe as the program started,
// the record it writes of how it was started, pipes read to their end, kept
// programs fed and finished, a watchdog that ends what a test leaves running,
// and a document type that opens in recorder.exe through the shell.
#pragma once
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "runtime/memory/heaps.h"
#include "runtime/system/program_runner.h"
#include "tests/support/win_test.h"

#include <tlhelp32.h>

typedef std::map<std::string, std::string> Fields;

inline std::string Recorder() { return BuildDir() + "\\recorder.exe"; }
inline std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

// What a pipe carries until its writers are gone (10 s at most, so a writer
// left open in error fails the test instead of hanging it).
inline std::string ReadAll(HANDLE from) {
  std::string bytes;
  char buffer[4096];
  DWORD ready, got, start = GetTickCount();
  bool open;
  while ((open = PeekNamedPipe(from, 0, 0, 0, &ready, 0)) && GetTickCount() - start < 10000) {
    if (!ready) Sleep(5);
    else if (ReadFile(from, buffer, ready < sizeof buffer ? ready : sizeof buffer, &got, 0)) bytes.append(buffer, got);
  }
  if (open) ADD_FAILURE() << "waited 10000 ms for the pipe's writers to be gone, which never happened";
  return bytes;
}

// Hands bytes to a kept program's input and closes it, so the program sees its end.
inline void Feed(ProcessRecord* record, const std::string& bytes) {
  DWORD written;
  EXPECT_TRUE(WriteFile(record->inputWrite, bytes.data(), bytes.size(), &written, 0));
  CloseHandle(record->inputWrite);
  record->inputWrite = 0;
}

// Waits for a kept program to end (ending it after 10 s, so that it is not
// left behind), closes what its record holds and unlinks it.
inline void Finish(ProcessRecord* record) {
  DWORD waited = WaitForSingleObject(record->processHandle, 10000);
  EXPECT_EQ(waited, WAIT_OBJECT_0) << "the program did not end by itself";
  if (waited == WAIT_TIMEOUT) {
    TerminateProcess(record->processHandle, 1);
    WaitForSingleObject(record->processHandle, 5000);
  }
  for (HANDLE h : {record->processHandle, record->inputWrite, record->outputRead, record->errorRead})
    if (h) CloseHandle(h);
  NodeListRemove(&ProcessList, record);
}

inline ULONGLONG CreationTime(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
  return (ULONGLONG)created.dwHighDateTime << 32 | created.dwLowDateTime;
}

// Programs that this test process started and that still run: its children
// by the names of the programs these tests start (never Wine's own helpers),
// started after it (a process number may have had another owner before).
inline std::vector<DWORD> RunningPrograms() {
  std::vector<DWORD> ids;
  ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (snapshot.get() == INVALID_HANDLE_VALUE) return ids;
  const ULONGLONG self = CreationTime(GetCurrentProcess());
  PROCESSENTRY32 entry;
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry)) {
    if (entry.th32ParentProcessID != GetCurrentProcessId()) continue;
    bool started = false;
    for (const char* name : {"recorder.exe", "upx.exe", "packed.exe"})
      started |= lstrcmpiA(entry.szExeFile, name) == 0;
    if (!started) continue;
    ScopedHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, entry.th32ProcessID));
    bool running = process.get() && WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
    if (running && CreationTime(process.get()) >= self) ids.push_back(entry.th32ProcessID);
  }
  return ids;
}

inline void EndPrograms(const std::vector<DWORD>& ids) {
  for (DWORD id : ids) {
    ScopedHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
    if (process.get() && TerminateProcess(process.get(), 1)) WaitForSingleObject(process.get(), 5000);
  }
}

// Once `ms` have passed without Stop(), ends the programs this process started,
// and goes on ending the ones it starts after that: a program that never ends
// fails the test instead of hanging it, also where the runner itself waits for
// it (RUN_WAIT waits without a limit).
class Watchdog {
 public:
  explicit Watchdog(DWORD ms) : ms_(ms), stop_(CreateEventA(0, TRUE, FALSE, 0)) {
    thread_.h = CreateThread(0, 0, Watch, this, 0, 0);
  }
  ~Watchdog() { Stop(); }
  // Stops watching; true when the time had run out.
  bool Stop() {
    SetEvent(stop_.get());
    if (thread_.get()) WaitForSingleObject(thread_.get(), 60000);
    return fired_;
  }

 private:
  static DWORD WINAPI Watch(void* self) {
    Watchdog* watchdog = (Watchdog*)self;
    DWORD wait = watchdog->ms_;
    while (WaitForSingleObject(watchdog->stop_.get(), wait) == WAIT_TIMEOUT) {
      watchdog->fired_ = true;
      EndPrograms(RunningPrograms());
      wait = 500;
    }
    return 0;
  }
  DWORD ms_;
  ScopedHandle stop_, thread_;
  volatile bool fired_ = false;
};

// Each test's recorders write to record.txt in a fresh folder (the variable
// is inherited by every program the test starts). No test takes longer than a
// minute, and none leaves a program running.
class ProgramRunnerTest : public testing::Test {
 protected:
  void SetUp() override { SetEnvironmentVariableA("ZIMBREL_RECORD", RecordPath().c_str()); }
  void TearDown() override {
    EXPECT_FALSE(watchdog.Stop()) << "a program still ran after a minute and was ended";
    std::vector<DWORD> left;
    PumpUntil([&] { return (left = RunningPrograms()).empty(); }, 5000);
    EXPECT_EQ(left.size(), 0u) << "programs left running, now ended";
    EndPrograms(left);
    SetEnvironmentVariableA("ZIMBREL_RECORD", 0);
  }
  std::string RecordPath() { return dir.file("record.txt"); }
  // The record's fields, waiting up to `ms` for it; none if it never came. The
  // record is read once it can be opened: it shows up through a rename, and
  // the recorder may still hold it for that rename for a moment.
  Fields Record(DWORD ms = 10000) {
    Fields fields;
    std::string text;
    if (!PumpUntil([&] { return ReadBytes(RecordPath(), &text); }, ms)) return fields;
    EXPECT_TRUE(PumpUntil([&] { return DeleteFileA(RecordPath().c_str()) != 0; }, 5000));
    for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
      size_t eq = text.find('=', at);
      if (eq < end) fields[text.substr(at, eq - at)] = text.substr(eq + 1, end - eq - 1);
    }
    return fields;
  }
  TempDir dir;
  Watchdog watchdog{60000};
};

// Documents of a type of this test process's own (so that test programs run
// side by side in one prefix do not undo each other's) open in recorder.exe,
// through the shell.
struct DocumentType {
  const std::string id = std::to_string(GetCurrentProcessId());
  const std::string extension = ".zrt" + id, name = "ZimbrelTestDocument" + id;
  DocumentType() {
    RegSetValueA(HKEY_CLASSES_ROOT, extension.c_str(), REG_SZ, name.c_str(), 0);
    std::string command = Quoted(Recorder()) + " opened \"%1\"";
    RegSetValueA(HKEY_CLASSES_ROOT, (name + "\\shell\\open\\command").c_str(), REG_SZ, command.c_str(), 0);
  }
  ~DocumentType() {
    RegDeleteTreeA(HKEY_CLASSES_ROOT, name.c_str());
    RegDeleteTreeA(HKEY_CLASSES_ROOT, extension.c_str());
  }
};
