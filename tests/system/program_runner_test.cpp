// ProgramRun with recorder.exe as the program started: the command line,
// directory, show state and standard streams it is given, waiting, pipes and
// chained programs, the shell's second try for documents, starts that fail,
// open handles after many runs, and packing with the real upx.exe.
#include <gtest/gtest.h>

#include <map>

#include "runtime/memory/heaps.h"
#include "runtime/system/path_size.h"
#include "runtime/system/program_runner.h"
#include "runtime/system/program_watch.h"
#include "runtime/text/raw_bytes.h"
#include "tests/support/win_test.h"

#include <tlhelp32.h>

namespace {

typedef std::map<std::string, std::string> Fields;

std::string Recorder() { return BuildDir() + "\\recorder.exe"; }
std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

// What a pipe carries until its writers are gone (10 s at most, so a writer
// left open in error fails the test instead of hanging it).
std::string ReadAll(HANDLE from) {
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
void Feed(ProcessRecord* record, const std::string& bytes) {
  DWORD written;
  EXPECT_TRUE(WriteFile(record->inputWrite, bytes.data(), bytes.size(), &written, 0));
  CloseHandle(record->inputWrite);
  record->inputWrite = 0;
}

// Waits for a kept program to end (ending it after 10 s, so that it is not
// left behind), closes what its record holds and unlinks it.
void Finish(ProcessRecord* record) {
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

ULONGLONG CreationTime(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
  return (ULONGLONG)created.dwHighDateTime << 32 | created.dwLowDateTime;
}

// Programs that this test process started and that still run: its children
// by the names of the programs these tests start (never Wine's own helpers),
// started after it (a process number may have had another owner before).
std::vector<DWORD> RunningPrograms() {
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

void EndPrograms(const std::vector<DWORD>& ids) {
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

TEST_F(ProgramRunnerTest, QuotesTheProgramAndAddsParametersAfterOneSpace) {
  const std::string r = Recorder();
  char here[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, here);
  const struct {
    std::string program;
    const char* parameters;
    const char* directory;
    std::string commandLine, cwd;
  } cases[] = {
      {r, "a  \"b c\"", "", Quoted(r) + " a  \"b c\"", here},
      {r, "", nullptr, Quoted(r), here},
      {r, nullptr, dir.path().c_str(), Quoted(r), dir.path()},
      {Quoted(r), "x", "", Quoted(r) + " x", here},            // already quoted: unchanged
      {Quoted(r) + " first", "x", "", Quoted(r) + " first x", here},
      {"recorder.exe", "", "", "\"recorder.exe\"", here},     // found beside this program
  };
  // RUN_READ without RUN_OPEN keeps the shell out: the line is the runner's own.
  for (const auto& c : cases) {
    EXPECT_EQ(ProgramRun(c.program.c_str(), c.parameters, c.directory, RUN_WAIT | RUN_READ), 1) << c.program;
    Fields f = Record(0);
    EXPECT_EQ(f["cmdline"], c.commandLine);
    EXPECT_EQ(f["cwd"], c.cwd);
  }
  // The short form: no parameters, no directory, shown normally.
  ASSERT_EQ(ProgramRun(r.c_str()), 1);
  Fields f = Record();
  EXPECT_EQ(f["cmdline"], Quoted(r));
  EXPECT_EQ(f["show"], "1");
  EXPECT_EQ(f["flags"], "1");
}

TEST_F(ProgramRunnerTest, ShowStateAndStandardStreams) {
  // Streams, in the order input, output, error: P a pipe, I the caller's own,
  // N none (a detached program has no console and no standard handles).
  const struct {
    DWORD flags;
    const char *show, *startFlags, *streams;
  } cases[] = {
      {RUN_WAIT, "1", "1", "III"},
      {RUN_WAIT | RUN_HIDE, "0", "1", "NNN"},
      {RUN_WAIT | RUN_READ | RUN_WRITE | RUN_ERROR, "1", "1", "III"},  // no RUN_OPEN: no pipes
      {RUN_OPEN | RUN_HIDE | RUN_READ, "0", "257", "IPI"},               // not detached
      {RUN_OPEN | RUN_WRITE | RUN_ERROR, "1", "257", "PIP"},
  };
  Fields own;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.flags);
    intptr_t result = ProgramRun(Recorder().c_str(), "", "", c.flags);
    ASSERT_NE(result, 0);
    Fields f = Record();
    EXPECT_EQ(f["show"], c.show);
    EXPECT_EQ(f["flags"], c.startFlags);
    if (own.empty()) own = f;
    const char* names[] = {"stdin", "stdout", "stderr"};
    for (int i = 0; i < 3; ++i) {
      char kind = c.streams[i];
      std::string expected = kind == 'P' ? std::to_string(FILE_TYPE_PIPE) : kind == 'N' ? "-1" : own[names[i]];
      EXPECT_EQ(f[names[i]], expected) << names[i];
    }
    if (c.flags & RUN_OPEN) Finish((ProcessRecord*)result);
  }
}

TEST_F(ProgramRunnerTest, WaitReturnsOnlyWhenTheProgramHasEnded) {
  std::string mark = dir.file("mark");
  EXPECT_EQ(ProgramRun(Recorder().c_str(), ("sleep:500 mark:" + Quoted(mark)).c_str(), "", RUN_WAIT), 1);
  EXPECT_TRUE(FileExists(mark));

  // Without RUN_WAIT the call returns while the program still waits for its input.
  std::string later = dir.file("later");
  auto* kept = (ProcessRecord*)ProgramRun(Recorder().c_str(), ("echo mark:" + Quoted(later)).c_str(), "",
                                          RUN_OPEN | RUN_WRITE);
  ASSERT_NE(kept, nullptr);
  EXPECT_FALSE(FileExists(later));
  Feed(kept, "");
  Finish(kept);
  EXPECT_TRUE(FileExists(later));
}

TEST_F(ProgramRunnerTest, PipesCarryBytesBothWaysAndChainPrograms) {
  const std::string bytes = "bytes through the pipes\r\n\x01\xFF";
  auto* first = (ProcessRecord*)ProgramRun(Recorder().c_str(), "echo err:oops", "",
                                           RUN_OPEN | RUN_READ | RUN_WRITE | RUN_ERROR | RUN_HIDE);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, NodePayload(ProcessList));
  EXPECT_EQ((DWORD)first->processId, GetProcessId(first->processHandle));
  for (HANDLE h : {first->inputWrite, first->outputRead, first->errorRead}) {
    DWORD info = HANDLE_FLAG_INHERIT;
    EXPECT_TRUE(GetHandleInformation(h, &info));
    EXPECT_EQ(info & HANDLE_FLAG_INHERIT, 0u);  // the caller's ends stay with the caller
  }
  // The second program reads what the first writes.
  auto* second = (ProcessRecord*)ProgramRun(Recorder().c_str(), "echo", "", RUN_OPEN | RUN_READ | RUN_CONNECT, first);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->inputWrite, nullptr);
  Feed(first, bytes);
  EXPECT_EQ(ReadAll(second->outputRead), bytes);
  EXPECT_EQ(ReadAll(first->errorRead), "oops");
  Finish(second);
  Finish(first);

  // A sender without an output pipe: the new program gets its own input pipe.
  ProcessRecord silent = {};
  auto* third = (ProcessRecord*)ProgramRun(Recorder().c_str(), "echo", "",
                                           RUN_OPEN | RUN_READ | RUN_WRITE | RUN_CONNECT, &silent);
  ASSERT_NE(third, nullptr);
  ASSERT_NE(third->inputWrite, nullptr);
  Feed(third, "abc");
  EXPECT_EQ(ReadAll(third->outputRead), "abc");
  Finish(third);
}

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

TEST_F(ProgramRunnerTest, TheShellOpensWhatCannotBeStartedDirectly) {
  DocumentType type;
  ASSERT_TRUE(CreateDirectoryA(dir.file("docs").c_str(), 0));
  std::string doc = dir.file("docs\\letter" + type.extension);
  ASSERT_TRUE(WriteBytes(doc, "not a program"));
  const struct {
    std::string program;
    const char* directory;
    DWORD flags;
    std::string cwd, show;
  } cases[] = {
      {doc, "", RUN_WAIT, dir.file("docs\\"), "1"},  // the program's folder
      {Quoted(doc), "", RUN_WAIT | RUN_HIDE, dir.file("docs\\"), "0"},
      {doc, dir.path().c_str(), RUN_OPEN, dir.path(), "1"},
  };
  for (const auto& c : cases) {
    intptr_t result = ProgramRun(c.program.c_str(), "", c.directory, c.flags);
    Fields f = Record();
    EXPECT_NE(f["cmdline"].find(doc), std::string::npos) << c.program;
    EXPECT_EQ(f["cmdline"].find(Quoted(Recorder()) + " opened "), 0u) << f["cmdline"];
    // The folder is compared without its closing backslash.
    std::string cwd = c.cwd.back() == '\\' ? c.cwd.substr(0, c.cwd.size() - 1) : c.cwd;
    EXPECT_EQ(f["cwd"], cwd);
    EXPECT_EQ(f["show"], c.show);
    if (c.flags & RUN_OPEN) {
      ASSERT_NE(result, 0);
      EXPECT_EQ(((ProcessRecord*)result)->processId, -1);
      Finish((ProcessRecord*)result);
    } else {
      EXPECT_EQ(result, 1);
    }
  }
  // Redirection rules the shell out.
  EXPECT_EQ(ProgramRun(doc.c_str(), "", "", RUN_WAIT | RUN_READ), 0);
  EXPECT_TRUE(Record(300).empty());
}

TEST_F(ProgramRunnerTest, WhatCannotStartGivesZeroAndLeavesNothingBehind) {
  const std::string r = Recorder(), missing = dir.file("missing\\none.exe");
  const std::string longText(40000, 'p');
  const struct {
    const char *program, *parameters, *directory;
    DWORD flags;
    HANDLE* heapGone;  // a heap that cannot give a block during the call
  } cases[] = {
      {nullptr, "", "", RUN_WAIT, nullptr},
      {"", "", "", RUN_WAIT | RUN_OPEN, nullptr},
      {missing.c_str(), "", "", RUN_WAIT, nullptr},
      {missing.c_str(), "", "", RUN_OPEN | RUN_READ | RUN_WRITE, nullptr},
      {r.c_str(), "", missing.c_str(), RUN_WAIT, nullptr},  // the directory does not exist
      {r.c_str(), "", missing.c_str(), RUN_WAIT | RUN_OPEN, nullptr},
      {r.c_str(), longText.c_str(), "", RUN_WAIT, nullptr},  // too long for a command line
      {r.c_str(), "", "", RUN_WAIT | RUN_OPEN | RUN_READ, &MainHeap},  // no command-line buffer
      {r.c_str(), "", "", RUN_WAIT | RUN_OPEN | RUN_READ, &ListHeap},  // no process record
  };
  // The first start, and the shell's first use, open what the process then
  // keeps (the shell keeps the key of the classes' root); the count begins
  // after both, whichever test ran before.
  ProgramRun(r.c_str(), "", "", RUN_WAIT);
  Record();
  EXPECT_EQ(ProgramRun(missing.c_str(), "", "", RUN_WAIT), 0);
  DWORD handles = HandleCount();
  ListNode* head = ProcessList;
  for (const auto& c : cases) {
    HANDLE heap = c.heapGone ? *c.heapGone : 0;
    if (c.heapGone) *c.heapGone = 0;
    EXPECT_EQ(ProgramRun(c.program, c.parameters, c.directory, c.flags), 0) << c.flags;
    if (c.heapGone) *c.heapGone = heap;
    EXPECT_TRUE(Record(300).empty()) << "started after all";
  }
  EXPECT_EQ(ProcessList, head);
  EXPECT_EQ(HandleCount(), handles);
}

TEST_F(ProgramRunnerTest, AHundredRunsLeaveNoHandleOpen) {
  ScopedHandle pipeRead, pipeWrite;
  ASSERT_TRUE(CreatePipe(&pipeRead.h, &pipeWrite.h, 0, 0));
  ProcessRecord sender = {};
  sender.outputRead = pipeRead.h;
  auto run = [&](int i) {
    static const DWORD flags[] = {RUN_WAIT, RUN_WAIT | RUN_HIDE, RUN_WAIT | RUN_CONNECT,
                                  RUN_OPEN | RUN_READ | RUN_WRITE | RUN_ERROR};
    intptr_t result = ProgramRun(Recorder().c_str(), i % 4 == 3 ? "echo" : "", "", flags[i % 4], &sender);
    ASSERT_NE(result, 0);
    if (result != 1) {
      auto* record = (ProcessRecord*)result;
      Feed(record, "x");
      EXPECT_EQ(ReadAll(record->outputRead), "x");
      Finish(record);
    }
    ProgramRun(dir.file("missing.exe").c_str());
  };
  run(0);
  DWORD handles = HandleCount();
  // A run that fails (each wait is bounded) ends the loop rather than being repeated.
  for (int i = 1; i < 100 && !HasFailure(); ++i) run(i);
  EXPECT_EQ(HandleCount(), handles);
}

// The watched run: the first line the program writes on its error stream and
// its exit code come back, its other streams stay the caller's, its window
// comes up without taking the activation; what cannot
// be started directly goes to the shell's try (nothing is read then); nothing
// is left open or listed afterwards.
TEST_F(ProgramRunnerTest, AWatchedRunTellsItsErrorLineAndExitCodeAndKeepsNothing) {
  DocumentType type;
  std::string doc = dir.file("letter" + type.extension);
  ASSERT_TRUE(WriteBytes(doc, "not a program"));
  ProgramEnd end;
  // The streams of a plain run, as this process has them.
  ASSERT_EQ(ProgramRun(Recorder().c_str(), "", "", RUN_WAIT), 1);
  Fields own = Record();
  // Once through the shell, which keeps what its first use opens.
  ASSERT_EQ(ProgramRunWatched(RawPath(doc.c_str()), RawProgramParameters(""), PathText(L""), &end), 1);
  EXPECT_STREQ(end.errorLine, "");
  EXPECT_EQ(end.exitCode, 0u);
  EXPECT_EQ(Record()["cmdline"].find(Quoted(Recorder()) + " opened "), 0u);
  DWORD handles = HandleCount();
  ListNode* head = ProcessList;

  ASSERT_EQ(ProgramRunWatched(RawPath(Recorder().c_str()), RawProgramParameters("err:\"upx: a.exe: IOException: no\" exit:7"), PathText(L""), &end), 1);
  EXPECT_STREQ(end.errorLine, "upx: a.exe: IOException: no");
  EXPECT_EQ(end.exitCode, 7u);
  Fields f = Record();
  // Started from the file named, its own name first on its command line.
  EXPECT_EQ(f["module8"], Utf8FromCodePage(CP_ACP, Recorder()));
  EXPECT_EQ(f["cmdline"], "\"recorder.exe\" err:\"upx: a.exe: IOException: no\" exit:7");
  EXPECT_EQ(f["show"], "4");   // SW_SHOWNOACTIVATE: its console leaves the caller active
  EXPECT_EQ(f["stdin"], own["stdin"]);
  EXPECT_EQ(f["stdout"], own["stdout"]);
  EXPECT_EQ(f["stderr"], std::to_string(FILE_TYPE_PIPE));
  // A program that writes nothing there, and one that cannot start at all.
  ASSERT_EQ(ProgramRunWatched(RawPath(Recorder().c_str()), RawProgramParameters("exit:3"), PathText(L""), &end), 1);
  EXPECT_STREQ(end.errorLine, "");
  EXPECT_EQ(end.exitCode, 3u);
  Record();
  EXPECT_EQ(ProgramRunWatched(RawPath(dir.file("missing.exe").c_str()), RawProgramParameters(""), PathText(L""), &end), 0);
  // In a working directory that no code page holds whole, given in UTF-16;
  // there, what does not start directly is not tried through the shell,
  // which would look for it in that directory too.
  std::wstring folder = WideFromUtf8(dir.path()) + L"\\\x0109 \x4E2D \xD83D\xDE00";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), 0));
  ASSERT_EQ(ProgramRunWatched(RawPath(Recorder().c_str()), RawProgramParameters("exit:0"), PathText(folder.c_str()), &end), 1);
  EXPECT_EQ(Record()["cwd8"], Utf8FromWide(folder));
  EXPECT_EQ(ProgramRunWatched(RawPath(doc.c_str()), RawProgramParameters(""), PathText(folder.c_str()), &end), 0);
  EXPECT_TRUE(Record(300).empty());
  // A program in that folder, by its full name: the direct start, and the
  // shell's try with the same name for a document there.
  const std::wstring inFolder = folder + L"\\recorder.exe", docInFolder = folder + L"\\letter" + WideFromUtf8(type.extension);
  ASSERT_TRUE(CopyFileW(WideFromUtf8(Utf8FromCodePage(CP_ACP, Recorder())).c_str(), inFolder.c_str(), FALSE));
  ASSERT_TRUE(CopyFileW(WideFromUtf8(Utf8FromCodePage(CP_ACP, doc)).c_str(), docInFolder.c_str(), FALSE));
  ASSERT_EQ(ProgramRunWatched(PathText(inFolder.c_str()), RawProgramParameters("exit:4"), PathText(L""), &end), 1);
  EXPECT_EQ(end.exitCode, 4u);
  f = Record();
  EXPECT_EQ(f["module8"], Utf8FromWide(inFolder));
  EXPECT_EQ(f["cmdline8"], "\"recorder.exe\" exit:4");
  ASSERT_EQ(ProgramRunWatched(PathText(docInFolder.c_str()), RawProgramParameters(""), PathText(L""), &end), 1);
  EXPECT_NE(Record()["cmdline8"].find(Utf8FromWide(docInFolder)), std::string::npos);
  // A full name that names no file starts nothing, though a program of its
  // name is in the current directory and on PATH.
  char here[MAX_PATH], searched[32767];
  GetCurrentDirectoryA(MAX_PATH, here);
  DWORD length = GetEnvironmentVariableA("PATH", searched, sizeof searched);
  ASSERT_LT(length, sizeof searched);
  ASSERT_TRUE(CopyFileTo(Recorder(), dir.file("recorder.exe")));
  SetCurrentDirectoryA(dir.path().c_str());
  SetEnvironmentVariableA("PATH", (BuildDir() + ";" + searched).c_str());
  intptr_t started = ProgramRunWatched(RawPath(dir.file("gone\\recorder.exe").c_str()), RawProgramParameters(""), PathText(L""), &end);
  SetEnvironmentVariableA("PATH", searched);
  SetCurrentDirectoryA(here);
  EXPECT_EQ(started, 0);
  EXPECT_TRUE(Record(300).empty());
  EXPECT_EQ(HandleCount(), handles);
  EXPECT_EQ(ProcessList, head);
}

TEST_F(ProgramRunnerTest, UpxPacksAFileThatThenShrinks) {
  std::string target = dir.file("packed.exe");
  ASSERT_TRUE(CopyFileTo(Recorder(), target));
  int64_t before = PathSize(RawPath(target.c_str()));
  ASSERT_GT(before, 8192);
  // As the application runs it: found beside the program, no directory.
  EXPECT_EQ(ProgramRun("upx.exe", ("-1 " + Quoted(target)).c_str(), "", RUN_WAIT | RUN_HIDE), 1);
  int64_t after = PathSize(RawPath(target.c_str()));
  EXPECT_GT(after, 0);
  EXPECT_LT(after, before);
  // Still a program that runs.
  EXPECT_EQ(ProgramRun(target.c_str(), "", "", RUN_WAIT), 1);
  EXPECT_EQ(Record()["cmdline"], Quoted(target));
}

}  // namespace
