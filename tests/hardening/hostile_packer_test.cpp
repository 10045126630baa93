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
  long long after;   // the file's size once the packer has ended (-1: gone)
  std::string text = "";  // the warning's text; "" for the one the size calls for
};

// The file's bytes by its UTF-8 path, which may hold any letter.
bool WriteAnyName(const std::string& path, const std::string& bytes) {
  HANDLE f = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_WRITE, 0, 0, CREATE_ALWAYS, 0, 0);
  DWORD written = 0;
  bool ok = f != INVALID_HANDLE_VALUE && WriteFile(f, bytes.data(), (DWORD)bytes.size(), &written, 0);
  if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
  return ok && written == bytes.size();
}

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
      // Ended after it removed its input and before it renamed its temporary
      // file, the packed program, which then takes the input's name.
      {"temp 300 delete exit 3221225786", 300},
      {"temp 300 delete", 300},
      {"temp 300 delete crash", 300},
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
  // The file's name (UTF-8); standIn: the system's code page cannot hold it,
  // and the packer is handed a stand-in's name instead.
  std::string name = "hostile target.exe";
  bool standIn = false;
  std::string file, log;

  void SetUp() override {
    ProgramTest::SetUp();
    UseFakePacker("keep");
    file = dir.file(name);
    log = dir.file("fake-upx.log");
    ASSERT_TRUE(WriteAnyName(file, std::string(ORIGINAL, 'z')));
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
    EXPECT_TRUE(WriteAnyName(file, std::string(ORIGINAL, 'z')));
    EXPECT_TRUE(WriteBytes(dir.file("fake-upx.mode"), mode));
    size_t runs = FileLines(log).size();
    DriverBox box = CompressForOneBox(PACK_WAIT_MS);
    std::vector<std::string> lines = FileLines(log);
    EXPECT_EQ(lines.size(), runs + 1) << "the packer ran " << lines.size() - runs << " times";
    if (lines.empty()) return box;
    if (!standIn) {
      EXPECT_EQ(lines.back(), "\"upx.exe\" --best \"" + file + "\"");
    } else {
      // "zimbrel-", eight hexadecimal digits and the extension, in the file's folder.
      const std::string& line = lines.back();
      EXPECT_EQ(line.substr(0, 26), "\"upx.exe\" --best \"zimbrel-") << line;
      EXPECT_EQ(line.size() > 34 ? line.substr(26, 8).find_first_not_of("0123456789abcdef") : 0, std::string::npos)
          << line;
      EXPECT_EQ(line.substr(34), ".exe\"") << line;
    }
    return box;
  }

  void ExpectBoxFor(const DriverBox& box, long long after, const std::string& text = "") {
    // A copy of the packer may hold the file a while after the packer ended.
    for (DWORD start = GetTickCount(); DriverCountProcesses("upx.exe") && GetTickCount() - start < WAIT_MS;) Sleep(50);
    EXPECT_EQ(SizeOfUtf8(file), after);
    if (after == ORIGINAL || !text.empty()) {
      // A cancel is no error: its own caption and icon.
      EXPECT_EQ(box.caption, text == kCancelled ? kCancelledCaption : kErrorCaption);
      EXPECT_EQ(box.text, text.empty() ? kUnchanged : text);
      EXPECT_EQ(box.icon, text == kCancelled ? kCancelledIcon : kErrorIcon) << box.iconProblem;
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
    // Neither a stand-in, nor its backup, nor the packer's temporary file is left.
    for (const std::string& entry : FolderEntries(dir.path()))
      EXPECT_TRUE(entry.substr(0, 8) != "zimbrel-" && entry.find(".upx") == std::string::npos) << entry;
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

// The same packers on a file whose name no system code page holds whole (a
// letter the code pages of Europe lack, a Chinese one and an emoji), handed to
// the packer under a stand-in: a hard link of it in its folder. Whatever the
// packer does to the stand-in in place it does to the file, as to a file it is
// given by name; one it deletes is only the stand-in, and the file stays. The
// stand-in's packed bytes replace the file's; where the file is held open, so
// that they cannot, it keeps its own and the box says it is in use. A
// cancelled run leaves the file alone. Nothing of the stand-in is left.
class HostileStandInTest : public HostilePackerTest {
 protected:
  HostileStandInTest() {
    name = "\xC4\x89 \xE4\xB8\xAD \xF0\x9F\x98\x80.exe";  // ĉ 中 😀.exe
    standIn = true;
  }
  // The file that the packer's "hold" step holds, known to the program (and
  // so to the packers it starts) from its start.
  void SetUp() override {
    SetEnvironmentVariableW(L"ZIMBREL_FAKE_UPX_HOLD", WideFromUtf8(dir.file(name)).c_str());
    HostilePackerTest::SetUp();
  }
  void TearDown() override {
    HostilePackerTest::TearDown();
    SetEnvironmentVariableW(L"ZIMBREL_FAKE_UPX_HOLD", 0);
  }
};

TEST_F(HostileStandInTest, EachGivesTheBoxItsOutcomeCallsForAndNothingOfTheStandInIsLeft) {
  std::vector<Row> rows = Rows();
  for (Row& row : rows)
    if (row.after == -1) row.after = ORIGINAL;
  rows.push_back({"pack", ORIGINAL / 2, ""});
  // The file held after the pack: for a second, the replacement's tries
  // outlast it; for longer, the file keeps its bytes and the box says why.
  rows.push_back({"pack hold 1000", ORIGINAL / 2, ""});
  rows.push_back({"pack hold 6000", ORIGINAL, NotReplaced(kHeld)});
  rows.push_back({"temp", ORIGINAL, kCancelled});
  // The stand-in held for a second after the run (as a virus scanner holds a
  // fresh program): removed after the tries.
  rows.push_back({"holdinput 1000", ORIGINAL, kUnchanged});
  for (const Row& row : rows) {
    SCOPED_TRACE(row.mode);
    ExpectBoxFor(Request(row.mode), row.after, row.text);
  }
  // Held for longer than the tries: it stays, and the box names it.
  DriverBox box = Request("holdinput 5000");
  for (DWORD start = GetTickCount(); DriverCountProcesses("upx.exe") && GetTickCount() - start < WAIT_MS;) Sleep(50);
  std::string named = kUnchanged + NotRemoved("zimbrel-");
  ASSERT_EQ(box.text.substr(0, named.size()), named);
  std::string left = box.text.substr(named.size() - 8);
  EXPECT_EQ(left.size(), 20u);
  EXPECT_EQ(left.substr(16), ".exe");
  EXPECT_TRUE(DeleteFileA(dir.file(left).c_str())) << left;
  ExpectBoxFor(box, ORIGINAL, box.text);
  ExpectBoxFor(Request("pack 300"), 300);
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
