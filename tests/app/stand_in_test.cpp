// The stand-in for a file whose name the packer cannot be given: made as a
// link or a copy of real files with non-ASCII names, under a free ASCII name,
// or not made, with the reason, when the folder or the disk refuses it.
#include "tests/app/stand_in_test_support.h"
#include "tests/app/request_seam.h"
#include "tests/support/expected_texts.h"

namespace {

TEST(StandIn, NameIsTheStemEightDigitsAndAPlainAsciiExtension) {
  struct Row {
    std::wstring name;
    std::string extension;
  } rows[] = {
      {kPolish, ".exe"},
      {L"\x540D\x5B57", ""},                  // 名字: none
      {L"\x0391\x03B2.d\x00EFl", ""},         // Αβ.dïl: not ASCII
      {L"\xD83D\xDE00.tar.GZ", ".GZ"},        // an emoji (a surrogate pair): the last extension, as written
      {L"\x0141.abcdefghij", ".abcdefghij"},  // the longest kept
      {L"\x0141.abcdefghijk", ""},            // one letter too long
      {L"\x0141.v2\\setup", ""},              // a dot in the folder's name only
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8FromWide(row.name));
    TempDir dir;
    size_t slash = row.name.find(L'\\');
    if (slash != std::wstring::npos) CreateDirectoryW(In(dir, row.name.substr(0, slash)).c_str(), 0);
    std::wstring original = MakeOriginal(In(dir, row.name), FILE_ATTRIBUTE_ARCHIVE);
    std::wstring folder = original.substr(0, original.rfind(L'\\') + 1);
    StandIn standIn;
    ASSERT_EQ(StandInMake(original.c_str(), &standIn), 1);
    std::string name = Utf8FromWide(standIn.wideName);
    ASSERT_EQ(name.size(), 16 + row.extension.size()) << name;
    EXPECT_EQ(name.substr(0, 8), "zimbrel-");
    EXPECT_EQ(name.substr(8, 8).find_first_not_of("0123456789abcdef"), std::string::npos) << name;
    EXPECT_EQ(name.substr(16), row.extension);
    EXPECT_EQ(std::wstring(standIn.original), original);
    EXPECT_EQ(std::wstring(standIn.folder), folder);
    EXPECT_EQ(std::wstring(standIn.path), folder + standIn.wideName);
    EXPECT_EQ(Got(standIn.path), kBytes);
    EXPECT_EQ(StandInFinish(&standIn, false), 0);
    EXPECT_EQ(NamesBeside(original), std::vector<std::string>{NameOf(original)});
  }
}

TEST(StandIn, ATakenNameGivesWayToAnotherAndKeepsItsFile) {
  struct Row {
    const char* what;
    bool refused;
  } rows[] = {{"link", false}, {"copy", true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TempDir dir;
    std::wstring original = MakeOriginal(In(dir, kPolish), FILE_ATTRIBUTE_ARCHIVE);
    LinkWatch watch;
    watch.taken = 1;
    watch.refused = row.refused;
    StandIn standIn;
    ASSERT_EQ(StandInMake(original.c_str(), &standIn), 1);
    ASSERT_EQ(watch.asked.size(), 2u);
    EXPECT_NE(watch.asked[0], watch.asked[1]);
    EXPECT_EQ(watch.asked[1], std::wstring(standIn.path));
    EXPECT_EQ(standIn.linked, !row.refused);
    EXPECT_EQ(Got(watch.asked[0]), "taken");
    EXPECT_EQ(Got(watch.asked[1]), kBytes);
    EXPECT_EQ(StandInFinish(&standIn, false), 0);
    EXPECT_EQ(Got(watch.asked[0]), "taken");
    EXPECT_EQ(NamesBeside(original), (std::vector<std::string>{NameOf(watch.asked[0]), NameOf(original)}));
  }
  // Every name taken: the tries end, with nothing made but the files found.
  TempDir dir;
  std::wstring original = MakeOriginal(In(dir, kPolish), FILE_ATTRIBUTE_ARCHIVE);
  LinkWatch watch;
  watch.taken = 1000;
  StandIn standIn;
  EXPECT_EQ(StandInMake(original.c_str(), &standIn), 0);
  EXPECT_EQ(watch.asked.size(), 16u);
  EXPECT_EQ(NamesBeside(original).size(), 17u);
}

// The stand-in holds the original's bytes as a link (the same file) or as a
// copy, read-only when the original is; ended unused, it leaves the original's
// bytes, attributes and times as they were, and nothing beside it.
TEST(StandIn, LinkOrCopyHoldsTheBytesAndGoesWithoutATrace) {
  struct Row {
    const char* what;
    bool refused;
    DWORD attributes;
  } rows[] = {{"link", false, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE},
              {"copy", true, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE},
              {"writable link", false, FILE_ATTRIBUTE_ARCHIVE},
              {"writable copy", true, FILE_ATTRIBUTE_ARCHIVE}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TempDir dir;
    std::wstring original = MakeOriginal(In(dir, L"\x03A0\x03B1\x03BA.dll"), row.attributes);  // Πακ.dll
    WIN32_FILE_ATTRIBUTE_DATA was = Data(original);
    LinkWatch watch;
    watch.refused = row.refused;
    StandIn standIn;
    ASSERT_EQ(StandInMake(original.c_str(), &standIn), 1);
    EXPECT_EQ(standIn.linked, !row.refused);
    std::wstring path = standIn.path;
    EXPECT_EQ(Got(path), kBytes);
    EXPECT_EQ(LinkCount(path), row.refused ? 1u : 2u);
    EXPECT_EQ(Data(path).dwFileAttributes & FILE_ATTRIBUTE_READONLY, row.attributes & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(standIn.attributes, row.attributes);

    EXPECT_EQ(StandInFinish(&standIn, false), 0);
    WIN32_FILE_ATTRIBUTE_DATA now = Data(original);
    EXPECT_EQ(Got(original), kBytes);
    EXPECT_EQ(now.dwFileAttributes, row.attributes);
    EXPECT_EQ(CompareFileTime(&now.ftLastWriteTime, &kWritten), 0);
    EXPECT_EQ(CompareFileTime(&now.ftCreationTime, &was.ftCreationTime), 0);
    EXPECT_EQ(NamesBeside(original), std::vector<std::string>{NameOf(original)});
  }
}

// A copy that fails part-way, as on a full disk, or is refused, as in a
// folder the user may not write to (neither can be made as root under Wine).
DWORD copyError;
BOOL WINAPI FailedCopy(LPCWSTR, LPCWSTR copy, BOOL) {
  Put(copy, "MZ the orig");
  SetLastError(copyError);
  return FALSE;
}

// No stand-in can be made: a full disk, the file held without read sharing, a
// folder refused. Each gives its own reason, leaves the original as it was
// and nothing beside it; and the request's box says it.
TEST(StandIn, NoStandInSaysWhyAndLeavesNothing) {
  struct Row {
    const char* what;
    DWORD copyError;  // 0: the real copy
    bool held;
    DWORD error;
    std::string text;
  } rows[] = {{"full disk", ERROR_DISK_FULL, false, ERROR_DISK_FULL, kDiskFull},
              {"quota", 1295, false, 1295, kDiskFull},
              {"held without read sharing", 0, true, ERROR_SHARING_VIOLATION, kHeld},
              {"folder refused", ERROR_ACCESS_DENIED, false, ERROR_ACCESS_DENIED, kFolderLocked}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TempDir dir;
    // A name no code page holds (an emoji), so that the request makes a stand-in too.
    std::wstring original = MakeOriginal(In(dir, L"\xD83D\xDE00.exe"), FILE_ATTRIBUTE_ARCHIVE);
    LinkWatch watch;
    watch.refused = true;
    copyError = row.copyError;
    if (row.copyError) StandInCopy = FailedCopy;
    HANDLE held = row.held ? CreateFileW(original.c_str(), GENERIC_READ, 0, 0, OPEN_EXISTING, 0, 0) : 0;
    StandIn standIn;
    EXPECT_EQ(StandInMake(original.c_str(), &standIn), 0);
    EXPECT_EQ(standIn.error, row.error);
    EXPECT_FALSE(standIn.standInLeft);
    EXPECT_EQ(watch.asked.size(), 1u);  // only a taken name gives way to another
    EXPECT_EQ(NamesBeside(original), std::vector<std::string>{NameOf(original)});
    // The request's box, where the system's code page cannot hold the name
    // (UTF-8 holds every name: there the request makes no stand-in).
    bool standing = GetACP() != CP_UTF8;
    RequestSeam seam;
    seam.widePath = original;
    seam.realSizes = true;
    if (standing) seam.Run();
    if (held) CloseHandle(held);
    StandInCopy = 0;
    if (standing) {
      EXPECT_TRUE(seam.runs.empty());
      ASSERT_EQ(seam.dialogs.size(), 1u);
      EXPECT_EQ(seam.dialogs[0].caption, kErrorCaption);
      EXPECT_EQ(seam.dialogs[0].text, row.text);
      EXPECT_EQ(seam.dialogs[0].flags, (UINT)kErrorIcon);
    }
    EXPECT_EQ(Got(original), kBytes);
    EXPECT_EQ(NamesBeside(original), std::vector<std::string>{NameOf(original)});
  }
}

TEST(StandIn, NoStandInWhereNoFileCanBeMade) {
  TempDir dir;
  // Linux's /proc, seen through Wine's drive Z:, takes no new file, even from
  // root; what else it lists comes and goes with the processes.
  for (std::wstring original : {In(dir, kPolish), std::wstring(L"Z:\\proc\\version")}) {
    SCOPED_TRACE(Utf8FromWide(original));
    StandIn standIn;
    EXPECT_EQ(StandInMake(original.c_str(), &standIn), 0);
    for (const std::string& name : NamesBeside(original)) EXPECT_NE(name.substr(0, 8), "zimbrel-");
  }
}

// The packer is given the stand-in's name within its folder, which Windows
// resolves within MAX_PATH: the stand-in's path, and that of the packer's
// temporary file (".upx" for the extension), must be at most 259 characters.
TEST(StandIn, PathsTooLongForThePackerAreRefusedBeforeAnyFile) {
  TempDir dir;
  // Folders whose paths, the last backslash included, have 239 and 240 characters.
  std::wstring base = In(dir, L"");
  std::wstring folder239 = base + std::wstring(239 - base.size() - 1, L'a') + L"\\";
  std::wstring folder240 = base + std::wstring(240 - base.size() - 1, L'b') + L"\\";
  ASSERT_TRUE(CreateDirectoryW(folder239.c_str(), 0));
  ASSERT_TRUE(CreateDirectoryW(folder240.c_str(), 0));
  ASSERT_TRUE(CreateDirectoryW((base + L"c").c_str(), 0));
  struct Row {
    std::wstring path;
    int result;
  } rows[] = {
      {folder239 + kPolish, 1},             // 239 + 20: the stand-in's path just fits
      {folder240 + kPolish, -1},
      {folder239 + L"\x0141\x00F3" L"d\x017A", 1},  // no extension: 239 + 16, and ".upx" for the packer's file
      {folder240 + L"\x0141\x00F3" L"d\x017A", -1},
      // An original too long for the record, though its stand-in's would fit.
      {base + L"c\\\x0141" + std::wstring(MAX_PATH - base.size() - 7, L'c') + L".exe", -1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path.size());
    MakeOriginal(row.path, FILE_ATTRIBUTE_ARCHIVE);
    StandIn standIn;
    EXPECT_EQ(StandInMake(row.path.c_str(), &standIn), row.result);
    if (row.result == 1) {
      EXPECT_EQ(StandInFinish(&standIn, false), 0);
    }
    EXPECT_EQ(NamesBeside(row.path), std::vector<std::string>{NameOf(row.path)});
    DeleteFileW(row.path.c_str());
  }
}

}  // namespace
