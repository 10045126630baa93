// Awkward paths against real files and the real size query: each request shows
// exactly one box, and the packer (recorded, not started) is asked to run only
// for a real, non-empty file, with the path quoted exactly as typed.
#include <gtest/gtest.h>

#include "app/path_check.h"
#include "tests/app/request_seam.h"
#include "tests/support/expected_texts.h"
#include "tests/support/utf8.h"
#include "tests/support/win_test.h"

namespace {

// A path of exactly `length` characters inside dir: a subfolder and a file name
// made long enough. The file is written when it can be; whether it was is returned.
bool MakeLongPath(const TempDir& dir, size_t length, std::string* path) {
  std::string folder = dir.file(std::string(200 - dir.path().size(), 'd'));
  CreateDirectoryA(folder.c_str(), 0);
  size_t nameLength = length - folder.size() - 1;
  *path = folder + "\\" + std::string(nameLength - 4, 'f') + ".exe";
  return path->size() == length && WriteBytes(*path, std::string(64, 'x'));
}

// A file of two bytes under a name of any letters.
bool MakeTwoBytes(const std::wstring& path) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, 0, CREATE_NEW, 0, 0);
  DWORD written = 0;
  if (f == INVALID_HANDLE_VALUE) return false;
  WriteFile(f, "MZ", 2, &written, 0);
  CloseHandle(f);
  return written == 2;
}

TEST(RequestBadInput, EachPathGivesOneBoxAndRunsOnlyForARealFile) {
  TempDir dir;
  std::string spaced = dir.file("my folder");
  ASSERT_TRUE(CreateDirectoryA(spaced.c_str(), 0));
  std::string withSpaces = spaced + "\\my app.exe";
  std::string accented = dir.file(HeldNonAscii("\xE1rv\xEDzt\xFBr\xF5 t\xFCk\xF6rf\xFAr\xF3g\xE9p.exe"));
  std::string plain = dir.file("app.exe");
  std::string empty = dir.file("empty.exe");
  ASSERT_TRUE(WriteBytes(withSpaces, std::string(100, 'x')));
  ASSERT_TRUE(WriteBytes(accented, std::string(100, 'x')));
  ASSERT_TRUE(WriteBytes(plain, std::string(100, 'x')));
  ASSERT_TRUE(WriteBytes(empty, ""));
  std::string long259, long260, long261;
  ASSERT_TRUE(MakeLongPath(dir, 259, &long259));
  MakeLongPath(dir, 260, &long260);  // made or not, too long for the packer
  MakeLongPath(dir, 261, &long261);

  std::string bareName = "app.exe";  // in dir, which is not the current folder
  std::string veryLong = dir.file(std::string(1980, 'a') + ".exe");
  struct Row {
    std::string path;
    int64_t size;      // of the real file the packer is run for; 0: no run
    std::string text;  // the no-file box's sentence when there is no run
  } rows[] = {
      {withSpaces, 100, ""},
      {accented, 100, ""},
      {plain, 100, ""},
      {long259, 64, ""},
      {"   ", 0, kNoFileText},
      // Longer than the packer opens, though the size query (which looks at
      // the first 260 characters) may find a file.
      {long260, 0, NoFileTooLong(260)},
      {long261, 0, NoFileTooLong(261)},
      {long260 + "x", 0, NoFileTooLong(261)},  // its first 260 characters name a real file
      {veryLong, 0, NoFileTooLong((long long)veryLong.size())},
      {dir.file("\"app.exe\""), 0, kNoFileWildcard},
      {dir.file("app\".exe"), 0, kNoFileWildcard},
      {dir.file("*.exe"), 0, kNoFileWildcard},
      {dir.file("ap?.exe"), 0, kNoFileWildcard},
      {dir.file("app<"), 0, kNoFileWildcard},
      {"\"", 0, kNoFileWildcard},
      {dir.path() + "\\", 0, kNoFileFolder},
      {dir.path(), 0, kNoFileFolder},
      {"C:\\", 0, kNoFileFolder},
      {"C:", 0, kNoFileFolder},
      {plain + "\\", 0, kNoFileMissing},  // the size query would still find the file
      {dir.file("missing.exe"), 0, kNoFileMissing},
      {bareName, 0, kNoFileMissing},
      {"CON", 0, kNoFileMissing},
      {"NUL", 0, kNoFileMissing},
      {"\\\\.\\NUL", 0, kNoFileMissing},
      {dir.file("NUL"), 0, kNoFileMissing},
      {"\\", 0, kNoFileMissing},
      {empty, 0, kNoFileEmpty},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path.substr(0, 80) + " (" + std::to_string(row.path.size()) + " characters)");
    RequestSeam seam;
    seam.paths = {row.path};
    seam.levels = {9};
    seam.realSizes = true;
    seam.Run();
    EXPECT_EQ(seam.dialogs.size(), 1u);
    ASSERT_EQ(seam.runs.size(), row.size ? 1u : 0u);
    if (row.size) {
      EXPECT_EQ(seam.runs[0].parameters, "--best \"" + row.path + "\"");
      EXPECT_EQ(sizeBeforeFull, row.size);
    } else {
      EXPECT_EQ(seam.dialogs[0].caption, kNoFileCaption);
      EXPECT_EQ(seam.dialogs[0].text, row.text);
      EXPECT_EQ(seam.dialogs[0].flags, (UINT)kNoFileIcon);
    }
  }
}

// The field's text stands for the path inside one pair of quotes, and for the
// path without the spaces around it when only that names a file: a pasted
// path with a space before or after it packs as it would without.
TEST(RequestBadInput, TheFieldLosesQuotesAroundItAndSpacesWhenOnlySoItNamesAFile) {
  TempDir dir;
  std::string file = dir.file("app.exe"), empty = dir.file("empty.exe"), missing = dir.file("missing.exe");
  ASSERT_TRUE(WriteBytes(file, "MZ"));
  ASSERT_TRUE(WriteBytes(empty, ""));
  struct Row {
    std::string text, path;
  } rows[] = {
      {file, file},
      {"\"" + file + "\"", file},
      {" " + file, file},
      {"  " + file + "  ", file},
      {"\"" + file + "\" ", file},
      {" \"" + file + "\"", file},
      {"\" " + file + " \"", file},
      {file + std::string(261 - file.size(), ' '), file},  // 261 characters with the spaces
      {file + std::string(2000, ' '), file},
      {" " + empty, empty},  // a file, if an empty one
      // The path without the spaces names no file either: the text stays.
      {" " + missing + " ", " " + missing + " "},
      {" " + dir.path(), " " + dir.path()},
      {"   ", "   "},
      {"", ""},
      // Quotes not in one pair around the whole text stay.
      {"\"" + file, "\"" + file},
      {"\"\"" + file + "\"\"", "\"\"" + file + "\"\""},
      {"\"" + file + "\"\"" + file + "\"", "\"" + file + "\"\"" + file + "\""},
      {"\"", "\""},
      {"\"\"", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("[" + row.text.substr(0, 80) + "]");
    std::wstring text = WideFromUtf8(row.text);
    EXPECT_EQ(Utf8FromWide(PathInText(&text[0]).Wide()), row.path);
  }
  EXPECT_EQ(PathInText(nullptr).Wide()[0], L'\0');
  // A name that begins with a space, in the current folder, is that file,
  // though the name without the space is another one.
  char own[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, own);
  ASSERT_TRUE(SetCurrentDirectoryA(dir.path().c_str()));
  ASSERT_TRUE(WriteBytes(dir.file(" app.exe"), "MZ"));
  std::wstring text = L" app.exe";
  EXPECT_EQ(Utf8FromWide(PathInText(&text[0]).Wide()), " app.exe");
  SetCurrentDirectoryA(own);
}

// A name that the system's code page cannot hold needs a stand-in beside it:
// "zimbrel-", eight digits and the extension, with the packer's temporary
// file (".upx") beside it, within 259 letters. A folder that leaves no room
// for them gets the no-file box with the folder's length and its limit,
// before anything is made; one letter less and the stand-in is made (and the
// packer run on it).
TEST(RequestBadInput, AFolderWithNoRoomForTheStandInSaysHowLongItIsAndTheLimit) {
  if (GetACP() == CP_UTF8) GTEST_SKIP() << "UTF-8 holds every name: none needs a stand-in";
  TempDir dir;
  const std::wstring top = WideFromUtf8(dir.path()) + L"\\";
  struct Row {
    size_t folder;          // the folder's letters, without its closing backslash
    std::wstring name;
    long long limit;        // 0: the stand-in fits, and the packer runs
  } rows[] = {
      {238, L"\x0109.exe", 0},
      {239, L"\x0109.exe", 238},
      {245, L"\x0109.exe", 238},
      // The longer of the extension and ".upx" counts; an extension of more
      // than 11 characters is not kept, nor one outside printable ASCII.
      {235, L"\x0109.config", 0},
      {236, L"\x0109.config", 235},
      {231, L"\x0109.abcdefghij", 0},
      {232, L"\x0109.abcdefghij", 231},
      {238, L"\x0109.abcdefghijk", 0},
      {239, L"\x0109.abcdefghijk", 238},
      {238, L"\x0109.abcde\x0109", 0},
      {239, L"\x0109", 238},
  };
  for (const Row& row : rows) {
    std::wstring folder = top + std::wstring(row.folder - top.size(), L'd');
    std::wstring path = folder + L"\\" + row.name;
    SCOPED_TRACE(Utf8FromWide(path.substr(folder.size())) + " in a folder of " + std::to_string(row.folder));
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), 0));
    ASSERT_TRUE(MakeTwoBytes(path));
    RequestSeam seam;
    seam.widePath = path;
    seam.realSizes = true;
    seam.Run();
    ASSERT_EQ(seam.dialogs.size(), 1u);
    if (row.limit) {
      EXPECT_TRUE(seam.runs.empty());
      EXPECT_EQ(seam.dialogs[0].caption, kNoFileCaption);
      EXPECT_EQ(seam.dialogs[0].text, NoFileFolderTooLong((long long)row.folder, row.limit));
      EXPECT_EQ(seam.dialogs[0].flags, (UINT)kNoFileIcon);
    } else {
      ASSERT_EQ(seam.runs.size(), 1u);
      EXPECT_EQ(seam.runs[0].parameters.substr(0, 16), "--best \"zimbrel-");
    }
    // The file alone, as it was.
    EXPECT_EQ(FolderEntries(Utf8FromWide(folder)).size(), 1u);
    EXPECT_EQ(SizeOfUtf8(Utf8FromWide(path)), 2);
    DeleteFileW(path.c_str());
    RemoveDirectoryW(folder.c_str());
  }
}

// A name that needs a stand-in is held to the packer's limit as any name is,
// and its letters are counted.
TEST(RequestBadInput, ANameThatNeedsAStandInIsHeldToTheSameLimits) {
  if (GetACP() == CP_UTF8) GTEST_SKIP() << "UTF-8 holds every name: none needs a stand-in";
  TempDir dir;
  std::wstring top = WideFromUtf8(dir.path());
  std::wstring long260 = top + L"\\" + std::wstring(254 - top.size(), L'a') + L"\x0109.exe";
  // A file, which a closing backslash after its name does not name.
  std::wstring file = top + L"\\\x0109.exe";
  ASSERT_TRUE(MakeTwoBytes(file));
  struct Row {
    std::wstring path;
    std::string text;
  } rows[] = {
      {long260, NoFileTooLong(260)},
      {top + L"\\\x0109*.exe", kNoFileWildcard},
      {top + L"\\\x0109\"", kNoFileWildcard},
      {top + L"\\\x0109", kNoFileMissing},
      {file + L"\\", kNoFileMissing},
      {L"\x0109.exe", kNoFileMissing},
  };
  ASSERT_EQ(long260.size(), 260u);
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8FromWide(row.path.substr(0, 80)));
    RequestSeam seam;
    seam.widePath = row.path;
    seam.realSizes = true;
    seam.Run();
    EXPECT_TRUE(seam.runs.empty());
    ASSERT_EQ(seam.dialogs.size(), 1u);
    EXPECT_EQ(seam.dialogs[0].caption, kNoFileCaption);
    EXPECT_EQ(seam.dialogs[0].text, row.text);
  }
  EXPECT_EQ(FolderEntries(dir.path()).size(), 1u);
}

}  // namespace
