// Names that the system's ANSI code page cannot hold, put into the real main
// window's path field the three ways a person can (typed, pasted, chosen in
// the open dialog): the field keeps the letters as they came, and the compress
// request packs that file (under a stand-in, which is gone afterwards) and no
// other. Each name is chosen so that the system's best fit of it names another
// file beside it (a look-alike letter, or one that best-fits to '/', '\' or
// '.'): the file that was packed before paths were read exactly, and that
// stays as it was. A name the file system cannot hold (a lone surrogate) names
// no file, and is refused. A name whose letters the code page holds is packed. The names come from a table per code
// page; the test command runs this area in each of them.
#include <gtest/gtest.h>
#include <windows.h>
#include <dlgs.h>

#include <map>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "tests/app/app_window.h"
#include "runtime/gadget/gadget.h"
#include "runtime/window/events.h"
#include "runtime/window/window.h"
#include "tests/support/expected_texts.h"
#include "tests/support/win_test.h"

namespace {

// A name with a letter the code page lacks, and the path (from the same
// folder) that the system's best fit of that name gives.
struct Refused {
  const wchar_t* name;
  const wchar_t* bestFit;
};
struct CodePageNames {
  UINT codePage;
  std::vector<Refused> refused;
  const wchar_t* held;  // a name whose letters the code page holds
};
// Each best fit as Wine 8 gives it (checked again before use). Literals are
// split where a letter after a \x escape would read as a hex digit.
const CodePageNames kNames[] = {
    {1250, {{L"\x0109.exe", L"c.exe"}, {L"sub\x2215" L"a.exe", L"sub/a.exe"}, {L"x\xFF0E" L"exe", L"x.exe"}},
     L"\x0151.exe"},
    {1252, {{L"\x0151.exe", L"o.exe"}, {L"sub\x2215" L"a.exe", L"sub/a.exe"}, {L"x\xFF0E" L"exe", L"x.exe"}},
     L"\x00E9.exe"},
    {1251, {{L"\x00E9.exe", L"e.exe"}, {L"sub\xFF0F" L"a.exe", L"sub/a.exe"}, {L"x\xFF0E" L"exe", L"x.exe"}},
     L"\x0436.exe"},
    // Shift-JIS holds the fullwidth forms; the yen sign best-fits to 0x5C, its '\'.
    {932, {{L"\x00E9.exe", L"e.exe"}, {L"sub\x00A5" L"a.exe", L"sub\\a.exe"}}, L"\x3042.exe"},
    // UTF-8 holds every letter; only a lone surrogate has no exact form, and
    // WideCharToMultiByte without flags makes it U+FFFD.
    {65001, {{L"\xD800.exe", L"\xFFFD.exe"}}, L"\x0151\x0436\x3042.exe"},
};

const CodePageNames* NamesForThisCodePage() {
  for (const CodePageNames& names : kNames)
    if (names.codePage == GetACP()) return &names;
  return nullptr;
}

// For messages: ASCII as it is, any other UTF-16 unit as \uXXXX.
std::string Shown(const std::wstring& text) {
  std::string shown;
  char unit[8];
  for (wchar_t c : text) {
    if (c >= 0x20 && c < 0x7F) {
      shown += (char)c;
    } else {
      wsprintfA(unit, "\\u%04X", (unsigned)c);
      shown += unit;
    }
  }
  return shown;
}

// In the system's code page; with best fit (flags 0) as the system converts
// for an ANSI program, or only exactly ("" when it cannot).
std::string InCodePage(const std::wstring& text, bool bestFit) {
  char bytes[MAX_PATH * 3] = "";
  BOOL lossy = FALSE;
  bool utf8 = GetACP() == CP_UTF8;
  DWORD flags = bestFit ? 0 : utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  int n = WideCharToMultiByte(CP_ACP, flags, text.c_str(), -1, bytes, sizeof bytes, 0,
                              bestFit || utf8 ? nullptr : &lossy);
  return n > 0 && !lossy ? bytes : "";
}

std::wstring Wide(const std::string& ansi) {
  wchar_t text[MAX_PATH];
  return MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, text, MAX_PATH) ? text : L"";
}

bool WriteWide(const std::wstring& path, const std::string& bytes) {
  ScopedHandle f(CreateFileW(path.c_str(), GENERIC_WRITE, 0, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, 0));
  DWORD written = 0;
  return f.get() != INVALID_HANDLE_VALUE && WriteFile(f.get(), bytes.data(), (DWORD)bytes.size(), &written, 0) &&
         written == bytes.size();
}

// Every file under folder (its subfolders too) with its whole contents.
typedef std::map<std::wstring, std::string> Files;
void Snapshot(const std::wstring& folder, Files* files) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    std::wstring name = found.cFileName, path = folder + L"\\" + name;
    if (name == L"." || name == L"..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      Snapshot(path, files);
      continue;
    }
    std::string& bytes = (*files)[path];
    ScopedHandle f(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, 0, OPEN_EXISTING, 0, 0));
    char block[65536];
    DWORD got = 0;
    while (f.get() != INVALID_HANDLE_VALUE && ReadFile(f.get(), block, sizeof block, &got, 0) && got)
      bytes.append(block, got);
  } while (FindNextFileW(search, &found));
  FindClose(search);
}
Files Snapshot(const std::wstring& folder) {
  Files files;
  Snapshot(folder, &files);
  return files;
}

// The files that were added, removed or changed between two snapshots.
std::vector<std::string> Changed(const Files& before, const Files& after) {
  std::vector<std::string> changed;
  for (const auto& file : before) {
    auto now = after.find(file.first);
    if (now == after.end() || now->second != file.second) changed.push_back(Shown(file.first));
  }
  for (const auto& file : after)
    if (!before.count(file.first)) changed.push_back(Shown(file.first));
  return changed;
}

// A TempDir whose files go first by their UTF-16 names: TempDir removes its
// folder through the ANSI names, which cannot name these files.
struct WideTempDir {
  TempDir dir;
  std::wstring path = Wide(dir.path());
  ~WideTempDir() {
    for (const auto& file : Snapshot(path)) DeleteFileW(file.first.c_str());
    RemoveDirectoryW((path + L"\\sub").c_str());
  }
};

// While its open dialog is up: the path typed into its file name box, then OK.
std::wstring chosenPath;
int dialogsShown;

BOOL CALLBACK FindNameBox(HWND child, LPARAM found) {
  wchar_t cls[16] = L"";
  GetClassNameW(child, cls, 16);
  if (!lstrcmpiW(cls, L"Edit") && (GetDlgCtrlID(child) == cmb13 || GetDlgCtrlID(child) == edt1))
    *(HWND*)found = child;
  return TRUE;
}

void CALLBACK TypeNameAndOpen(HWND dialog, UINT, UINT_PTR id, DWORD) {
  KillTimer(dialog, id);
  HWND nameBox = 0;
  EnumChildWindows(dialog, FindNameBox, (LPARAM)&nameBox);
  if (nameBox) SetWindowTextW(nameBox, chosenPath.c_str());
  PostMessageW(dialog, WM_COMMAND, nameBox ? IDOK : IDCANCEL, 0);
}

// The first box is the dialog; any later one is read and dismissed by the catcher.
bool OnDialog(HWND dialog, void*) {
  if (dialogsShown++) return false;
  SetTimer(dialog, 1, 50, TypeNameAndOpen);
  return true;
}

enum Way { TYPED, PASTED, CHOSEN };
const char* const kWayNames[] = {"typed", "pasted", "chosen in the open dialog"};

// The real program's start-up, once for the whole program: its main window
// with the gadgets, then one request after another, as a person would use it.
class BestFit : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    started = AppWindowEnvironment::Started();
    field = GetDlgItem(WindowHandle(MainWindow), GADGET_PATH);
    GadgetSetState(GADGET_LEVEL, 0);  // "Szint 1": the one file packed here packs quickly
  }
  void SetUp() override {
    ASSERT_TRUE(started) << "the main window was not made";
    ASSERT_NE(field, nullptr);
  }

  // Messages handled as the program's event loop handles them.
  static void Pump() {
    while (WaitEvent(0)) {
    }
  }

  static void Put(Way way, const std::wstring& path) {
    SetWindowTextW(field, L"");
    if (way == TYPED) {
      for (wchar_t c : path) PostMessageW(field, WM_CHAR, c, 1);
    } else if (way == PASTED) {
      HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (path.size() + 1) * sizeof(wchar_t));
      ASSERT_NE(memory, nullptr);
      lstrcpyW((wchar_t*)GlobalLock(memory), path.c_str());
      GlobalUnlock(memory);
      bool open = false;
      for (int i = 0; i < 250 && !(open = OpenClipboard(field) != 0); i++) Sleep(20);
      ASSERT_TRUE(open) << "the clipboard stayed busy";
      EmptyClipboard();
      EXPECT_NE(SetClipboardData(CF_UNICODETEXT, memory), nullptr);
      CloseClipboard();
      PostMessageW(field, WM_PASTE, 0, 0);
    } else {
      chosenPath = path;
      dialogsShown = 0;
      BoxCatcher catcher;
      catcher.onBox = OnDialog;
      BrowseRequest();
      EXPECT_EQ(dialogsShown, 1) << "the open dialog, and no box from it";
    }
    Pump();
  }

  static std::wstring FieldText() {
    std::wstring text(GetWindowTextLengthW(field) + 1, L'\0');
    text.resize(GetWindowTextW(field, &text[0], (int)text.size()));
    return text;
  }

  static std::vector<SeenBox> Compress() {
    BoxCatcher catcher;
    CompressRequestFromWindow();
    return catcher.boxes();
  }

  // program packed by the packer under a plain name, at the level in use.
  static std::string PackedPlain(const std::string& program) {
    WideTempDir reference;
    std::wstring plain = reference.path + L"\\plain.exe";
    if (!WriteWide(plain, program)) return "";
    Put(TYPED, plain);
    Compress();
    return Snapshot(reference.path)[plain];
  }

  static BOOL started;
  static HWND field;
};
BOOL BestFit::started;
HWND BestFit::field;

TEST_F(BestFit, NameTheCodePageCannotHoldIsPackedUnderAStandInHoweverItCameIntoTheField) {
  const CodePageNames* names = NamesForThisCodePage();
  if (!names) GTEST_SKIP() << "no names are chosen for code page " << GetACP();
  WideTempDir dir;
  const std::wstring& folder = dir.path;
  std::string program;
  ASSERT_TRUE(ReadBytes(BuildDir() + "\\fake-upx.exe", &program));  // a program that UPX packs
  // What the packer makes of the same bytes under a plain name, at the same level.
  const std::string packedPlain = PackedPlain(program);
  ASSERT_LT(packedPlain.size(), program.size());

  ASSERT_TRUE(CreateDirectoryW((folder + L"\\sub").c_str(), 0));
  for (const Refused& r : names->refused) {
    // What the test rests on: the system's best fit of the name is the path of
    // another file, which is there (and would change if packed).
    ASSERT_EQ(InCodePage(r.name, false), "") << Shown(r.name) << " is held by code page " << GetACP();
    ASSERT_EQ(InCodePage(r.name, true), InCodePage(r.bestFit, false))
        << "the best fit of " << Shown(r.name) << " in code page " << GetACP();
    std::wstring neighbour = r.bestFit;
    for (wchar_t& c : neighbour)
      if (c == L'/') c = L'\\';
    ASSERT_TRUE(WriteWide(folder + L"\\" + neighbour, program)) << Shown(neighbour);
  }
  for (const Refused& r : names->refused) {
    for (Way way : {TYPED, PASTED, CHOSEN}) {
      std::wstring path = folder + L"\\" + r.name;
      SCOPED_TRACE(Shown(r.name) + " " + kWayNames[way]);
      // The name itself, unpacked, where the file system can hold it (Wine's
      // cannot hold a lone surrogate); the dialog takes a name that is not there alike.
      bool there = WriteWide(path, program);
      const Files before = Snapshot(folder);
      Put(way, path);
      EXPECT_EQ(Shown(FieldText()), Shown(path));
      std::vector<SeenBox> boxes = Compress();
      ASSERT_EQ(boxes.size(), 1u);
      const Files after = Snapshot(folder);
      if (!there) {
        EXPECT_EQ(boxes[0].caption, kNoFileCaption);
        EXPECT_EQ(boxes[0].text, kNoFileMissing);
        EXPECT_EQ(Changed(before, after), std::vector<std::string>{});
        continue;
      }
      // Only the named file changed, to what the packer makes of it under a plain name.
      EXPECT_EQ(Changed(before, after), std::vector<std::string>{Shown(path)});
      ASSERT_TRUE(after.count(path));
      EXPECT_EQ(after.at(path).size(), packedPlain.size());
      EXPECT_EQ(boxes[0].caption, kReportCaption);
      EXPECT_EQ(boxes[0].text, Report(program.size(), packedPlain.size()));
      EXPECT_EQ(boxes[0].icon, kReportIcon);
    }
  }
}

// Letters of other scripts, an emoji (a surrogate pair) and a folder so
// named: whatever the code page, each file is packed to the bytes the packer
// makes of it under a plain name, and nothing else in the folder changes.
TEST_F(BestFit, NameInAnyScriptIsPackedAsUnderAPlainName) {
  WideTempDir dir;
  const std::wstring& folder = dir.path;
  std::string program;
  ASSERT_TRUE(ReadBytes(BuildDir() + "\\fake-upx.exe", &program));
  const std::string packedPlain = PackedPlain(program);
  ASSERT_LT(packedPlain.size(), program.size());
  const std::wstring sub = L"\x0109\x4E2D\x03A9\xD83D\xDE00";
  ASSERT_TRUE(CreateDirectoryW((folder + L"\\" + sub).c_str(), 0));
  ASSERT_TRUE(WriteWide(folder + L"\\other.exe", program));
  const std::vector<std::wstring> names = {L"\x0109.exe", L"\x4E2D\x6587.exe", L"\x03A9\x03BC\x03AD\x03B3\x03B1.exe",
                                           L"\xD83D\xDE00.exe", sub + L"\\a.exe"};
  for (const std::wstring& name : names) {
    std::wstring path = folder + L"\\" + name;
    SCOPED_TRACE(Shown(name));
    ASSERT_TRUE(WriteWide(path, program));
    const Files before = Snapshot(folder);
    Put(TYPED, path);
    std::vector<SeenBox> boxes = Compress();
    const Files after = Snapshot(folder);
    EXPECT_EQ(Changed(before, after), std::vector<std::string>{Shown(path)});
    EXPECT_TRUE(after.count(path) && after.at(path) == packedPlain);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, Report(program.size(), packedPlain.size()));
  }
}

TEST_F(BestFit, NameTheCodePageHoldsIsPacked) {
  const CodePageNames* names = NamesForThisCodePage();
  if (!names) GTEST_SKIP() << "no names are chosen for code page " << GetACP();
  WideTempDir dir;
  std::wstring folder = dir.path, path = folder + L"\\" + names->held;
  std::string program;
  ASSERT_TRUE(ReadBytes(BuildDir() + "\\fake-upx.exe", &program));
  ASSERT_TRUE(WriteWide(path, program));
  ASSERT_TRUE(WriteWide(folder + L"\\other.exe", program));
  const Files before = Snapshot(folder);
  Put(TYPED, path);
  EXPECT_EQ(Shown(FieldText()), Shown(path));
  std::vector<SeenBox> boxes = Compress();
  const Files after = Snapshot(folder);
  EXPECT_EQ(Changed(before, after), std::vector<std::string>{Shown(path)});
  ASSERT_TRUE(after.count(path));
  const std::string& packed = after.at(path);
  EXPECT_LT(packed.size(), program.size());
  EXPECT_NE(packed.find("UPX!"), std::string::npos);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, kReportCaption);
  EXPECT_EQ(boxes[0].text, Report(program.size(), packed.size()));
  EXPECT_EQ(boxes[0].icon, kReportIcon);
}

}  // namespace

// This program's start-up is the program's own (AppStartUp, tests/app/app_window.h):
// the runtime starts once in a process, so nothing else is started before the tests.
void AreaSetUp() { testing::AddGlobalTestEnvironment(new AppWindowEnvironment); }
