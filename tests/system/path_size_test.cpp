// PathSize on real files, folders, drives and wildcards, and on paths longer
// than the 260 characters it looks up.
#include <gtest/gtest.h>

#include "runtime/system/path_size.h"
#include "runtime/text/raw_bytes.h"
#include "tests/support/win_test.h"

namespace {

// A drive letter that names no drive here, as "Q:".
std::string MissingDrive() {
  DWORD drives = GetLogicalDrives();
  for (char letter = 'Y'; letter > 'C'; --letter)
    if (!(drives & (1u << (letter - 'A')))) return std::string(1, letter) + ":";
  return "";
}

TEST(PathSize, FilesDirectoriesAndDrives) {
  TempDir dir;
  const long long big = 5LL << 30;  // above 2^32: both halves of the size count
  ASSERT_TRUE(WriteBytes(dir.file("empty.txt"), ""));
  ASSERT_TRUE(WriteBytes(dir.file("small.txt"), "12345"));
  ASSERT_TRUE(MakeSizedFile(dir.file("big.bin"), big));
  ASSERT_TRUE(CreateDirectoryA(dir.file("sub").c_str(), 0));
  ASSERT_TRUE(CreateDirectoryA(dir.file("sub\\inner").c_str(), 0));
  std::string missingDrive = MissingDrive();
  ASSERT_FALSE(missingDrive.empty());

  const struct {
    std::string path;
    int64_t size;
  } cases[] = {
      {dir.file("missing.txt"), PATH_MISSING},
      {dir.file("empty.txt"), 0},
      {dir.file("small.txt"), 5},
      {dir.file("big.bin"), big},
      {dir.path(), PATH_DIRECTORY},
      {dir.path() + "\\", PATH_DIRECTORY},
      {dir.path() + "\\\\", PATH_MISSING},  // only one trailing backslash goes
      {dir.file("sm?ll.*"), 5},             // wildcards: the entry that matches
      {dir.file("sub\\*"), PATH_DIRECTORY},  // its only entries are directories
      {"C:", PATH_DIRECTORY},
      {"C:\\", PATH_DIRECTORY},
      {"Z:", PATH_DIRECTORY},
      {missingDrive, PATH_MISSING},
      {missingDrive + "\\", PATH_MISSING},
      {"\\", PATH_MISSING},
      {"", PATH_MISSING},
  };
  for (const auto& c : cases) EXPECT_EQ(PathSize(RawPath(c.path.c_str())), c.size) << c.path;
  EXPECT_EQ(PathSize(PathText(nullptr)), PATH_MISSING);

  // Japanese (932): the letter "\x83\x5C" (katakana so) ends in the byte of
  // '\'; a file so named is no folder with a trailing backslash.
  if (GetACP() == 932) {
    ASSERT_TRUE(WriteBytes(dir.file("\x83\x5C"), "abc"));
    EXPECT_EQ(PathSize(RawPath(dir.file("\x83\x5C").c_str())), 3);
  }
}

TEST(PathSize, LooksUpTheFirst260CharactersAndLeavesThePathAlone) {
  TempDir dir;
  ASSERT_TRUE(WriteBytes(dir.file("small.txt"), "1234567"));
  // The first 260 characters match small.txt (the asterisks match nothing);
  // the 40 after them would match nothing at all.
  std::string head = dir.file("small.txt");
  head.resize(260, '*');
  EXPECT_EQ(PathSize(RawPath((head + std::string(40, 'z')).c_str())), 7);
  std::string other = dir.file("other");
  other.resize(260, '*');
  EXPECT_EQ(PathSize(RawPath((other + "small.txt" + std::string(31, '*')).c_str())), PATH_MISSING);

  wchar_t path[MAX_PATH];
  lstrcpyW(path, RawPath((dir.path() + "\\").c_str()).Wide());
  EXPECT_EQ(PathSize(PathText(path)), PATH_DIRECTORY);
  EXPECT_EQ(std::wstring(path), std::wstring(RawPath(dir.path().c_str()).Wide()) + L"\\");
}

}  // namespace
