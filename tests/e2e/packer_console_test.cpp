// Where the box after a pack comes up. The program started as Explorer starts
// it (no console, no standard handles), so that the packer gets a console
// window of its own: the box after each pack comes up active over the main
// window and a real Enter closes it, and closing the packer's console window
// cancels the pack. With another program in front, or minimised, the box waits.
#include "tests/e2e/program_fixture.h"

class PackerConsoleTest : public ProgramTest {
 protected:
  void StartWithoutConsole() {
    app.noConsole = true;
    Start();
  }
  // The box's text, read from its text control alone: nothing is brought to
  // the front or repainted, so the box stays where the program put it.
  std::string TextOf(HWND box) { return DriverControlText(GetDlgItem(box, 0xFFFF)); }
};

TEST_F(PackerConsoleTest, EachBoxAfterAPackIsActiveOverTheWindowAndARealEnterClosesIt) {
  UseRealPacker();
  const std::string path = Sample("app.exe");
  const long long before = SizeOf(path);
  StartWithoutConsole();
  Type(path);
  // The first press packs the file, the second finds it packed already.
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round ? "the warning" : "the report");
    ASSERT_TRUE(DriverClick(&app, app.compressButton)) << DriverError();
    HWND box = DriverFindBox(&app, PACK_WAIT_MS);
    ASSERT_TRUE(box) << DriverError();
    // Once things have settled, the box keeps the foreground.
    Sleep(700);
    EXPECT_EQ(GetForegroundWindow(), box) << "the foreground is \"" << DriverControlText(GetForegroundWindow())
                                          << "\" of class " << ClassOf(GetForegroundWindow());
    EXPECT_EQ(GetWindow(box, GW_OWNER), app.window);
    EXPECT_EQ(TextOf(box), round ? kUnchanged : Report(before, SizeOf(path)));
    ASSERT_TRUE(DriverPressKey(VK_RETURN)) << DriverError();
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(box); }, WAIT_MS)) << "Enter did not close the box";
    if (IsWindow(box)) DriverAnswerBox(box, IDOK, WAIT_MS);
  }
  EXPECT_LT(SizeOf(path), before);
  CloseAndExpectCleanEnd();
}

// A person cancels a long pack by closing the packer's console window. The
// file keeps its bytes, the packer's temporary file goes, and one of that name
// that was there before the run stays (the packer then writes "big.000").
TEST_F(PackerConsoleTest, ClosingThePackersConsoleWindowCancelsAndLeavesTheFileAsItWas) {
  UseRealPacker();
  std::string program;
  ASSERT_TRUE(ReadBytes(BuildDir() + "\\pack-sample.exe", &program));
  // A program with a large overlay that does not pack: "Max" takes many seconds on it.
  std::string big = program;
  uint32_t seed = 1;
  for (int i = 0; i < 8 << 20; ++i) {
    seed = seed * 1103515245 + 12345;
    big += (char)(seed >> 16);
  }
  const std::string path = dir.file("big.exe");
  StartWithoutConsole();
  for (bool tempThereBefore : {false, true}) {
    SCOPED_TRACE(tempThereBefore ? "big.upx there before" : "no big.upx before");
    ASSERT_TRUE(WriteBytes(path, big));
    if (tempThereBefore) {
      ASSERT_TRUE(WriteBytes(dir.file("big.upx"), "not the packer's"));
    }
    std::vector<std::string> files = FolderEntries(dir.path());
    const std::string temp = dir.file(tempThereBefore ? "big.000" : "big.upx");
    Type(path);
    ASSERT_TRUE(DriverSelectLevel(&app, 10, WAIT_MS)) << DriverError();
    ASSERT_TRUE(DriverClick(&app, app.compressButton)) << DriverError();
    HWND console = DriverFindConsole("upx.exe", WAIT_MS);
    ASSERT_TRUE(console) << DriverError();
    // Closed once the packer has begun to write.
    EXPECT_TRUE(PumpUntil([&] { return FileExists(temp); }, WAIT_MS)) << temp;
    PostMessageA(console, WM_CLOSE, 0, 0);
    HWND box = DriverFindBox(&app, PACK_WAIT_MS);
    ASSERT_TRUE(box) << DriverError();
    EXPECT_EQ(TextOf(box), kCancelled);
    EXPECT_TRUE(DriverAnswerBox(box, IDOK, WAIT_MS)) << DriverError();
    std::string after;
    EXPECT_TRUE(ReadBytes(path, &after));
    EXPECT_TRUE(after == big);
    EXPECT_EQ(FolderEntries(dir.path()), files);
    if (tempThereBefore) {
      std::string kept;
      EXPECT_TRUE(ReadBytes(dir.file("big.upx"), &kept));
      EXPECT_EQ(kept, "not the packer's");
    }
  }
  CloseAndExpectCleanEnd();
}

// A pack that ends while the user works in another program (this test's own
// window in front) or with the window minimised: its box waits, and comes up
// active, owned by the window, once the window is activated or restored.
TEST_F(PackerConsoleTest, TheBoxWaitsForTheWindowWhenAnotherProgramIsInFrontOrItIsMinimised) {
  UseFakePacker("sleep 1500 shrink");
  const std::string path = Sample("app.exe");
  long long size = SizeOf(path);
  Start();
  Type(path);
  for (bool minimised : {false, true}) {
    SCOPED_TRACE(minimised ? "minimised" : "another window in front");
    ASSERT_TRUE(DriverClick(&app, app.compressButton)) << DriverError();
    ASSERT_TRUE(PumpUntil([] { return DriverCountProcesses("upx.exe") == 1; }, WAIT_MS));
    HWND mine = CreateWindowExW(0, L"STATIC", L"another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200,
                                0, 0, 0, 0);
    if (minimised) ShowWindowAsync(app.window, SW_MINIMIZE);
    else SetForegroundWindow(mine);
    ASSERT_TRUE(PumpUntil([] { return DriverCountProcesses("upx.exe") == 0; }, WAIT_MS));
    PumpMessages(1500);
    EXPECT_EQ(DriverFindBox(&app, 0), (HWND)0) << "the box came while the window was away";
    if (!minimised) {
      EXPECT_EQ(GetForegroundWindow(), mine);
    }
    if (minimised) ShowWindowAsync(app.window, SW_RESTORE);
    else SetForegroundWindow(app.window);
    HWND box = DriverFindBox(&app, WAIT_MS);
    ASSERT_TRUE(box) << DriverError();
    EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == box; }, 2000)) << ClassOf(GetForegroundWindow());
    EXPECT_EQ(GetWindow(box, GW_OWNER), app.window);
    EXPECT_EQ(TextOf(box), Report(size, size / 2));
    ASSERT_TRUE(DriverPressKey(VK_RETURN)) << DriverError();
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(box); }, WAIT_MS)) << "Enter did not close the box";
    if (IsWindow(box)) DriverAnswerBox(box, IDOK, WAIT_MS);
    DestroyWindow(mine);
    size /= 2;
  }
  CloseAndExpectCleanEnd();
}
