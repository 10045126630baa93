// Awkward paths against real files and the real size query: each request shows
// exactly one box, and the packer (recorded, not started) is asked to run only
// for a real, non-empty file, with the path quoted exactly as typed.
#include <gtest/gtest.h>

#include "tests/app/request_seam.h"
#include "tests/support/expected_texts.h"
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
  bool made260 = MakeLongPath(dir, 260, &long260);
  MakeLongPath(dir, 261, &long261);

  struct Row {
    std::string path;
    int64_t size;  // of the real file the packer is run for; 0: no run
  } rows[] = {
      {withSpaces, 100},
      {accented, 100},
      {plain, 100},
      {long259, 64},
      {long260, made260 ? 64 : 0},
      {long261, 0},
      {long260 + "x", 0},  // its first 260 characters name a real file
      {dir.file(std::string(1980, 'a') + ".exe"), 0},
      {plain + "\\", 0},            // the size query would still find the file
      {dir.path() + "\\", 0},
      {dir.path(), 0},
      {dir.file("\"app.exe\""), 0},
      {dir.file("app\".exe"), 0},
      {dir.file("*.exe"), 0},
      {dir.file("ap?.exe"), 0},
      {dir.file("app<"), 0},
      {empty, 0},
      {dir.file("missing.exe"), 0},
      {"C:\\", 0},
      {"C:", 0},
      {"CON", 0},
      {"NUL", 0},
      {"\\\\.\\NUL", 0},
      {dir.file("NUL"), 0},
      {"   ", 0},
      {"\"", 0},
      {"\\", 0},
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
      EXPECT_EQ(seam.dialogs[0].text, kNoFileText);
    }
  }
}

// A name that the system's code page cannot hold needs a stand-in beside it.
// Where none can be made (here: a folder whose path leaves no room for the
// stand-in's name; a folder that takes no new file is shown with the stand-in
// itself), the packer could not write there either: the write-protected
// warning, no run, and nothing changed.
TEST(RequestBadInput, WhereNoStandInCanBeMadeTheFileIsTakenForWriteProtected) {
  if (GetACP() == CP_UTF8) GTEST_SKIP() << "UTF-8 holds every name: none needs a stand-in";
  TempDir dir;
  std::wstring folder = WideFromUtf8(dir.path()) + L"\\" + std::wstring(244 - dir.path().size(), L'd');
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), 0));
  std::wstring crowded = folder + L"\\\x0109.exe";  // 251 letters: the stand-in's name does not fit beside it
  HANDLE f = CreateFileW(crowded.c_str(), GENERIC_WRITE, 0, 0, CREATE_NEW, 0, 0);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  DWORD written;
  WriteFile(f, "MZ", 2, &written, 0);
  CloseHandle(f);
  RequestSeam seam;
  seam.widePath = crowded;
  seam.realSizes = true;
  seam.Run();
  EXPECT_TRUE(seam.runs.empty());
  ASSERT_EQ(seam.dialogs.size(), 1u);
  EXPECT_EQ(seam.dialogs[0].caption, kErrorCaption);
  EXPECT_EQ(seam.dialogs[0].text, kWriteProtected);
  EXPECT_EQ(FolderEntries(Utf8FromWide(folder)).size(), 1u);
  DeleteFileW(crowded.c_str());
  RemoveDirectoryW(folder.c_str());
}

}  // namespace
