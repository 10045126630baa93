// zimbrel.exe copied into a fresh folder with a packer beside it, started,
// and driven through its window by the UI driver.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "tests/support/expected_texts.h"
#include "tests/support/win_test.h"
#include "tests/ui-driver/driver.h"

const DWORD WAIT_MS = 20000;      // any one thing the program should do
const DWORD PACK_WAIT_MS = 180000;  // a real packing run, --brute included

// The label of a message box's OK button: the system's word, in the language
// the system runs in ("OK" in Hungarian and English, "ОК" in Russian), read
// once from a box of this test program's own.
inline const std::string& SystemOkText() {
  static const std::string text = [] {
    BoxCatcher catcher;
    MessageBoxW(0, L"OK?", L"OK?", MB_OK);
    return catcher.boxes().size() == 1 && catcher.boxes()[0].buttons == 1 ? catcher.boxes()[0].buttonTexts[0]
                                                                             : std::string("(no OK button read)");
  }();
  return text;
}

class ProgramTest : public testing::Test {
 protected:
  TempDir dir;
  DriverApp app;

  void SetUp() override {
    SetEnvironmentVariableA("ZIMBREL_FAKE_UPX_MODE", 0);
    SetEnvironmentVariableA("ZIMBREL_FAKE_UPX_LOG", 0);
    ASSERT_TRUE(CopyFileTo(BuildDir() + "\\zimbrel.exe", dir.file("zimbrel.exe")));
  }
  void TearDown() override {
    DriverKill(&app);
    DriverRelease(&app);
  }

  void UseRealPacker() { ASSERT_TRUE(CopyFileTo(BuildDir() + "\\upx.exe", dir.file("upx.exe"))); }
  // The stand-in packer as upx.exe, steered by its mode file (see fake-upx).
  void UseFakePacker(const std::string& mode) {
    ASSERT_TRUE(CopyFileTo(BuildDir() + "\\fake-upx.exe", dir.file("upx.exe")));
    ASSERT_TRUE(WriteBytes(dir.file("fake-upx.mode"), mode));
  }
  // A fresh copy of a real program to pack; its full path.
  std::string Sample(const std::string& name) {
    std::string path = dir.file(name);
    EXPECT_TRUE(CopyFileTo(BuildDir() + "\\pack-sample.exe", path));
    return path;
  }
  void Start() {
    ASSERT_TRUE(DriverStart(&app, dir.file("zimbrel.exe"), dir.path(), WAIT_MS)) << DriverError();
  }
  void Type(const std::string& text) { ASSERT_TRUE(DriverTypeText(&app, text, WAIT_MS)) << DriverError(); }

  // Presses a button, then waits for the box it brings and answers it with OK.
  DriverBox ClickForBox(HWND button, DWORD waitMs = WAIT_MS) {
    DriverBox box;
    EXPECT_TRUE(DriverClick(&app, button)) << DriverError();
    EXPECT_TRUE(DriverWaitBox(&app, waitMs, &box)) << DriverError();
    if (box.handle) {
      EXPECT_TRUE(DriverAnswerBox(box.handle, IDOK, WAIT_MS)) << DriverError();
    }
    return box;
  }
  // As above, and no second box follows: once the program takes messages
  // again after the first, none is up.
  DriverBox CompressForOneBox(DWORD waitMs = WAIT_MS) {
    DriverBox box = ClickForBox(app.compressButton, waitMs);
    EXPECT_TRUE(DriverResponsive(&app, WAIT_MS));
    EXPECT_EQ(DriverCountBoxes(&app), 0);
    return box;
  }
  // The no-file box, with the sentence that says which mistake it is.
  void ExpectNoUsableFileBox(const DriverBox& box, const std::string& text) {
    EXPECT_EQ(box.caption, kNoFileCaption);
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.icon, kNoFileIcon) << box.iconProblem;
    EXPECT_EQ(box.buttons, std::vector<std::string>{SystemOkText()});
  }
  // The same with any of its sentences, for a text whose mistake the test
  // does not work out itself.
  void ExpectSomeNoUsableFileBox(const DriverBox& box) {
    EXPECT_TRUE(IsNoFileSentence(box.text)) << box.text;
    ExpectNoUsableFileBox(box, box.text);
  }
  // Closes the window; the program must end with exit code 0 and leave no
  // window or packer behind.
  void CloseAndExpectCleanEnd() {
    ASSERT_TRUE(DriverClose(&app));
    DWORD code = 1;
    ASSERT_TRUE(DriverWaitExit(&app, WAIT_MS, &code)) << DriverError();
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(IsWindow(app.window));
    EXPECT_EQ(DriverCountWindows(app.processId), 0);
    EXPECT_EQ(DriverCountProcesses("upx.exe"), 0);
  }
};
