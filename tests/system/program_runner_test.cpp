// ProgramRun with recorder.exe as the program started, on the direct road:
// the command line, directory, show state and standard streams it is given,
// waiting, pipes and chained programs, open handles after many runs, and
// packing with the real upx.exe.
#include "runtime/system/path_size.h"
#include "runtime/text/raw_bytes.h"
#include "tests/system/program_runner_fixture.h"

namespace {

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
