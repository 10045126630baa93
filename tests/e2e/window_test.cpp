// The whole program through its window: start-up state, packing with the
// real packer at several levels, browsing, and closing.
#include "tests/e2e/program_fixture.h"

static std::string Report(long long before, long long after) {
  return std::string(TEXT_REPORT_BEFORE) + std::to_string(before) + TEXT_REPORT_AFTER + std::to_string(after);
}

TEST_F(ProgramTest, StartsEmptyOnJobbRefusesTheEmptyFieldAndEndsCleanly) {
  UseFakePacker("shrink");
  Start();
  EXPECT_EQ(DriverFieldText(&app), "");
  EXPECT_EQ(DriverLevelText(&app), "Jobb");
  EXPECT_EQ(DriverLevelIndex(&app), 9);
  ExpectNoUsableFileBox(CompressForOneBox());

  // Typing and choosing a level do nothing by themselves.
  Type("C:\\valami.exe");
  ASSERT_TRUE(DriverSelectLevel(&app, 2, WAIT_MS)) << DriverError();
  Type("");
  EXPECT_TRUE(DriverResponsive(&app, WAIT_MS));
  EXPECT_EQ(DriverCountBoxes(&app), 0);
  EXPECT_EQ(DriverWaitFileDialog(&app, 0), (HWND)0);
  EXPECT_FALSE(FileExists(dir.file("fake-upx.log")));
  ExpectNoUsableFileBox(CompressForOneBox());
  CloseAndExpectCleanEnd();
}

TEST_F(ProgramTest, PacksAtEachLevelReportingTheTrueSizesThenWarnsOnTheSecondRun) {
  UseRealPacker();
  Start();
  const struct { int index; const char* item; } levels[] = {
      {0, "Szint 1"}, {8, "Szint 9"}, {9, "Jobb"}, {10, "Max   "}};
  std::string file;
  for (const auto& level : levels) {
    SCOPED_TRACE(level.item);
    file = Sample(std::string("sample") + std::to_string(level.index) + ".exe");
    long long before = SizeOf(file);
    ASSERT_GT(before, 20 * 1024);
    Type(file);
    ASSERT_TRUE(DriverSelectLevel(&app, level.index, WAIT_MS)) << DriverError();
    EXPECT_EQ(DriverLevelText(&app), level.item);
    DriverBox box = CompressForOneBox(PACK_WAIT_MS);
    long long after = SizeOf(file);
    EXPECT_LT(after, before);
    EXPECT_EQ(box.caption, TEXT_REPORT_CAPTION);
    EXPECT_EQ(box.text, Report(before, after));
    EXPECT_EQ(box.icon, MB_ICONASTERISK);
    // The packed program still runs.
    EXPECT_EQ(RunAndWait("\"" + file + "\"", WAIT_MS), 42);
  }
  long long packed = SizeOf(file);
  DriverBox again = CompressForOneBox(PACK_WAIT_MS);
  EXPECT_EQ(again.caption, TEXT_ERROR_CAPTION);
  EXPECT_EQ(again.text, TEXT_NOT_COMPRESSIBLE);
  EXPECT_EQ(again.icon, MB_ICONEXCLAMATION);
  EXPECT_EQ(SizeOf(file), packed);
  CloseAndExpectCleanEnd();
}

TEST_F(ProgramTest, BrowsingPutsTheChosenPathInTheFieldAndCancellingEmptiesIt) {
  UseRealPacker();
  std::string file = Sample("chosen.exe");
  Start();
  Type("C:\\elozo.exe");
  ASSERT_TRUE(DriverClick(&app, app.browseButton));
  HWND dialog = DriverWaitFileDialog(&app, WAIT_MS);
  ASSERT_TRUE(dialog) << DriverError();
  ASSERT_TRUE(DriverChooseFile(dialog, file, WAIT_MS)) << DriverError();
  EXPECT_TRUE(DriverResponsive(&app, WAIT_MS));
  EXPECT_EQ(DriverFieldText(&app), file);

  // The chosen file is what the compress button packs.
  long long before = SizeOf(file);
  DriverBox box = CompressForOneBox(PACK_WAIT_MS);
  EXPECT_EQ(box.text, Report(before, SizeOf(file)));

  ASSERT_TRUE(DriverClick(&app, app.browseButton));
  dialog = DriverWaitFileDialog(&app, WAIT_MS);
  ASSERT_TRUE(dialog) << DriverError();
  ASSERT_TRUE(DriverCancelFileDialog(dialog, WAIT_MS)) << DriverError();
  EXPECT_TRUE(DriverResponsive(&app, WAIT_MS));
  EXPECT_EQ(DriverFieldText(&app), "");
  CloseAndExpectCleanEnd();
}

TEST_F(ProgramTest, WithoutThePackerTellsWhereToPutIt) {
  std::string file = Sample("sample.exe");
  long long before = SizeOf(file);
  Start();
  Type(file);
  DriverBox box = CompressForOneBox();
  EXPECT_EQ(box.caption, TEXT_ERROR_CAPTION);
  EXPECT_EQ(box.text, TEXT_PACKER_MISSING);
  EXPECT_EQ(box.icon, MB_ICONEXCLAMATION);
  EXPECT_EQ(SizeOf(file), before);
  CloseAndExpectCleanEnd();
}

// ui-driver.exe runs the same kind of script from its command line.
TEST_F(ProgramTest, DriverProgramRunsAScript) {
  UseRealPacker();
  std::string output;
  long code = RunAndWait("\"" + BuildDir() + "\\ui-driver.exe\" start \"" + dir.file("zimbrel.exe") +
                             "\" ; level-text Jobb ; click compress ; box \"Hiba \" \"Adj meg egy f\\xE1jlt\" 48 ; "
                             "ok ; close ; exit-code 0",
                         60000, &output);
  EXPECT_EQ(code, 0) << output;
  EXPECT_NE(output.find("box caption \"Hiba \" text \"Adj meg egy f\\xE1jlt\" icon 48 buttons [OK]"),
            std::string::npos)
      << output;
  EXPECT_NE(output.find("exit code 0"), std::string::npos) << output;
}
