// The stand-in's end once the packer has packed it: the original replaced
// by its bytes with its attributes kept, or left whole on every road where the
// replacement fails, with the name of the file that holds it when its own
// name holds no program.
#include "tests/app/stand_in_test_support.h"
#include "tests/app/request_seam.h"
#include "tests/support/expected_texts.h"

namespace {

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

}  // namespace
