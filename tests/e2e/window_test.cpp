// The whole program through its window: start-up state and the texts it
// shows, packing with the real packer at several levels, browsing, dragging
// files onto it, the libraries loaded only at first use, no packer
// beside it, and closing; and ui-driver.exe running a script against it.
#include "tests/e2e/program_fixture.h"

#include <shlobj.h>

#include <algorithm>

class WindowTest : public ProgramTest {
 protected:
  // Whether the program has this library loaded now; the list read must hold
  // the program itself, or the check could not tell a missing library.
  bool Loaded(const char* library) {
    std::vector<std::string> modules = ProcessModuleNames(app.processId);
    EXPECT_NE(std::find(modules.begin(), modules.end(), "zimbrel.exe"), modules.end());
    return std::find(modules.begin(), modules.end(), library) != modules.end();
  }

  // Drags from X (as from a Linux file manager or browser) onto the middle of
  // a window or control, waits until the program has handled what the drop
  // posted to it, and answers the field's text then.
  std::string DragOnto(HWND onto, const std::string& kind, const std::vector<std::string>& items) {
    RECT r;
    EXPECT_TRUE(GetWindowRect(onto, &r));
    POINT middle = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    SCOPED_TRACE("a drag of " + kind + " onto \"" + DriverControlText(onto) + "\"");
    bool accepted = false;
    EXPECT_TRUE(DriverDragFromX(kind, items, middle, WAIT_MS, &accepted)) << DriverError();
    // Wine takes a drag of files onto a window that accepts files, whatever
    // the program then does with it; plain text it refuses itself.
    if (kind == "files") {
      EXPECT_TRUE(accepted);
    }
    EXPECT_TRUE(DriverMessagesHandled(&app, WAIT_MS)) << DriverError();
    return DriverFieldText(&app);
  }
};

// A shortcut (.lnk) at path that leads to target, made as the shell makes one.
static bool MakeShortcut(const std::string& path, const std::string& target) {
  bool made = false;
  HRESULT started = CoInitialize(0);
  IShellLinkW* link = 0;
  IPersistFile* file = 0;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, 0, CLSCTX_INPROC_SERVER, IID_IShellLinkW, (void**)&link))) {
    if (SUCCEEDED(link->SetPath(WideFromUtf8(target).c_str())) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void**)&file))) {
      made = SUCCEEDED(file->Save(WideFromUtf8(path).c_str(), TRUE));
      file->Release();
    }
    link->Release();
  }
  if (SUCCEEDED(started)) CoUninitialize();
  return made;
}

TEST_F(WindowTest, StartsEmptyOnJobbRefusesTheEmptyFieldAndEndsCleanly) {
  UseFakePacker("shrink");
  Start();
  EXPECT_EQ(DriverControlText(app.window), kWindowTitle);
  // A caption, a system menu and a minimise box (a long pack can be put away); no sizing.
  EXPECT_EQ(GetWindowLongW(app.window, GWL_STYLE) & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME),
            WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
  EXPECT_EQ(DriverControlText(app.exeLabel), kExeLabel);
  EXPECT_EQ(DriverControlText(app.browseButton), kBrowseButton);
  EXPECT_EQ(DriverControlText(app.levelLabel), kLevelLabel);
  EXPECT_EQ(DriverControlText(app.compressButton), kCompressButton);
  EXPECT_EQ(DriverFieldText(&app), "");
  EXPECT_EQ(DriverLevelText(&app), kLevelItems[9]);
  EXPECT_EQ(DriverLevelIndex(&app), 9);
  // The whole list, in order: a level left out or put in another place shows here.
  EXPECT_EQ(DriverLevelItems(&app), std::vector<std::string>(std::begin(kLevelItems), std::end(kLevelItems)));
  ExpectNoUsableFileBox(CompressForOneBox(), kNoFileText);

  // Typing and choosing a level do nothing by themselves.
  Type("C:\\valami.exe");
  ASSERT_TRUE(DriverSelectLevel(&app, 2, WAIT_MS)) << DriverError();
  Type("");
  EXPECT_TRUE(DriverResponsive(&app, WAIT_MS));
  EXPECT_EQ(DriverCountBoxes(&app), 0);
  EXPECT_EQ(DriverWaitFileDialog(&app, 0), (HWND)0);
  EXPECT_FALSE(FileExists(dir.file("fake-upx.log")));
  ExpectNoUsableFileBox(CompressForOneBox(), kNoFileText);
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

TEST_F(WindowTest, BrowsingStartsAtTheFieldsFilePutsTheChosenPathInViewAndCancellingChangesNothing) {
  UseRealPacker();
  // In a folder of its own: the dialog would otherwise start in the program's.
  ASSERT_TRUE(CreateDirectoryA(dir.file("files").c_str(), 0));
  std::string file = Sample("files\\chosen with a long name that the field cannot show whole.exe");
  Start();
  // The dialog's library is loaded at the first press of the button, not at start.
  EXPECT_FALSE(Loaded("comdlg32.dll"));
  Type("C:\\elozo.exe");
  ASSERT_TRUE(DriverClick(&app, app.browseButton));
  HWND dialog = DriverWaitFileDialog(&app, WAIT_MS);
  ASSERT_TRUE(dialog) << DriverError();
  EXPECT_TRUE(Loaded("comdlg32.dll"));
  EXPECT_EQ(DriverControlText(dialog), kBrowseTitle);
  ASSERT_TRUE(DriverChooseFile(dialog, file, WAIT_MS)) << DriverError();
  EXPECT_TRUE(DriverResponsive(&app, WAIT_MS));
  EXPECT_EQ(DriverFieldText(&app), file);
  // The end of the path, the file's name, is in view, with the caret after it.
  EXPECT_GT(SendMessageW(app.pathField, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
  DWORD end = 0;
  SendMessageW(app.pathField, EM_GETSEL, 0, (LPARAM)&end);
  EXPECT_EQ(end, WideFromUtf8(file).size());

  // The chosen file is what the compress button packs.
  long long before = SizeOf(file);
  DriverBox box = CompressForOneBox(PACK_WAIT_MS);
  EXPECT_EQ(box.caption, kReportCaption);
  EXPECT_EQ(box.text, Report(before, SizeOf(file)));

  // The dialog starts in the folder of the file in the field: a bare name is
  // taken from there.
  ASSERT_TRUE(DriverClick(&app, app.browseButton));
  dialog = DriverWaitFileDialog(&app, WAIT_MS);
  ASSERT_TRUE(dialog) << DriverError();
  ASSERT_TRUE(DriverChooseFile(dialog, "chosen with a long name that the field cannot show whole.exe", WAIT_MS))
      << DriverError();
  EXPECT_EQ(DriverFieldText(&app), file);

  // Cancelled, the dialog leaves the field as it was.
  ASSERT_TRUE(DriverClick(&app, app.browseButton));
  dialog = DriverWaitFileDialog(&app, WAIT_MS);
  ASSERT_TRUE(dialog) << DriverError();
  ASSERT_TRUE(DriverCancelFileDialog(dialog, WAIT_MS)) << DriverError();
  EXPECT_TRUE(DriverResponsive(&app, WAIT_MS));
  EXPECT_EQ(DriverFieldText(&app), file);
  CloseAndExpectCleanEnd();
}

// Files dragged from a Linux file manager under Wine (XDND), as a person drags them.
TEST_F(WindowTest, OneFileDraggedOntoTheWindowFillsTheFieldAndIsPackedOtherDropsChangeNothing) {
  UseRealPacker();
  std::string file = Sample("dragged sample.exe");
  std::string other = Sample("other.exe");
  ASSERT_TRUE(MakeShortcut(dir.file("other.lnk"), other));
  ASSERT_TRUE(MakeShortcut(dir.file("share.lnk"), "\\\\zimbrel-nowhere\\tools\\app.exe"));
  ASSERT_TRUE(MakeShortcut(dir.file("twice.lnk"), dir.file("other.lnk")));
  Start();
  // Nothing at start-up reads drops. (Shortcuts need ole32, which Wine
  // itself loads into every process with a window, the plain Win32 baseline's
  // too, so its loading says nothing here.)
  EXPECT_FALSE(Loaded("shell32.dll"));
  Type("C:\\elozo.exe");

  // Not one file: the field stays as it was, and no box comes.
  EXPECT_EQ(DragOnto(app.pathField, "text", {file}), "C:\\elozo.exe");
  EXPECT_EQ(DragOnto(app.window, "files", {dir.path()}), "C:\\elozo.exe");
  EXPECT_EQ(DragOnto(app.compressButton, "files", {file, other}), "C:\\elozo.exe");
  EXPECT_EQ(DragOnto(app.pathField, "files", {dir.file("missing.exe")}), "C:\\elozo.exe");
  EXPECT_EQ(DriverCountBoxes(&app), 0);

  // One file, onto any part of the window: its full path replaces the
  // field's text, and nothing else changes.
  EXPECT_EQ(DragOnto(app.levelLabel, "files", {file}), file);
  EXPECT_TRUE(Loaded("shell32.dll"));
  EXPECT_EQ(DriverLevelIndex(&app), 9);
  EXPECT_EQ(DriverCountBoxes(&app), 0);
  // It is the file that the compress button packs.
  long long before = SizeOf(file);
  DriverBox box = CompressForOneBox(PACK_WAIT_MS);
  long long after = SizeOf(file);
  EXPECT_LT(after, before);
  EXPECT_EQ(box.caption, kReportCaption);
  EXPECT_EQ(box.text, Report(before, after));

  // A shortcut stands for the file it leads to. One that leads to a share
  // goes into the field as it is, unchecked (that share does not exist): a
  // share that does not answer would hold the window while it was checked.
  // One that leads to another shortcut leaves the field as it was.
  EXPECT_EQ(DragOnto(app.browseButton, "files", {dir.file("other.lnk")}), other);
  EXPECT_EQ(DragOnto(app.pathField, "files", {dir.file("share.lnk")}), "\\\\zimbrel-nowhere\\tools\\app.exe");
  EXPECT_EQ(DragOnto(app.pathField, "files", {dir.file("twice.lnk")}), "\\\\zimbrel-nowhere\\tools\\app.exe");
  EXPECT_EQ(DriverCountBoxes(&app), 0);

  // A name is read as it is: one with a letter that the system's code page
  // lacks (U+0109) shows in the field and is packed under a stand-in, never
  // taken for the name its look-alike letter makes ("c.exe", beside it); the
  // stand-in is gone afterwards.
  if (GetACP() != CP_UTF8) {
    std::string lookAlike = Sample("c.exe"), hatted = dir.file("\xC4\x89.exe");
    ASSERT_TRUE(CopyFileW(WideFromUtf8(lookAlike).c_str(), WideFromUtf8(hatted).c_str(), TRUE));
    long long lookAlikeSize = SizeOf(lookAlike), hattedSize = SizeOfUtf8(hatted);
    EXPECT_EQ(DragOnto(app.pathField, "files", {hatted}), hatted);
    DriverBox packed = CompressForOneBox(PACK_WAIT_MS);
    EXPECT_EQ(packed.caption, kReportCaption);
    EXPECT_LT(SizeOfUtf8(hatted), hattedSize);
    EXPECT_EQ(packed.text, Report(hattedSize, SizeOfUtf8(hatted)));
    EXPECT_EQ(SizeOf(lookAlike), lookAlikeSize);
    for (const std::string& name : FolderEntries(dir.path())) EXPECT_NE(name.substr(0, 8), "zimbrel-") << name;
  }

  // A drop while a box holds the window is not taken. The box is moved aside
  // first, as a person would, so that the drop lands on the window itself.
  Type("");
  ASSERT_TRUE(DriverClick(&app, app.compressButton));
  DriverBox refused;
  ASSERT_TRUE(DriverWaitBox(&app, WAIT_MS, &refused)) << DriverError();
  ExpectNoUsableFileBox(refused, kNoFileText);
  ASSERT_TRUE(SetWindowPos(refused.handle, 0, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
  EXPECT_FALSE(IsWindowEnabled(app.window));
  EXPECT_EQ(DragOnto(app.pathField, "files", {file}), "");
  ASSERT_TRUE(DriverAnswerBox(refused.handle, IDOK, WAIT_MS)) << DriverError();
  EXPECT_TRUE(DriverResponsive(&app, WAIT_MS));
  EXPECT_EQ(DriverFieldText(&app), "");
  EXPECT_EQ(DriverCountBoxes(&app), 0);
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

// The dialog's and the shell's libraries are loaded at first use, so the
// program starts without them; then the dialog gives nothing, as when it is
// cancelled, and the packer that cannot be started is reported as missing.
TEST_F(WindowTest, WithoutTheDialogAndShellLibrariesBrowsingGivesNothingAndNoPackerIsReported) {
  std::string file = Sample("sample.exe");
  // Wine's way to make libraries fail to load in one program: an empty load
  // order for each, under the program's file name, here a copy's of its own.
  const std::string key = "Software\\Wine\\AppDefaults\\zimbrel-bare.exe";
  struct KeyGone {
    std::string key;
    ~KeyGone() { RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str()); }
  } gone{key};
  HKEY overrides = 0;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (key + "\\DllOverrides").c_str(), 0, 0, 0, KEY_SET_VALUE, 0,
                            &overrides, 0),
            ERROR_SUCCESS);
  for (const char* library : {"comdlg32", "shell32"}) RegSetValueExA(overrides, library, 0, REG_SZ, (const BYTE*)"", 1);
  RegCloseKey(overrides);
  ASSERT_TRUE(CopyFileTo(dir.file("zimbrel.exe"), dir.file("zimbrel-bare.exe")));
  ASSERT_TRUE(DriverStart(&app, dir.file("zimbrel-bare.exe"), dir.path(), WAIT_MS)) << DriverError();

  Type(file);
  ASSERT_TRUE(DriverClick(&app, app.browseButton));
  EXPECT_TRUE(DriverResponsive(&app, WAIT_MS));
  EXPECT_EQ(DriverWaitFileDialog(&app, 1000), (HWND)0);
  // A dialog that cannot open leaves the field as it was.
  EXPECT_EQ(DriverFieldText(&app), file);
  // No packer beside it: the direct start fails, and so does the shell's try.
  DriverBox box = CompressForOneBox();
  EXPECT_EQ(box.caption, kErrorCaption);
  EXPECT_EQ(box.text, kPackerMissing);
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
