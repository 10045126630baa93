// What a person can do wrong through the real window: odd texts in the field,
// a flurry of clicks, closing while a box is up, a packer that takes its time.
#include "tests/e2e/program_fixture.h"

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

TEST_F(BadInputTest, ASlowPackerIsWaitedForAndACloseAskedMeanwhileIsActedOnAfter) {
  UseFakePacker("sleep 3000 shrink");
  std::string file = Sample("sample.exe");
  long long size = SizeOf(file);
  Start();
  Type(file);
  DriverBox box;
  ASSERT_TRUE(DriverClick(&app, app.compressButton));
  DWORD start = GetTickCount();
  while (DriverCountProcesses("upx.exe") == 0 && GetTickCount() - start < WAIT_MS) Sleep(10);
  ASSERT_EQ(DriverCountProcesses("upx.exe"), 1)
      << "waited " << WAIT_MS << " ms for the packer to start, which never happened";
  // Pressed and closed while the packer runs.
  ASSERT_TRUE(DriverClick(&app, app.compressButton));
  ASSERT_TRUE(DriverClose(&app, false));
  ASSERT_TRUE(DriverWaitBox(&app, PACK_WAIT_MS, &box)) << DriverError();
  EXPECT_EQ(box.caption, kReportCaption);
  EXPECT_EQ(box.text, Report(size, size / 2));
  EXPECT_EQ(box.icon, kReportIcon) << box.iconProblem;
  EXPECT_EQ(SizeOf(file), size / 2);
  EXPECT_TRUE(DriverAnswerBox(box.handle, IDOK, WAIT_MS)) << DriverError();
  // The press made meanwhile may have packed the file once more.
  long long expected = size / 2;
  for (const DriverBox& box : AnswerUntilQuiet(&app)) {
    EXPECT_EQ(box.caption, kReportCaption);
    EXPECT_EQ(box.text, Report(expected, expected / 2));
    expected /= 2;
  }
  EXPECT_EQ(SizeOf(file), expected);
  DWORD code = 1;
  ASSERT_TRUE(DriverWaitExit(&app, WAIT_MS, &code)) << DriverError();
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(DriverCountProcesses("upx.exe"), 0);
}
