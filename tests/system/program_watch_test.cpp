// ProgramRunWatched, the program's one way to a run: recorder.exe started by
// its full name through the runner's typed door, its error line and exit
// code, its streams, the shell's try, a working directory in UTF-16.
#include "runtime/system/program_watch.h"
#include "runtime/text/raw_bytes.h"
#include "tests/system/program_runner_fixture.h"

namespace {

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

}  // namespace
