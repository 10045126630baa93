// The whole program through its window: start-up state and the texts it
// shows, packing with the real packer at several levels, browsing, no packer
// beside it, and closing; and ui-driver.exe running a script against it.
#include "tests/e2e/program_fixture.h"

class WindowTest : public ProgramTest {};

TEST_F(WindowTest, StartsEmptyOnJobbRefusesTheEmptyFieldAndEndsCleanly) {
  UseFakePacker("shrink");
  Start();
  EXPECT_EQ(DriverControlText(app.window), kWindowTitle);
  EXPECT_EQ(DriverControlText(app.exeLabel), kExeLabel);
  EXPECT_EQ(DriverControlText(app.browseButton), kBrowseButton);
  EXPECT_EQ(DriverControlText(app.levelLabel), kLevelLabel);
  EXPECT_EQ(DriverControlText(app.compressButton), kCompressButton);
  EXPECT_EQ(DriverFieldText(&app), "");
  EXPECT_EQ(DriverLevelText(&app), kLevelItems[9]);
  EXPECT_EQ(DriverLevelIndex(&app), 9);
  // The whole list, in order: a level left out or put in another place shows here.
  EXPECT_EQ(DriverLevelItems(&app), std::vector<std::string>(std::begin(kLevelItems), std::end(kLevelItems)));
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

TEST_F(WindowTest, PacksAtEachLevelReportingTheTrueSizesThenWarnsOnTheSecondRun) {
  UseRealPacker();
  Start();
  std::string file;
  for (int index : {0, 8, 9, 10}) {
    SCOPED_TRACE(kLevelItems[index]);
    file = Sample("sample" + std::to_string(index) + ".exe");
    long long before = SizeOf(file);
    ASSERT_GT(before, 20 * 1024);
    Type(file);
    ASSERT_TRUE(DriverSelectLevel(&app, index, WAIT_MS)) << DriverError();
    EXPECT_EQ(DriverLevelText(&app), kLevelItems[index]);
    DriverBox box = CompressForOneBox(PACK_WAIT_MS);
    long long after = SizeOf(file);
    EXPECT_LT(after, before);
    EXPECT_EQ(box.caption, kReportCaption);
    EXPECT_EQ(box.text, Report(before, after));
    EXPECT_EQ(box.icon, kReportIcon) << box.iconProblem;
    // The packed program still runs.
    EXPECT_EQ(RunAndWait("\"" + file + "\"", WAIT_MS), 42);
  }
  long long packed = SizeOf(file);
  DriverBox again = CompressForOneBox(PACK_WAIT_MS);
  EXPECT_EQ(again.caption, kErrorCaption);
  EXPECT_EQ(again.text, kUnchanged);
  EXPECT_EQ(again.icon, kErrorIcon) << again.iconProblem;
  EXPECT_EQ(SizeOf(file), packed);
  CloseAndExpectCleanEnd();
}

TEST_F(WindowTest, BrowsingPutsTheChosenPathInTheFieldAndCancellingEmptiesIt) {
  UseRealPacker();
  std::string file = Sample("chosen.exe");
  Start();
  Type("C:\\elozo.exe");
  ASSERT_TRUE(DriverClick(&app, app.browseButton));
  HWND dialog = DriverWaitFileDialog(&app, WAIT_MS);
  ASSERT_TRUE(dialog) << DriverError();
  EXPECT_EQ(DriverControlText(dialog), kBrowseTitle);
  ASSERT_TRUE(DriverChooseFile(dialog, file, WAIT_MS)) << DriverError();
  EXPECT_TRUE(DriverResponsive(&app, WAIT_MS));
  EXPECT_EQ(DriverFieldText(&app), file);

  // The chosen file is what the compress button packs.
  long long before = SizeOf(file);
  DriverBox box = CompressForOneBox(PACK_WAIT_MS);
  EXPECT_EQ(box.caption, kReportCaption);
  EXPECT_EQ(box.text, Report(before, SizeOf(file)));

  ASSERT_TRUE(DriverClick(&app, app.browseButton));
  dialog = DriverWaitFileDialog(&app, WAIT_MS);
  ASSERT_TRUE(dialog) << DriverError();
  ASSERT_TRUE(DriverCancelFileDialog(dialog, WAIT_MS)) << DriverError();
  EXPECT_TRUE(DriverResponsive(&app, WAIT_MS));
  EXPECT_EQ(DriverFieldText(&app), "");
  CloseAndExpectCleanEnd();
}

TEST_F(WindowTest, WithoutThePackerTellsWhereToPutIt) {
  std::string file = Sample("sample.exe");
  long long before = SizeOf(file);
  Start();
  Type(file);
  DriverBox box = CompressForOneBox();
  EXPECT_EQ(box.caption, kErrorCaption);
  EXPECT_EQ(box.text, kPackerMissing);
  EXPECT_EQ(box.icon, kErrorIcon) << box.iconProblem;
  EXPECT_EQ(SizeOf(file), before);
  CloseAndExpectCleanEnd();
}

// ui-driver.exe runs the same kind of script from its command line.
TEST_F(WindowTest, DriverProgramRunsAScript) {
  UseRealPacker();
  // The script and the driver's output carry texts (UTF-8) escaped as below.
  EXPECT_EQ(DriverEscape("fájl\r\n\\ "), "f\\xC3\\xA1jl\\r\\n\\\\ ");
  std::string caption = DriverEscape(kNoFileCaption), text = DriverEscape(kNoFileText);
  std::string icon = std::to_string(kNoFileIcon);
  std::string output;
  long code = RunAndWait("\"" + BuildDir() + "\\ui-driver.exe\" start \"" + dir.file("zimbrel.exe") +
                             "\" ; level-text \"" + kLevelItems[9] + "\" ; click compress ; box \"" + caption +
                             "\" \"" + text + "\" " + icon + " ; ok ; close ; exit-code 0",
                         60000, &output);
  EXPECT_EQ(code, 0) << output;
  EXPECT_NE(output.find("box caption \"" + caption + "\" text \"" + text + "\" icon " + icon + " buttons [" +
                        DriverEscape(SystemOkText()) + "]"),
            std::string::npos)
      << output;
  EXPECT_NE(output.find("exit code 0"), std::string::npos) << output;
}
