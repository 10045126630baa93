// What a person can do wrong through the real window: odd texts in the field,
// a flurry of clicks, closing while a box is up, a packer that takes its time.
#include "tests/e2e/program_fixture.h"

#include <algorithm>

// Answers every box and cancels every file dialog that comes up, until the
// program has taken messages with none of them up and no packer running
// for half a second in a row. The boxes answered, in turn.
static std::vector<DriverBox> AnswerUntilQuiet(DriverApp* app) {
  std::vector<DriverBox> boxes;
  DWORD quietSince = GetTickCount(), start = GetTickCount();
  while (GetTickCount() - quietSince < 500 && GetTickCount() - start < PACK_WAIT_MS) {
    if (WaitForSingleObject(app->process, 0) == WAIT_OBJECT_0) break;
    DriverBox box;
    HWND dialog = 0;
    if (DriverWaitBox(app, 50, &box)) {
      boxes.push_back(box);
      EXPECT_TRUE(DriverAnswerBox(box.handle, IDOK, WAIT_MS)) << DriverError();
    } else if ((dialog = DriverWaitFileDialog(app, 0)) != 0) {
      EXPECT_TRUE(DriverCancelFileDialog(dialog, WAIT_MS)) << DriverError();
    } else if (DriverCountProcesses("upx.exe") == 0 && DriverResponsive(app, 100)) {
      continue;
    }
    quietSince = GetTickCount();
  }
  if (GetTickCount() - quietSince < 500 && WaitForSingleObject(app->process, 0) != WAIT_OBJECT_0)
    ADD_FAILURE() << "waited " << PACK_WAIT_MS << " ms for the program to go quiet (no box, no file dialog and "
                  << "no packer for half a second), which never happened";
  return boxes;
}

class BadInputTest : public ProgramTest {};

TEST_F(BadInputTest, EachOddTextGivesExactlyOneNoUsableFileBoxSayingWhyAndNoPackerRun) {
  UseFakePacker("shrink");
  std::string file = Sample("sample.exe");
  long long size = SizeOf(file);
  ASSERT_TRUE(WriteBytes(dir.file("empty.exe"), ""));
  std::string tooLong = dir.file(std::string(300, 'a') + ".exe");
  struct Row {
    std::string text, sentence;
  } rows[] = {
      {"   ", kNoFileText},
      {tooLong, NoFileTooLong((long long)tooLong.size())},
      // Quotes, but not one pair around the whole path: a path in one pair is packed (below).
      {"\"" + file, kNoFileWildcard},
      {file + "\"", kNoFileWildcard},
      {"\"\"" + file + "\"\"", kNoFileWildcard},
      {dir.file("*.exe"), kNoFileWildcard},
      {"sampl?.exe", kNoFileWildcard},
      {dir.path(), kNoFileFolder},
      {dir.path() + "\\", kNoFileFolder},
      {"C:\\", kNoFileFolder},
      {"C:\\nincs árvíztűrő tükörfúrógép.exe", kNoFileMissing},
      {"CON", kNoFileMissing},
      {file + "\\", kNoFileMissing},
      {"nincs.exe", kNoFileMissing},  // a bare name not in the current folder (dir)
      {dir.file("empty.exe"), kNoFileEmpty},
  };
  Start();
  for (const Row& row : rows) {
    SCOPED_TRACE(DriverEscape(row.text.substr(0, 80)));
    Type(row.text);
    ExpectNoUsableFileBox(CompressForOneBox(), row.sentence);
  }
  EXPECT_FALSE(FileExists(dir.file("fake-upx.log")));
  EXPECT_EQ(SizeOf(file), size);
  // A path in one pair of quotes, as Explorer's "Copy as path" gives it, and
  // a pasted path with spaces before or after it: the field shows it so, and
  // the file inside is packed.
  const std::string packed[] = {
      "\"" + file + "\"",
      "\"" + file + "\" ",
      " " + file + "  ",
      file + std::string(261 - file.size(), ' '),  // the file itself, but 261 characters long
      file + std::string(2000 - file.size(), ' '),
  };
  for (const std::string& text : packed) {
    SCOPED_TRACE(DriverEscape(text.substr(0, 80)));
    Type(text);
    DriverBox box = CompressForOneBox();
    EXPECT_EQ(box.caption, kReportCaption);
    EXPECT_EQ(box.text, Report(size, size / 2));
    EXPECT_EQ(DriverFieldText(&app), text);
    size = SizeOf(file);
  }
  CloseAndExpectCleanEnd();
}

TEST_F(BadInputTest, AFlurryOfClicksLeavesTheProgramWorkingAndTheFileWhole) {
  UseFakePacker("sleep 300 shrink");
  std::string file = Sample("sample.exe");
  long long size = SizeOf(file);
  Start();
  Type(file);
  for (int i = 0; i < 10; i++) ASSERT_TRUE(DriverClick(&app, app.compressButton)) << DriverError();
  for (int i = 0; i < 5; i++) ASSERT_TRUE(DriverClick(&app, app.browseButton)) << DriverError();
  // Each run the stand-in made halved the file, and each was reported; a
  // cancelled file dialog leaves the field as it was, so later presses pack too.
  long long expected = size;
  for (const DriverBox& box : AnswerUntilQuiet(&app)) {
    if (box.caption == kReportCaption) {
      EXPECT_EQ(box.text, Report(expected, expected / 2));
      expected /= 2;
    } else {
      ExpectNoUsableFileBox(box, kNoFileText);
    }
  }
  EXPECT_LT(expected, size);
  EXPECT_EQ(SizeOf(file), expected);
  EXPECT_TRUE(DriverResponsive(&app, WAIT_MS));
  CloseAndExpectCleanEnd();
}

// Asked to close while its window is disabled under a box or blocked on the
// packer, the program either ends once it can or lets the request go (the
// system does not close a disabled window); either way it is not left hung
// and ends with exit code 0.
static void ExpectEndsOrGoesOn(DriverApp* app) {
  DWORD code = 1;
  if (!DriverWaitExit(app, 1000, &code)) {
    EXPECT_TRUE(DriverResponsive(app, WAIT_MS));
    EXPECT_EQ(DriverCountBoxes(app), 0);
    ASSERT_TRUE(DriverClose(app));
    ASSERT_TRUE(DriverWaitExit(app, WAIT_MS, &code)) << DriverError();
  }
  EXPECT_EQ(code, 0u);
}

TEST_F(BadInputTest, ClosingTheWindowWhileABoxIsUpLeavesNothingHung) {
  UseFakePacker("shrink");
  for (bool systemMenu : {true, false}) {
    SCOPED_TRACE(systemMenu ? "system menu" : "WM_CLOSE");
    Start();
    DriverBox box;
    ASSERT_TRUE(DriverClick(&app, app.compressButton));
    ASSERT_TRUE(DriverWaitBox(&app, WAIT_MS, &box)) << DriverError();
    ExpectNoUsableFileBox(box, kNoFileText);
    ASSERT_TRUE(DriverClose(&app, systemMenu));
    if (IsWindow(box.handle)) {
      EXPECT_TRUE(DriverAnswerBox(box.handle, IDOK, WAIT_MS)) << DriverError();
    }
    if (systemMenu) {
      ExpectEndsOrGoesOn(&app);
    } else {
      // The close message reaches the disabled window and is acted on
      // once the box is answered.
      DWORD code = 1;
      ASSERT_TRUE(DriverWaitExit(&app, WAIT_MS, &code)) << DriverError();
      EXPECT_EQ(code, 0u);
    }
    DriverRelease(&app);
    app = DriverApp();
  }
}

// How many times the packer ran: fake-upx logs one line a run.
static int Runs(const std::string& log) {
  std::string lines;
  ReadBytes(log, &lines);
  return (int)std::count(lines.begin(), lines.end(), '\n');
}

static HWND FocusIn(DWORD thread) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : 0;
}

// The pointer's shape over a label of the window, once the pointer has moved there.
static HCURSOR PointerOver(HWND label) {
  RECT r;
  GetWindowRect(label, &r);
  SetCursorPos(r.left + 2, r.top + 3);
  SetCursorPos(r.left + 3, r.top + 3);
  Sleep(300);
  CURSORINFO info = {};
  info.cbSize = sizeof info;
  return GetCursorInfo(&info) ? info.hCursor : 0;
}

static LRESULT AskLogOff(HWND window) {
  DWORD_PTR answer = 99;
  EXPECT_TRUE(SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 1000, &answer));
  return (LRESULT)answer;
}

// The whole process's CPU time so far, in 100 ns.
static long long CpuTime(HANDLE process) {
  FILETIME times[4];
  if (!GetProcessTimes(process, &times[0], &times[1], &times[2], &times[3])) return -1;
  return (long long)times[2].dwLowDateTime + ((long long)times[2].dwHighDateTime << 32) +
         times[3].dwLowDateTime + ((long long)times[3].dwHighDateTime << 32);
}

TEST_F(BadInputTest, DuringALongPackTheWindowLivesTakesNoRequestAndACloseWaitsForTheBox) {
  UseFakePacker("sleep 8000 shrink");
  const std::string file = Sample("sample.exe"), log = dir.file("fake-upx.log");
  const long long size = SizeOf(file);
  Start();
  Type(file);
  HWND gadgets[] = {app.pathField, app.browseButton, app.levelList, app.compressButton};
  const HCURSOR arrow = PointerOver(app.exeLabel);
  ASSERT_TRUE(DriverPressKey(VK_RETURN)) << DriverError();  // from the field
  ASSERT_TRUE(PumpUntil([] { return DriverCountProcesses("upx.exe") == 1; }, WAIT_MS));
  const DWORD packStart = GetTickCount();
  const long long cpuBefore = CpuTime(app.process);
  for (HWND gadget : gadgets) EXPECT_FALSE(IsWindowEnabled(gadget)) << ClassOf(gadget);
  EXPECT_NE(PointerOver(app.exeLabel), arrow) << "the pointer does not show work in the background";
  EXPECT_EQ(AskLogOff(app.window), 0) << "a log-off waits while the packer works";
  // Every road to a request, and a drop.
  ASSERT_TRUE(DriverClick(&app, app.compressButton, false)) << DriverError();
  ASSERT_TRUE(DriverPressKey(VK_RETURN)) << DriverError();
  PostMessageA(app.compressButton, BM_CLICK, 0, 0);
  PostMessageA(app.browseButton, BM_CLICK, 0, 0);
  RECT r;
  ASSERT_TRUE(GetWindowRect(app.window, &r));
  bool accepted = false;
  EXPECT_TRUE(DriverDragFromX("files", {Sample("other.exe")}, {(r.left + r.right) / 2, (r.top + r.bottom) / 2},
                              WAIT_MS, &accepted)) << DriverError();
  while (GetTickCount() - packStart < 6500) Sleep(20);
  // Waiting costs next to nothing: measured up to here, since the minimising
  // and restoring below cost Wine's X11 driver about 0.15 s by themselves.
  EXPECT_LT(CpuTime(app.process) - cpuBefore, 2000000) << "more than 0.2 s of CPU time while waiting";
  EXPECT_FALSE(IsHungAppWindow(app.window));
  EXPECT_TRUE(DriverResponsive(&app, 1000));
  RedrawWindow(app.window, 0, 0, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  EXPECT_TRUE(PumpUntil([&] { return !GetUpdateRect(app.window, 0, FALSE); }, 500)) << "not painted";
  SetWindowPos(app.window, 0, r.left + 16, r.top + 8, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
  EXPECT_TRUE(PumpUntil([&] { RECT now; return GetWindowRect(app.window, &now) && now.left == r.left + 16; }, 500));
  for (int show : {SW_MINIMIZE, SW_RESTORE}) {
    ShowWindowAsync(app.window, show);
    EXPECT_TRUE(PumpUntil([&] { return !IsIconic(app.window) == (show == SW_RESTORE); }, 1000)) << show;
  }
  SetForegroundWindow(app.window);
  DriverBox box;
  ASSERT_TRUE(DriverWaitBox(&app, WAIT_MS, &box)) << DriverError();
  EXPECT_EQ(box.caption, kReportCaption);
  EXPECT_EQ(box.text, Report(size, size / 2));
  EXPECT_NE(AskLogOff(app.window), 0) << "once the packer has ended, a log-off is let go";
  EXPECT_TRUE(DriverAnswerBox(box.handle, IDOK, WAIT_MS)) << DriverError();
  EXPECT_TRUE(DriverMessagesHandled(&app, WAIT_MS)) << DriverError();
  Sleep(500);
  EXPECT_EQ(DriverCountBoxes(&app), 0);
  EXPECT_EQ(DriverWaitFileDialog(&app, 0), (HWND)0);
  EXPECT_EQ(Runs(log), 1);
  EXPECT_EQ(DriverFieldText(&app), file);
  for (HWND gadget : gadgets) EXPECT_TRUE(IsWindowEnabled(gadget)) << ClassOf(gadget);
  EXPECT_EQ(FocusIn(app.threadId), app.pathField);
  EXPECT_EQ(PointerOver(app.exeLabel), arrow);

  // A close asked while the packer works waits for the pack and its box.
  ASSERT_TRUE(WriteBytes(dir.file("fake-upx.mode"), "sleep 1500 shrink"));
  ASSERT_TRUE(DriverClick(&app, app.compressButton)) << DriverError();
  ASSERT_TRUE(PumpUntil([] { return DriverCountProcesses("upx.exe") == 1; }, WAIT_MS));
  ASSERT_TRUE(DriverClose(&app, false));
  ASSERT_TRUE(DriverWaitBox(&app, WAIT_MS, &box)) << DriverError();
  EXPECT_EQ(box.text, Report(size / 2, size / 4));
  EXPECT_TRUE(DriverAnswerBox(box.handle, IDOK, WAIT_MS)) << DriverError();
  DWORD code = 1;
  ASSERT_TRUE(DriverWaitExit(&app, WAIT_MS, &code)) << DriverError();
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(SizeOf(file), size / 4);
  EXPECT_EQ(Runs(log), 2);

  // The session ends during a pack: the packer is waited for, the request
  // ends without a box, and a press stored meanwhile starts nothing.
  DriverRelease(&app);
  app = DriverApp();
  Start();
  Type(file);
  ASSERT_TRUE(DriverClick(&app, app.compressButton)) << DriverError();
  ASSERT_TRUE(PumpUntil([] { return DriverCountProcesses("upx.exe") == 1; }, WAIT_MS));
  PostMessageA(app.compressButton, BM_CLICK, 0, 0);
  DWORD_PTR answer = 1;
  EXPECT_TRUE(SendMessageTimeoutW(app.window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, 0, WAIT_MS, &answer));
  EXPECT_EQ(DriverCountProcesses("upx.exe"), 0) << "the packer was not waited for";
  EXPECT_TRUE(DriverMessagesHandled(&app, WAIT_MS)) << DriverError();
  Sleep(500);
  EXPECT_EQ(DriverCountBoxes(&app), 0);
  EXPECT_EQ(SizeOf(file), size / 8);
  EXPECT_EQ(Runs(log), 3);
  CloseAndExpectCleanEnd();

  // Windows may end the program as soon as the session's end is answered: a
  // file packed under a stand-in has its packed bytes, and nothing of the
  // run is left, before the answer.
  const std::string named = dir.file("ĉ session.exe");
  ASSERT_TRUE(CopyFileW(WideFromUtf8(file).c_str(), WideFromUtf8(named).c_str(), TRUE));
  DriverRelease(&app);
  app = DriverApp();
  Start();
  Type(named);
  ASSERT_TRUE(WriteBytes(dir.file("fake-upx.mode"), "sleep 1500 pack"));
  ASSERT_TRUE(DriverClick(&app, app.compressButton)) << DriverError();
  ASSERT_TRUE(PumpUntil([] { return DriverCountProcesses("upx.exe") == 1; }, WAIT_MS));
  EXPECT_TRUE(SendMessageTimeoutW(app.window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, 0, WAIT_MS, &answer));
  DriverKill(&app);
  EXPECT_EQ(SizeOfUtf8(named), size / 16);
  for (const std::string& name : FolderEntries(dir.path())) EXPECT_NE(name.substr(0, 8), "zimbrel-") << name;
  EXPECT_EQ(Runs(log), 4);
}
