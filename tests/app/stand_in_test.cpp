// The stand-in for a file whose name the packer cannot be given: made as a
// link or a copy of real files with non-ASCII names, under a free ASCII name,
// and ended with the original replaced or left exactly as it was.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/stand_in.h"
#include "tests/app/request_seam.h"
#include "tests/support/expected_texts.h"
#include "tests/support/win_test.h"

namespace {

const wchar_t kPolish[] = L"\x0141\x00F3" L"d\x017A.exe";  // Łódź.exe
const std::string kBytes = "MZ the original's own bytes";
const FILETIME kWritten = {0x12345600, 0x01D00000};  // a day in 2014

// A file's path in a test's folder.
std::wstring In(const TempDir& dir, const std::wstring& name) { return WideFromUtf8(dir.file("")) + name; }

// A new file of bytes at path, its last write put at lastWrite when given.
bool Put(const std::wstring& path, const std::string& bytes, const FILETIME* lastWrite = 0) {
  ScopedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, 0, CREATE_ALWAYS, 0, 0));
  DWORD written = 0;
  return file.get() != INVALID_HANDLE_VALUE && WriteFile(file.get(), bytes.data(), (DWORD)bytes.size(), &written, 0) &&
         written == bytes.size() && (!lastWrite || SetFileTime(file.get(), 0, 0, lastWrite));
}

// The file's bytes; "(missing)" when it cannot be opened.
std::string Got(const std::wstring& path) {
  ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0,
                                OPEN_EXISTING, 0, 0));
  if (file.get() == INVALID_HANDLE_VALUE) return "(missing)";
  char buffer[256];
  DWORD got = 0;
  ReadFile(file.get(), buffer, sizeof buffer, &got, 0);
  return std::string(buffer, got);
}

WIN32_FILE_ATTRIBUTE_DATA Data(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  data.dwFileAttributes = INVALID_FILE_ATTRIBUTES;
  GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
  return data;
}

// The names in the folder of path, sorted, as UTF-8: what a stand-in's end
// must leave there is the original alone.
std::vector<std::string> NamesBeside(const std::wstring& path) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((path.substr(0, path.rfind(L'\\')) + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do
    if (found.cFileName[0] != '.') names.push_back(Utf8FromWide(found.cFileName));
  while (FindNextFileW(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

// The original's bytes at path, written at kWritten, then its attributes.
std::wstring MakeOriginal(const std::wstring& path, DWORD attributes) {
  EXPECT_TRUE(Put(path, kBytes, &kWritten));
  EXPECT_TRUE(SetFileAttributesW(path.c_str(), attributes));
  return path;
}

DWORD LinkCount(const std::wstring& path) {
  ScopedHandle file(CreateFileW(path.c_str(), 0, 7, 0, OPEN_EXISTING, 0, 0));
  BY_HANDLE_FILE_INFORMATION info = {};
  GetFileInformationByHandle(file.get(), &info);
  return info.nNumberOfLinks;
}

// While alive, the module's link call goes through LinkWatch: it keeps each
// path asked for, makes a file named by each of the first `taken` of them
// first (as a file of that name made meanwhile would be), and, when links are
// refused, fails as a volume without links does.
struct LinkWatch {
  static LinkWatch* current;
  size_t taken = 0;
  bool refused = false;
  std::vector<std::wstring> asked;
  LinkWatch() { current = this, StandInLink = Link; }
  ~LinkWatch() { current = 0, StandInLink = 0; }
  static BOOL WINAPI Link(LPCWSTR link, LPCWSTR existing, LPSECURITY_ATTRIBUTES security) {
    current->asked.push_back(link);
    if (current->asked.size() <= current->taken) Put(link, "taken");
    if (!current->refused) return CreateHardLinkW(link, existing, security);
    SetLastError(ERROR_INVALID_FUNCTION);
    return FALSE;
  }
};
LinkWatch* LinkWatch::current;

std::string NameOf(const std::wstring& path) { return Utf8FromWide(path.substr(path.rfind(L'\\') + 1)); }

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

// As a packer leaves it: the name it was given made writable (as UPX does
// before it removes it) and removed, and its output put under that name.
void Pack(const StandIn& standIn) {
  SetFileAttributesW(standIn.path, FILE_ATTRIBUTE_NORMAL);
  ASSERT_TRUE(DeleteFileW(standIn.path));
  ASSERT_TRUE(Put(standIn.path, "MZ packed"));
}

// A volume where ReplaceFileW cannot replace: it refuses before it moves
// anything, and keeps the backup's path it was given.
std::wstring backupAsked;
BOOL WINAPI RefusedReplace(LPCWSTR, LPCWSTR, LPCWSTR backup, DWORD, LPVOID, LPVOID) {
  backupAsked = backup;
  EXPECT_EQ(GetFileAttributesW(backup), INVALID_FILE_ATTRIBUTES);
  SetLastError(ERROR_UNABLE_TO_REMOVE_REPLACED);
  return FALSE;
}

TEST(StandIn, PackedStandInReplacesTheOriginalWithItsAttributes) {
  struct Row {
    const char* what;
    bool refused;
    bool replaceRefused;
  } rows[] = {{"link", false, false}, {"copy", true, false}, {"rename where ReplaceFileW cannot", false, true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TempDir dir;
    std::wstring original = MakeOriginal(In(dir, kPolish), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    LinkWatch watch;
    watch.refused = row.refused;
    StandIn standIn;
    ASSERT_EQ(StandInMake(original.c_str(), &standIn), 1);
    Pack(standIn);
    backupAsked.clear();
    if (row.replaceRefused) StandInReplace = RefusedReplace;
    EXPECT_EQ(StandInFinish(&standIn, true), 1);
    StandInReplace = 0;
    EXPECT_EQ(Got(original), "MZ packed");
    EXPECT_EQ(Data(original).dwFileAttributes, (DWORD)(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(NamesBeside(original), std::vector<std::string>{NameOf(original)});
    // The backup's name is another of the stand-in's kind, in its folder.
    if (row.replaceRefused) {
      std::wstring backup = standIn.backup, folder = standIn.folder;
      EXPECT_EQ(backupAsked, backup);
      ASSERT_EQ(backup.substr(0, folder.size()), folder);
      EXPECT_EQ(backup.substr(folder.size(), 8), L"zimbrel-");
      EXPECT_EQ(backup.substr(folder.size() + 16), L".exe");
      EXPECT_NE(backup, std::wstring(standIn.path));
    }
  }
}

// A replacement that acts as Wine's does when its last step fails: the
// original moved to the backup's name, the stand-in left where it was. The
// stand-in is held open (without sharing its removal), so that the rename
// that follows fails too; so is the backup when holdBackup is set, so that
// the original cannot be put back either.
bool holdBackup;
HANDLE heldStandIn, heldBackup;
HANDLE Hold(LPCWSTR path) {
  return CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, 0, OPEN_EXISTING, 0, 0);
}
BOOL WINAPI HalfReplace(LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup, DWORD, LPVOID, LPVOID) {
  heldStandIn = Hold(replacement);
  MoveFileExW(replaced, backup, MOVEFILE_REPLACE_EXISTING);
  if (holdBackup) heldBackup = Hold(backup);
  SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT_2);
  return FALSE;
}

TEST(StandIn, FailedReplacementLeavesTheOriginalWhole) {
  enum Failure { HELD, READ_ONLY, HALF_WAY, STUCK_HALF_WAY };
  struct Row {
    const char* what;
    Failure failure;
    DWORD attributes;
  } rows[] = {{"original held without sharing", HELD, FILE_ATTRIBUTE_ARCHIVE},
              {"read-only original", READ_ONLY, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE},
              {"original moved to the backup", HALF_WAY, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE},
              {"backup that cannot be put back", STUCK_HALF_WAY, FILE_ATTRIBUTE_ARCHIVE}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TempDir dir;
    std::wstring original = MakeOriginal(In(dir, kPolish), row.attributes);
    // A copy: the packer's writable link would have made the original writable too.
    LinkWatch watch;
    watch.refused = row.failure == READ_ONLY;
    StandIn standIn;
    ASSERT_EQ(StandInMake(original.c_str(), &standIn), 1);
    std::wstring path = standIn.path;
    Pack(standIn);
    HANDLE held = row.failure == HELD ? CreateFileW(original.c_str(), GENERIC_READ, 0, 0, OPEN_EXISTING, 0, 0) : 0;
    heldStandIn = heldBackup = 0;
    holdBackup = row.failure == STUCK_HALF_WAY;
    if (row.failure >= HALF_WAY) StandInReplace = HalfReplace;
    // Stuck half-way, the original's name holds no program: -2, and the
    // backup, the original's only copy, is kept.
    EXPECT_EQ(StandInFinish(&standIn, true), row.failure == STUCK_HALF_WAY ? -2 : -1);
    StandInReplace = 0;
    // Why: the file held (the original, or the stand-in that should take its
    // place), or read-only. A stand-in held past the tries is told.
    if (row.failure == READ_ONLY) {
      EXPECT_EQ(standIn.error, (DWORD)ERROR_FILE_READ_ONLY);
    } else if (row.failure == HELD) {
      EXPECT_EQ(standIn.error, (DWORD)ERROR_SHARING_VIOLATION);
    }
    EXPECT_EQ(standIn.standInLeft, heldStandIn != 0);
    EXPECT_FALSE(standIn.backupLeft);
    for (HANDLE handle : {held, heldStandIn, heldBackup})
      if (handle) CloseHandle(handle);
    // What the test held could not be removed; nothing else is left. A
    // backup that could not be put back is the original's only copy: it stays.
    std::wstring kept = heldBackup ? std::wstring(standIn.backup) : original;
    std::vector<std::string> left = {NameOf(kept)};
    if (heldStandIn) left.push_back(NameOf(path));
    std::sort(left.begin(), left.end());
    EXPECT_EQ(Got(kept), kBytes);
    EXPECT_EQ(Data(kept).dwFileAttributes, row.attributes);
    EXPECT_EQ(NamesBeside(original), left);
  }
}

// Stopped half-way with nothing held: the stand-in takes the empty name, at
// once or once a hold of a second lets go; the backup goes.
HANDLE heldForASecond;
DWORD WINAPI LetGo(LPVOID) {
  Sleep(1000);
  CloseHandle(heldForASecond);
  return 0;
}
BOOL WINAPI HalfReplaceOnly(LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup, DWORD, LPVOID, LPVOID) {
  MoveFileExW(replaced, backup, 0);
  if (holdBackup) {
    heldForASecond = Hold(replacement);
    CloseHandle(CreateThread(0, 0, LetGo, 0, 0, 0));
  }
  SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT_2);
  return FALSE;
}

TEST(StandIn, ReplacementStoppedHalfWayEndsWithThePackedFileUnderTheName) {
  for (bool held : {false, true}) {
    SCOPED_TRACE(held ? "stand-in held for a second" : "nothing held");
    TempDir dir;
    std::wstring original = MakeOriginal(In(dir, kPolish), FILE_ATTRIBUTE_ARCHIVE);
    StandIn standIn;
    ASSERT_EQ(StandInMake(original.c_str(), &standIn), 1);
    Pack(standIn);
    holdBackup = held;
    StandInReplace = HalfReplaceOnly;
    EXPECT_EQ(StandInFinish(&standIn, true), 1);
    StandInReplace = 0;
    EXPECT_EQ(Got(original), "MZ packed");
    EXPECT_EQ(NamesBeside(original), std::vector<std::string>{NameOf(original)});
  }
  holdBackup = false;
}

// The backup held past the tries once the original's name holds the packed
// file (a scanner that reads the old program): it stays, and is told.
BOOL WINAPI ReplaceThenHoldBackup(LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup, DWORD flags, LPVOID, LPVOID) {
  BOOL done = ReplaceFileW(replaced, replacement, backup, flags, 0, 0);
  heldBackup = Hold(backup);
  return done;
}

TEST(StandIn, ABackupHeldPastTheTriesIsLeftAndTold) {
  TempDir dir;
  std::wstring original = MakeOriginal(In(dir, kPolish), FILE_ATTRIBUTE_ARCHIVE);
  StandIn standIn;
  ASSERT_EQ(StandInMake(original.c_str(), &standIn), 1);
  Pack(standIn);
  StandInReplace = ReplaceThenHoldBackup;
  EXPECT_EQ(StandInFinish(&standIn, true), 1);
  StandInReplace = 0;
  CloseHandle(heldBackup);
  EXPECT_TRUE(standIn.backupLeft);
  EXPECT_FALSE(standIn.standInLeft);
  EXPECT_EQ(Got(original), "MZ packed");
  EXPECT_EQ(Got(standIn.backup), kBytes);
  std::vector<std::string> left = {NameOf(original), NameOf(standIn.backup)};
  std::sort(left.begin(), left.end());
  EXPECT_EQ(NamesBeside(original), left);
}

// The packed stand-in is flushed to the disk before it replaces the original;
// a flush that fails (a full disk) leaves the original as it was.
std::wstring flushedPath;
DWORD flushError;
BOOL WINAPI WatchedFlush(HANDLE file) {
  wchar_t path[MAX_PATH] = L"";
  GetFinalPathNameByHandleW(file, path, MAX_PATH, 0);
  flushedPath = path;
  if (!flushError) return FlushFileBuffers(file);
  SetLastError(flushError);
  return FALSE;
}

TEST(StandIn, PackedStandInIsFlushedBeforeItReplaces) {
  for (DWORD error : {(DWORD)0, (DWORD)ERROR_DISK_FULL}) {
    SCOPED_TRACE(error);
    TempDir dir;
    std::wstring original = MakeOriginal(In(dir, kPolish), FILE_ATTRIBUTE_ARCHIVE);
    StandIn standIn;
    ASSERT_EQ(StandInMake(original.c_str(), &standIn), 1);
    std::wstring name = standIn.wideName;
    Pack(standIn);
    flushedPath.clear();
    flushError = error;
    StandInFlush = WatchedFlush;
    EXPECT_EQ(StandInFinish(&standIn, true), error ? -1 : 1);
    StandInFlush = 0;
    ASSERT_GE(flushedPath.size(), name.size());
    EXPECT_EQ(flushedPath.substr(flushedPath.size() - name.size()), name);
    EXPECT_EQ(Got(original), error ? kBytes : "MZ packed");
    if (error) {
      EXPECT_EQ(standIn.error, error);
    }
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

// The request on a replacement stuck half-way: the box names the file that
// holds the original, which is whole, and the stand-in it could not remove.
std::wstring packedFolder;
void PackTheStandIn(const std::string& parameters) {
  size_t open = parameters.find('"'), close = parameters.rfind('"');
  std::wstring path = packedFolder + WideFromUtf8(parameters.substr(open + 1, close - open - 1));
  DeleteFileW(path.c_str());
  Put(path, "MZ packed");
}

TEST(StandIn, TheRequestNamesWhereTheOriginalIsWhenItsNameHoldsNoProgram) {
  if (GetACP() == CP_UTF8) return;  // every name is held there: no stand-in
  TempDir dir;
  std::wstring original = MakeOriginal(In(dir, L"\xD83D\xDE00.exe"), FILE_ATTRIBUTE_ARCHIVE);
  packedFolder = In(dir, L"");
  RequestSeam seam;
  seam.widePath = original;
  seam.realSizes = true;
  seam.onRun = PackTheStandIn;
  heldStandIn = heldBackup = 0;
  holdBackup = true;
  StandInReplace = HalfReplace;
  seam.Run();
  StandInReplace = 0;
  holdBackup = false;
  CloseHandle(heldStandIn);
  CloseHandle(heldBackup);
  ASSERT_EQ(seam.dialogs.size(), 1u);
  EXPECT_EQ(seam.dialogs[0].caption, kErrorCaption);
  EXPECT_EQ(seam.dialogs[0].flags, (UINT)kErrorIcon);
  // "zimbrel-", eight digits, ".exe": the backup, then the stand-in.
  std::string text = seam.dialogs[0].text, atBackup = OriginalAt("zimbrel-");
  ASSERT_EQ(text.substr(0, atBackup.size()), atBackup);
  std::string backup = text.substr(atBackup.size() - 8, 20);
  EXPECT_EQ(backup.substr(16), ".exe");
  std::string removed = NotRemoved("zimbrel-");
  ASSERT_EQ(text.substr(atBackup.size() + 12, removed.size()), removed);
  std::string standInName = text.substr(atBackup.size() + 12 + removed.size() - 8);
  EXPECT_EQ(standInName.size(), 20u);
  EXPECT_NE(standInName, backup);
  EXPECT_EQ(Got(packedFolder + WideFromUtf8(backup)), kBytes);
  EXPECT_EQ(Got(packedFolder + WideFromUtf8(standInName)), "MZ packed");
  std::vector<std::string> left = {backup, standInName};
  std::sort(left.begin(), left.end());
  EXPECT_EQ(NamesBeside(original), left);
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
