// ProgramRun where the direct start fails: the shell's second try for
// documents, in their folder or the directory given, and ruled out by
// redirection; starts that fail altogether give 0 and leave nothing behind.
#include "tests/system/program_runner_fixture.h"

namespace {

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

}  // namespace
