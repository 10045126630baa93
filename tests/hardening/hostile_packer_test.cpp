// Packers that misbehave, one after another in one running program driven
// through its window with real clicks: each request gives exactly the box the
// file's size calls for (changed: the report with the true sizes; unchanged:
// the warning), whatever the packer did or how it ended, and the program
// takes the next request as if nothing had happened.
#include "tests/e2e/program_fixture.h"
#include "tests/hardening/hardening.h"

namespace {

const long long ORIGINAL = 900;

struct Row {
  std::string mode;
  long long after;  // the file's size once the packer has ended (-1: gone)
};

// The exit codes a packer may end with: UPX's own (0 done, 1 error,
// 2 warning), 3 (the C runtime's abort), 127 and 255, and values that only a
// crash or a kill gives (an access violation's code, -1).
const char* const EXIT_CODES[] = {"0", "1", "2", "3", "127", "255", "3221225477", "4294967295"};

std::vector<Row> Rows() {
  std::vector<Row> rows = {
      {"crash", ORIGINAL},
      {"shrink crash", ORIGINAL / 2},
      {"sleep 5000 shrink", ORIGINAL / 2},
      {"delete", -1},
      {"truncate", 0},
      {"grow", ORIGINAL + 4096},
      {"print 8 shrink", ORIGINAL / 2},
      {"exit 1", ORIGINAL},
      {"shrink exit 2", ORIGINAL / 2},
      {"exit 3", ORIGINAL},
  };
  if (FullRun()) {
    for (const char* code : EXIT_CODES) {
      rows.push_back({std::string("exit ") + code, ORIGINAL});
      rows.push_back({std::string("shrink exit ") + code, ORIGINAL / 2});
    }
    rows.push_back({"sleep 5000", ORIGINAL});
    rows.push_back({"print 64", ORIGINAL});
    rows.push_back({"grow 1 crash", ORIGINAL + 1});
    rows.push_back({"shrink 899 sleep 5000 exit 1", ORIGINAL - 1});
  }
  return rows;
}

class HostilePackerTest : public ProgramTest {
 protected:
  std::string file, log;

  void SetUp() override {
    ProgramTest::SetUp();
    UseFakePacker("keep");
    file = dir.file("hostile target.exe");
    log = dir.file("fake-upx.log");
    ASSERT_TRUE(WriteBytes(file, std::string(ORIGINAL, 'z')));
    // Started as from the desktop, with no console of its own: the packer,
    // a console program, then gets a console of its own to print to, as it
    // does on Windows (under Wine the program would otherwise hand this
    // test's output on to it).
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string exe = dir.file("zimbrel.exe"), commandLine = "\"" + exe + "\"";
    ASSERT_TRUE(CreateProcessA(exe.c_str(), &commandLine[0], 0, 0, FALSE, DETACHED_PROCESS, 0, dir.path().c_str(),
                               &si, &pi));
    CloseHandle(pi.hThread);
    app.process = pi.hProcess;
    app.processId = pi.dwProcessId;
    ASSERT_TRUE(DriverAttach(&app, pi.dwProcessId, WAIT_MS)) << DriverError();
    Type(file);
    // The path is typed with real keys; the button is pressed with a posted
    // click. (Under Wine a real click is now and then lost once the packer's
    // console has taken the activation and gone, leaving no active window.)
    app.input = DRIVER_INPUT_POSTED;
  }

  // One request with the stand-in in mode on a fresh file; the box, answered.
  DriverBox Request(const std::string& mode) {
    EXPECT_TRUE(WriteBytes(file, std::string(ORIGINAL, 'z')));
    EXPECT_TRUE(WriteBytes(dir.file("fake-upx.mode"), mode));
    size_t runs = FileLines(log).size();
    DriverBox box = CompressForOneBox(PACK_WAIT_MS);
    std::vector<std::string> lines = FileLines(log);
    EXPECT_EQ(lines.size(), runs + 1) << "the packer ran " << lines.size() - runs << " times";
    if (!lines.empty()) {
      EXPECT_EQ(lines.back(), "\"upx.exe\" --best \"" + file + "\"");
    }
    return box;
  }

  void ExpectBoxFor(const DriverBox& box, long long after) {
    EXPECT_EQ(SizeOf(file), after);
    if (after == ORIGINAL) {
      EXPECT_EQ(box.caption, kErrorCaption);
      EXPECT_EQ(box.text, kUnchanged);
      EXPECT_EQ(box.icon, kErrorIcon) << box.iconProblem;
    } else {
      EXPECT_EQ(box.caption, kReportCaption);
      EXPECT_EQ(box.text, Report(ORIGINAL, after));
      EXPECT_EQ(box.icon, kReportIcon) << box.iconProblem;
    }
    EXPECT_EQ(box.buttons, std::vector<std::string>{SystemOkText()});
    // Nothing of the packer is left: no process, and no crash dialog.
    EXPECT_EQ(DriverCountProcesses("upx.exe"), 0);
    EXPECT_EQ(DriverCountProcesses("winedbg.exe"), 0);
    EXPECT_TRUE(IsWindowEnabled(app.window));
  }
};

TEST_F(HostilePackerTest, EachGivesTheBoxItsSizeCallsForAndTheProgramGoesOn) {
  std::vector<Row> rows = Rows();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.mode);
    ExpectBoxFor(Request(row.mode), row.after);
  }
  // After them all, a plain request is still packed and reported with the true sizes.
  ExpectBoxFor(Request("shrink 300"), 300);
  printf("[ hardening ] %zu misbehaving packers through the window\n", rows.size());
  CloseAndExpectCleanEnd();
}

// A packer that dies of a fault the system handles itself. Where Wine's crash
// debugger is on (scripts/hardening.sh) it shows a crash dialog, and the
// packer has not ended until that is answered: the request waits (it has no
// time-out by design), and once the dialog is answered it warns as for any
// run that left the size alone, and the program goes on. Where the debugger
// is off the packer ends at once and the warning comes straight away. The
// path is typed with real keys once the console windows of the packers run
// before are gone (the driver waits for them): one that closes while the keys
// go in leaves no window in the foreground to take them.
class HostilePackerCrashDialogTest : public HostilePackerTest {};

TEST_F(HostilePackerCrashDialogTest, APackerHeldByTheSystemsCrashDialogIsWaitedForThenWarnedAbout) {
  ASSERT_TRUE(WriteBytes(dir.file("fake-upx.mode"), "fault"));
  ASSERT_TRUE(DriverClick(&app, app.compressButton));
  // Until the crash dialog shows, or the program's box comes.
  HWND crashDialog = 0;
  DWORD start = GetTickCount();
  while (!crashDialog && DriverCountBoxes(&app) == 0 && GetTickCount() - start < WAIT_MS) {
    HWND w = 0;
    while ((w = FindWindowExA(0, w, "#32770", 0)) != 0) {
      DWORD pid = 0;
      GetWindowThreadProcessId(w, &pid);
      if (pid != app.processId && IsWindowVisible(w)) crashDialog = w;
    }
    if (!crashDialog) Sleep(50);
  }
  printf("[ hardening ] crash dialog %s\n", crashDialog ? "shown" : "not shown");
  char debugger[8] = "";
  GetEnvironmentVariableA("ZIMBREL_CRASH_DEBUGGER", debugger, sizeof debugger);
  if (!lstrcmpA(debugger, "off")) {
    EXPECT_EQ(crashDialog, nullptr) << "the crash debugger is off for this run, yet a crash dialog came";
  }
  if (!crashDialog) {
    // A system set not to show the dialog ends the packer at once.
    DriverBox box;
    ASSERT_TRUE(DriverWaitBox(&app, WAIT_MS, &box)) << DriverError();
    EXPECT_EQ(box.caption, kErrorCaption);
    EXPECT_EQ(box.text, kUnchanged);
    EXPECT_TRUE(DriverAnswerBox(box.handle, IDOK, WAIT_MS));
  } else {
    EXPECT_EQ(DriverCountBoxes(&app), 0);  // still waiting for the packer
    PostMessageA(crashDialog, WM_CLOSE, 0, 0);
    DriverBox box;
    ASSERT_TRUE(DriverWaitBox(&app, PACK_WAIT_MS, &box)) << DriverError();
    EXPECT_EQ(box.caption, kErrorCaption);
    EXPECT_EQ(box.text, kUnchanged);
    EXPECT_TRUE(DriverAnswerBox(box.handle, IDOK, WAIT_MS));
  }
  EXPECT_EQ(SizeOf(file), ORIGINAL);
  ExpectBoxFor(Request("shrink"), ORIGINAL / 2);
  CloseAndExpectCleanEnd();
}

}  // namespace
