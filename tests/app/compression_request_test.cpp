// The compress request through recording services: which size queries, which
// packer command line and which one box each situation gives.
#include <gtest/gtest.h>

#include "runtime/system/program_runner.h"
#include "tests/app/request_seam.h"
#include "tests/support/expected_texts.h"
#include "tests/support/win_test.h"

namespace {

const char kPath[] = "C:\\work\\app.exe";

void ExpectOneDialog(const RequestSeam& seam, const std::string& caption, const std::string& text, UINT flags) {
  ASSERT_EQ(seam.dialogs.size(), 1u);
  EXPECT_EQ(seam.dialogs[0].caption, caption);
  EXPECT_EQ(seam.dialogs[0].text, text);
  EXPECT_EQ(seam.dialogs[0].flags, flags);
}

TEST(CompressionRequest, EachLevelGivesItsSwitchBeforeTheQuotedPath) {
  struct Row {
    std::vector<LONG> levels;
    std::string expectedSwitch;
    int levelReads;
  };
  // Every level of the list: a numbered one reads the index once more.
  std::vector<Row> rows;
  for (const std::string& expected : kLevelSwitches)
    rows.push_back({{(LONG)rows.size()}, expected, expected[1] == '-' ? 1 : 2});
  // Inside the numbered levels the second answer counts.
  rows.push_back({{3, 5}, "-6 ", 2});
  for (const Row& row : rows) {
    SCOPED_TRACE(row.expectedSwitch);
    RequestSeam seam;
    seam.paths = {kPath};
    seam.levels = row.levels;
    seam.Run();
    ASSERT_EQ(seam.runs.size(), 1u);
    // By its full name beside this program: never looked for elsewhere.
    EXPECT_EQ(seam.runs[0].program, BuildDir() + "\\upx.exe");
    EXPECT_EQ(seam.runs[0].parameters, std::string(row.expectedSwitch) + "\"" + kPath + "\"");
    EXPECT_EQ(seam.runs[0].directory, "");
    EXPECT_TRUE(seam.runs[0].endAsked);
    EXPECT_EQ(std::string(levelSwitch), row.expectedSwitch);
    EXPECT_EQ(seam.levelReads, row.levelReads);
    // Text checked, size checked, size before, command line, size after, size reported.
    EXPECT_EQ(seam.pathReads, 6);
    EXPECT_EQ(seam.sizeQueries, std::vector<std::string>(4, kPath));
    ExpectOneDialog(seam, kReportCaption, Report("900", "500"), kReportIcon);
  }
}

TEST(CompressionRequest, UnknownLevelReusesTheLastSwitchOrNone) {
  levelSwitch[0] = 0;  // as at start-up
  // One past the end of the list as the oracle writes it: a new level makes it move on.
  const LONG pastTheEnd = (LONG)(sizeof kLevelItems / sizeof kLevelItems[0]);
  struct Step {
    LONG level;
    const char* expectedSwitch;
  } steps[] = {{pastTheEnd, ""}, {-1, ""}, {2, "-3 "}, {pastTheEnd, "-3 "}, {10, "--brute "},
               {(LONG)0x80000000, "--brute "}};
  for (const Step& step : steps) {
    SCOPED_TRACE(step.level);
    RequestSeam seam;
    seam.paths = {kPath};
    seam.levels = {step.level};
    seam.Run();
    ASSERT_EQ(seam.runs.size(), 1u);
    EXPECT_EQ(seam.runs[0].parameters, std::string(step.expectedSwitch) + "\"" + kPath + "\"");
    ExpectOneDialog(seam, kReportCaption, Report("900", "500"), kReportIcon);
  }
}

// Each mistake gets its own sentence, checked in the order the rows are
// grouped in: no text, too long, a wildcard or a quote, a folder or a drive,
// no such file, an empty file.
TEST(CompressionRequest, PathsThatNameNoUsableFileAreRefusedWithoutARunAndSayWhy) {
  const std::string a254 = "C:\\" + std::string(254, 'a') + ".exe";
  struct Row {
    const char* name;
    std::vector<std::string> paths;
    int64_t size;
    size_t sizeQueries;
    std::string text;
  } rows[] = {
      {"empty text", {""}, 900, 0, kNoFileText},
      {"only spaces", {"   "}, 900, 0, kNoFileText},
      // Text at the first read, none at the second: a read that failed.
      {"empty at the second read", {kPath, ""}, 900, 0, kNoFileText},
      // Longer than the packer opens: its length and the limit, whatever else is wrong.
      {"260 characters", {"C:\\" + std::string(253, 'a') + ".exe"}, 900, 0, NoFileTooLong(260)},
      {"261 characters", {a254}, 900, 0, NoFileTooLong(261)},
      {"2000 characters", {"C:\\" + std::string(1993, 'a') + ".exe"}, 900, 0, NoFileTooLong(2000)},
      {"too long, with a star", {a254 + "*"}, 900, 0, NoFileTooLong(262)},
      // The packer would expand these itself and rewrite every match.
      {"star", {"C:\\work\\*.exe"}, 900, 0, kNoFileWildcard},
      {"question mark", {"C:\\work\\ap?.exe"}, 900, 0, kNoFileWildcard},
      {"dos star", {"C:\\work\\app<"}, 900, 0, kNoFileWildcard},
      {"dos question mark", {"C:\\work\\app>exe"}, 900, 0, kNoFileWildcard},
      // These would end the quoted argument early.
      {"double quote", {"C:\\work\\app\".exe"}, 900, 0, kNoFileWildcard},
      {"a quote at the end", {"C:\\work\\\""}, -2, 0, kNoFileWildcard},
      {"directory", {"C:\\work"}, -2, 1, kNoFileFolder},
      {"directory and backslash", {"C:\\work\\"}, -2, 1, kNoFileFolder},
      {"drive", {"C:"}, -2, 1, kNoFileFolder},
      {"drive root", {"C:\\"}, -2, 1, kNoFileFolder},
      {"missing file", {kPath}, -1, 1, kNoFileMissing},
      // The size query would still find the file before the backslash.
      {"trailing backslash", {"C:\\work\\app.exe\\"}, 900, 1, kNoFileMissing},
      {"empty file", {kPath}, 0, 1, kNoFileEmpty},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    lstrcpyA(levelSwitch, "--best ");
    sizeBefore = 12345;
    RequestSeam seam;
    seam.paths = row.paths;
    seam.sizeBeforeRun = row.size;
    seam.Run();
    EXPECT_EQ(seam.sizeQueries.size(), row.sizeQueries);
    EXPECT_TRUE(seam.runs.empty());
    ExpectOneDialog(seam, kNoFileCaption, row.text, kNoFileIcon);
    // A refused request leaves both variables as they were.
    EXPECT_STREQ(levelSwitch, "--best ");
    EXPECT_EQ(sizeBefore, 12345);
  }
}

TEST(CompressionRequest, NullOrChangedPathTextNeverReachesThePacker) {
  {
    RequestSeam seam;
    seam.nullPath = true;
    seam.Run();
    EXPECT_TRUE(seam.sizeQueries.empty());
    EXPECT_TRUE(seam.runs.empty());
    ExpectOneDialog(seam, kNoFileCaption, kNoFileText, kNoFileIcon);
  }
  {
    // Good when checked, a pattern by the time the command line is built.
    RequestSeam seam;
    seam.paths = {kPath, kPath, kPath, "C:\\work\\*.exe"};
    seam.Run();
    EXPECT_TRUE(seam.runs.empty());
    ExpectOneDialog(seam, kNoFileCaption, kNoFileText, kNoFileIcon);
  }
}

TEST(CompressionRequest, PathIsHandedOverExactlyAsTyped) {
  std::vector<std::string> paths = {
      "C:\\" + std::string(252, 'a') + ".exe",  // 259 characters, the longest taken
      "C:\\Program Files\\my app.exe",
      "C:\\" + HeldNonAscii("m\xE9rt\xE9k\\\xE1rv\xEDzt\xFBr\xF5 t\xFCk\xF6rf\xFAr\xF3g\xE9p.exe"),
      "\\\\server\\share\\app.exe",
      "app.exe",
  };
  // Japanese (932): a name that ends in the letter "\x83\x5C" (katakana so),
  // whose second byte is that of '\', has no closing backslash.
  if (GetACP() == 932) paths.push_back("C:\\work\\\x83\x5C");
  ASSERT_EQ(paths[0].size(), 259u);
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    RequestSeam seam;
    seam.paths = {path};
    seam.levels = {9};
    seam.Run();
    ASSERT_EQ(seam.runs.size(), 1u);
    EXPECT_EQ(seam.runs[0].parameters, "--best \"" + path + "\"");
    EXPECT_EQ(seam.sizeQueries, std::vector<std::string>(4, path));
    ExpectOneDialog(seam, kReportCaption, Report("900", "500"), kReportIcon);
  }
}

TEST(CompressionRequest, PackerThatDoesNotStartKeepsThisRequestsSwitch) {
  lstrcpyA(levelSwitch, "--best ");
  RequestSeam seam;
  seam.paths = {kPath};
  seam.levels = {3};
  seam.runResult = 0;
  seam.Run();
  EXPECT_EQ(seam.runs.size(), 1u);
  ExpectOneDialog(seam, kErrorCaption, kPackerMissing, kErrorIcon);
  EXPECT_STREQ(levelSwitch, "-4 ");
  EXPECT_EQ(sizeBefore, 900);
  EXPECT_EQ(seam.sizeQueries.size(), 2u);  // nothing is measured after a failed start
}

TEST(CompressionRequest, SizeAfterTheRunChoosesWarningOrReport) {
  const int64_t GiB = 1LL << 30;
  struct Row {
    int64_t before, after;
    bool warning;
    const char* shownBefore;
    const char* shownAfter;
    LONG low32Before;
  } rows[] = {
      {900, 900, true, "", "", 900},
      {900, 500, false, "900", "500", 900},
      {900, -1, false, "900", "-1", 900},  // the file is gone
      {900, 1000, false, "900", "1000", 900},
      {2147483647, 2147483647, true, "", "", 2147483647},
      // From 2 GiB on the whole size counts: unchanged is unchanged ...
      {3 * GiB, 3 * GiB, true, "", "", (LONG)0xC0000000},
      {2 * GiB, 2 * GiB, true, "", "", (LONG)0x80000000},
      // ... and a change hidden in the high bits is still a change.
      {4 * GiB + 900, 900, false, "4294968196", "900", 900},
      {3 * GiB, 2 * GiB + 5, false, "3221225472", "2147483653", (LONG)0xC0000000},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.before);
    RequestSeam seam;
    seam.paths = {kPath};
    seam.sizeBeforeRun = row.before;
    seam.sizeAfterRun = row.after;
    seam.Run();
    EXPECT_EQ(seam.runs.size(), 1u);
    EXPECT_EQ(sizeBeforeFull, row.before);
    EXPECT_EQ(sizeBefore, row.low32Before);
    if (row.warning)
      ExpectOneDialog(seam, kErrorCaption, kUnchanged, kErrorIcon);
    else
      ExpectOneDialog(seam, kReportCaption, Report(row.shownBefore, row.shownAfter), kReportIcon);
  }
}

// A real sparse file of 3 GiB measured by the real size query; only the run is
// played by the test, which leaves the file alone or cuts it to 2 GiB + 5.
TEST(CompressionRequest, FileOfThreeGibibytesIsMeasuredWhole) {
  TempDir dir;
  static std::string big;
  big = dir.file("big.exe");
  ASSERT_TRUE(MakeSizedFile(big, 3LL << 30));
  struct Row {
    void (*onRun)(const std::string&);
    std::string caption, text;
  } rows[] = {
      {[](const std::string&) {}, kErrorCaption, kUnchanged},
      {[](const std::string&) { MakeSizedFile(big, (2LL << 30) + 5); }, kReportCaption,
       Report("3221225472", "2147483653")},
  };
  for (const Row& row : rows) {
    ASSERT_TRUE(MakeSizedFile(big, 3LL << 30));
    RequestSeam seam;
    seam.paths = {big};
    seam.realSizes = true;
    seam.onRun = row.onRun;
    seam.Run();
    EXPECT_EQ(seam.runs.size(), 1u);
    EXPECT_EQ(sizeBeforeFull, 3LL << 30);
    ExpectOneDialog(seam, row.caption, row.text, row.caption == kReportCaption ? kReportIcon : kErrorIcon);
  }
}

}  // namespace

// The size decides between report and warning; what the packer wrote on its
// error stream and how it ended choose only the warning's words. The lines
// are the packer's own (UPX 3.94), as it writes them for each case.
TEST(CompressionRequest, ThePackersReasonOrItsCancelChoosesTheWarningsWords) {
  struct Row {
    std::string line;
    DWORD exitCode;
    std::string text;
  } rows[] = {
      {"upx: C:\\work\\app.exe: AlreadyPackedException: already packed by UPX", 2, kUnchanged},
      {"upx: C:\\work\\app.exe: IOException: file is write protected -- skipped", 1, kWriteProtected},
      {"upx: C:\\work\\app.exe: IOException: C:\\work\\app.exe: Permission denied", 1, kInUse},
      {"upx: C:\\work\\app.exe: CantPackException: .NET files are not yet supported", 1, kDotNet},
      {"upx: C:\\work\\app.exe: IOException: file is too small -- skipped", 1, kTooSmall},
      {"upx: C:\\work\\app.exe: UnknownExecutableFormatException", 1, kUnknownFormat},
      {"upx: C:\\work\\app.exe: CantPackException: file is possibly packed/protected (try --force)", 1, kProtected},
      {"upx: C:\\work\\app.exe: NotCompressibleException", 2, kNotCompressible},
      // The name of a file held open repeats in the message: its words do not count.
      {"upx: C:\\too small\\write protected.exe: IOException: C:\\too small\\write protected.exe: Permission denied",
       1, kInUse},
      // Reasons of no row: the packer's message, or its kind when it has none;
      // what is not printable ASCII shows as '?'.
      {"upx: C:\\work\\app.exe: CantPackException: superfluous data between sections", 1,
       PackerSaid("superfluous data between sections")},
      {"upx: C:\\work\\app.exe: InternalError", 1, PackerSaid("InternalError")},
      {"upx: C:\\work\\app.exe: IOException: r\xE9sz\ttab", 1, PackerSaid("r?sz?tab")},
      // No reason: not of the packer's form, or nothing at all.
      {"", 0, kUnchanged},
      {"", 1, kUnchanged},
      {"something went wrong", 1, kUnchanged},
      {"upx: C:\\work\\app.exe", 1, kUnchanged},
      {"upx: C:\\work\\app.exe: ", 1, kUnchanged},
      // Ended as a console program whose window was closed: cancelled, whatever it said.
      {"", 0xC000013A, kCancelled},
      {"upx: C:\\work\\app.exe: NotCompressibleException", 0xC000013A, kCancelled},
      // A crash is no cancel.
      {"", 0xC0000005, kUnchanged},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line + " / " + std::to_string(row.exitCode));
    RequestSeam seam;
    seam.paths = {kPath};
    seam.sizeAfterRun = seam.sizeBeforeRun;
    seam.errorLine = row.line;
    seam.exitCode = row.exitCode;
    seam.Run();
    // A cancel is no error: its own caption and the information icon.
    bool cancel = row.text == kCancelled;
    ExpectOneDialog(seam, cancel ? kCancelledCaption : kErrorCaption, row.text, cancel ? kCancelledIcon : kErrorIcon);
  }
  // A file that shrank is reported, whatever the packer said.
  RequestSeam seam;
  seam.paths = {kPath};
  seam.errorLine = "upx: C:\\work\\app.exe: NotCompressibleException";
  seam.exitCode = 0xC000013A;
  seam.Run();
  ExpectOneDialog(seam, kReportCaption, Report("900", "500"), kReportIcon);
}

// The packer's temporary file, as a packer ended from outside leaves it: its
// name is the file's with the last extension replaced by ".upx", or by ".000"
// and on when that is taken. The run that leaves the one it could have made
// was cancelled, and only that file goes; a crash that leaves it is no cancel.
// Once the packer has removed the file, the temporary file is the packed
// program: it takes the file's name back, whatever the run's end, and the
// sizes are reported. One that another program holds longer than the tries
// stays, and the box names it.
TEST(CompressionRequest, TemporaryFileLeftByTheRunMeansCancelledAndGoes) {
  TempDir dir;
  static std::string leaves, file;
  static bool removes, holds;
  static HANDLE held;
  struct Row {
    std::string file, before, left;   // names in dir: the file, one there before the run, one the run leaves
    DWORD exitCode;
    std::string caption, text;
    bool removes = false;  // the run removes the file (the packer's second step)
    bool holds = false;    // another program holds the file it leaves, for longer than the tries
  } rows[] = {
      {"app.exe", "", "app.upx", 0, kCancelledCaption, kCancelled},
      {"app.exe", "app.upx", "app.000", 0, kCancelledCaption, kCancelled},
      {"my.app.exe", "", "my.app.upx", 1, kCancelledCaption, kCancelled},
      {"noext", "", "noext.upx", 0, kCancelledCaption, kCancelled},
      {"app.exe", "", "app.upx", 0xC0000005, kErrorCaption, kUnchanged},   // crashed
      {"app.exe", "app.upx", "", 0, kErrorCaption, kUnchanged},            // left nothing: the old one stays
      {"app.exe", "", "app.000", 0, kErrorCaption, kUnchanged},            // not a name this run would make
      // The file removed: the temporary file is the packed program, however the run ended.
      {"app.exe", "", "app.upx", 0xC000013A, kReportCaption, Report("900", "4"), true},
      {"app.exe", "", "app.upx", 0, kReportCaption, Report("900", "4"), true},
      {"app.exe", "", "app.upx", 0xC0000005, kReportCaption, Report("900", "4"), true},
      {"app.exe", "app.upx", "app.000", 0xC000013A, kReportCaption, Report("900", "4"), true},
      // Held: the unfinished copy, and the packed program, named.
      {"app.exe", "", "app.upx", 0xC000013A, kCancelledCaption, kCancelled + NotRemoved("app.upx"), false, true},
      {"app.exe", "", "app.upx", 0xC000013A, kErrorCaption, PackedAt("app.upx"), true, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.file + " / " + row.before + " / " + row.left + " / " + row.text);
    ASSERT_TRUE(WriteBytes(dir.file(row.file), std::string(900, 'z')));
    if (!row.before.empty()) {
      ASSERT_TRUE(WriteBytes(dir.file(row.before), "old"));
    }
    leaves = row.left.empty() ? "" : dir.file(row.left);
    file = dir.file(row.file);
    removes = row.removes, holds = row.holds, held = INVALID_HANDLE_VALUE;
    RequestSeam seam;
    seam.paths = {file};
    seam.realSizes = true;
    seam.exitCode = row.exitCode;
    seam.onRun = [](const std::string&) {
      if (!leaves.empty()) WriteBytes(leaves, "half");
      if (removes) DeleteFileA(file.c_str());
      if (holds) held = CreateFileA(leaves.c_str(), GENERIC_READ, 0, 0, OPEN_EXISTING, 0, 0);
    };
    DWORD start = GetTickCount();
    seam.Run();
    DWORD took = GetTickCount() - start;
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    UINT icon = row.caption == kReportCaption      ? kReportIcon
                : row.caption == kCancelledCaption ? kCancelledIcon
                                                   : kErrorIcon;
    ExpectOneDialog(seam, row.caption, row.text, icon);
    // The file the run left stays only when it is not this run's, or held.
    bool stays = (row.left == "app.000" && row.text == kUnchanged) || row.holds;
    EXPECT_EQ(GetFileAttributesA(leaves.c_str()) != INVALID_FILE_ATTRIBUTES, stays);
    // The packed program is under the file's name; a held one is there after 2 s of tries.
    std::string now;
    EXPECT_EQ(ReadBytes(file, &now), !(row.removes && row.holds));
    if (row.removes && !row.holds) {
      EXPECT_EQ(now, "half");
    }
    if (row.holds) {
      EXPECT_GE(took, 1900u);
    }
    if (!row.before.empty()) {
      std::string old;
      EXPECT_TRUE(ReadBytes(dir.file(row.before), &old));
      EXPECT_EQ(old, "old");
      DeleteFileA(dir.file(row.before).c_str());
    }
    DeleteFileA(leaves.c_str());
    DeleteFileA(dir.file(row.file).c_str());
  }
}
