// The compress request with nothing played by the test: the real size query,
// the real runner starting the real packer (or the stand-in), the real box.
#include <gtest/gtest.h>

#include "app/compression_request.h"
#include "tests/support/expected_texts.h"
#include "tests/support/win_test.h"

namespace {

struct Chosen {
  std::string path;
  LONG level;
};
PathText ChosenPath(void* c) { return RawPath(((Chosen*)c)->path.c_str()); }
LONG ChosenLevel(void* c) { return ((Chosen*)c)->level; }

// One request in this process; upx.exe is found beside the test program.
std::vector<SeenBox> Request(const std::string& path, LONG level) {
  Chosen chosen = {path, level};
  BoxCatcher catcher;
  CompressionRequest({ChosenPath, ChosenLevel, &chosen});
  return catcher.boxes();
}

// The probe's hex back into bytes: the UTF-8 of what its box showed.
std::string Unhex(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes += (char)std::stoi(hex.substr(i, 2), nullptr, 16);
  return bytes;
}

// One request in another process, request-probe.exe copied into `folder`
// (UTF-16, any letters), so that the packer is looked for there; run in
// `directory` (null: that folder). The path is in the system's code page.
std::vector<SeenBox> ProbeRequestIn(const std::wstring& folder, const std::string& path, LONG level,
                                    const wchar_t* directory = nullptr) {
  std::wstring probe = folder + L"\\request-probe.exe";
  EXPECT_TRUE(CopyFileW(WideFromUtf8(BuildDir() + "\\request-probe.exe").c_str(), probe.c_str(), FALSE));
  std::string output;
  std::wstring line = L"\"" + probe + L"\" " + std::to_wstring(level) + L" \"" +
                      WideFromUtf8(Utf8FromCodePage(CP_ACP, path)) + L"\"";
  long code = RunAndWait(line, 60000, &output, directory ? directory : folder.c_str());
  std::vector<SeenBox> boxes;
  size_t at = 0;
  while ((at = output.find("box ", at)) != std::string::npos) {
    SeenBox box;
    size_t line1 = output.find('\n', at), line2 = output.find('\n', line1 + 1), line3 = output.find('\n', line2 + 1);
    if (line3 == std::string::npos) break;
    sscanf(output.c_str() + at, "box %ld %d", &box.icon, &box.buttons);
    box.caption = Unhex(output.substr(line1 + 1, line2 - line1 - 1));
    box.text = Unhex(output.substr(line2 + 1, line3 - line2 - 1));
    boxes.push_back(box);
    at = line3;
  }
  EXPECT_EQ(code, (long)boxes.size()) << output;
  return boxes;
}

// The same for a folder in the system's code page.
std::vector<SeenBox> ProbeRequest(const std::string& folder, const std::string& path, LONG level) {
  return ProbeRequestIn(WideFromUtf8(Utf8FromCodePage(CP_ACP, folder)), path, level);
}

void ExpectBox(const std::vector<SeenBox>& boxes, const std::string& caption, const std::string& text, LONG icon) {
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, caption);
  EXPECT_EQ(boxes[0].text, text);
  EXPECT_EQ(boxes[0].icon, icon);
  EXPECT_EQ(boxes[0].buttons, 1);
}

std::string Bytes(const std::string& path) {
  std::string bytes;
  EXPECT_TRUE(ReadBytes(path, &bytes)) << path;
  return bytes;
}

// A real PE32 program to pack: one of the build's own helpers (about 100 KiB).
const char kProgram[] = "fake-upx.exe";

TEST(RequestEndToEnd, PacksARealProgramAtEachLevelAndThenRefusesToPackItAgain) {
  TempDir dir;
  std::string folder = dir.file("pr\xF3\x62\x61 mappa");
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), 0));
  std::string original = Bytes(BuildDir() + "\\" + kProgram);
  ASSERT_GT(original.size(), 20000u);
  struct Row {
    const char* item;
    LONG level;
    size_t packedSize;
  } rows[] = {{"Szint 1", 0, 0}, {"Jobb", 9, 0}, {"Max", 10, 0}};
  for (Row& row : rows) {
    SCOPED_TRACE(row.item);
    std::string path = folder + "\\\xE1rv\xEDzt\xFBr\xF5 " + std::to_string(row.level) + ".exe";
    ASSERT_TRUE(WriteBytes(path, original));
    std::vector<SeenBox> boxes = Request(path, row.level);
    std::string packed = Bytes(path);
    ExpectBox(boxes, kReportCaption, Report(original.size(), packed.size()), kReportIcon);
    row.packedSize = packed.size();
    EXPECT_LT(packed.size(), original.size());
    EXPECT_EQ(packed.substr(0, 2), "MZ");
    EXPECT_NE(packed.find("UPX!"), std::string::npos);

    // Already packed: the packer refuses, the size stays, the bytes too.
    ExpectBox(Request(path, row.level), kErrorCaption, kUnchanged, kErrorIcon);
    EXPECT_TRUE(Bytes(path) == packed);
  }
  // The levels reached the packer: the fastest packs least tightly.
  EXPECT_GT(rows[0].packedSize, rows[1].packedSize);
  EXPECT_LE(rows[2].packedSize, rows[1].packedSize);
}

// A copy of a PE32 program with one thing changed, as the packer reads it.
uint32_t At32(const std::string& pe, size_t at) {
  uint32_t v = 0;
  memcpy(&v, pe.data() + at, 4);
  return v;
}
// The optional header's start: the data directories are at +96, the section
// table follows the header.
size_t OptionalHeader(const std::string& pe) { return At32(pe, 0x3C) + 24; }

// Entry `index` of the data directories set to a place and size in the image:
// 14 says "a .NET program", 15 (reserved) what protectors set.
std::string WithDirectory(std::string pe, int index) {
  uint32_t entry[2] = {0x1000, 0x48};
  memcpy(&pe[OptionalHeader(pe) + 96 + 8 * index], entry, sizeof entry);
  return pe;
}

// The code and the debug sections made random bytes: nothing is left that
// packs smaller, while the imports and the rest stay readable.
std::string WithNoise(std::string pe) {
  size_t optional = OptionalHeader(pe);
  size_t table = optional + (At32(pe, optional - 4) & 0xFFFF);   // SizeOfOptionalHeader
  unsigned count = At32(pe, optional - 18) & 0xFFFF;            // NumberOfSections
  uint32_t seed = 12345;
  for (unsigned i = 0; i < count; ++i) {
    std::string name = pe.substr(table + 40 * i, 8);
    if (name.compare(0, 5, ".text") != 0 && name[0] != '/') continue;
    uint32_t size = At32(pe, table + 40 * i + 16), start = At32(pe, table + 40 * i + 20);
    for (uint32_t j = start; j < start + size && j < pe.size(); ++j) {
      seed = seed * 1103515245 + 12345;
      pe[j] = (char)(seed >> 16);
    }
  }
  return pe;
}

// Each refusal of the real packer gives its own words, and the file keeps its
// bytes. (The line each case makes the packer write is in the comment.)
TEST(RequestEndToEnd, EachRefusalOfTheRealPackerSaysWhy) {
  TempDir dir;
  const std::string program = Bytes(BuildDir() + "\\" + kProgram);
  std::string text;
  for (int i = 0; i < 2000; ++i) text += "line " + std::to_string(i) + " of a text that is no program\r\n";
  enum Hold { NONE, READ_ONLY, HELD_OPEN };
  struct Row {
    const char* name;
    std::string bytes;
    Hold hold;
    std::string text;
  } rows[] = {
      // IOException: file is write protected -- skipped
      {"read-only.exe", program, READ_ONLY, kWriteProtected},
      // IOException: <file>: Permission denied
      {"held open.exe", program, HELD_OPEN, kInUse},
      // CantPackException: .NET files are not yet supported
      {"dotnet.exe", WithDirectory(program, 14), NONE, kDotNet},
      // CantPackException: file is possibly packed/protected (try --force)
      {"protected.exe", WithDirectory(program, 15), NONE, kProtected},
      // IOException: file is too small -- skipped
      {"tiny.exe", program.substr(0, 300), NONE, kTooSmall},
      // UnknownExecutableFormatException
      {"notes.exe", text, NONE, kUnknownFormat},
      // NotCompressibleException
      {"noise.exe", WithNoise(program), NONE, kNotCompressible},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::string path = dir.file(row.name);
    ASSERT_TRUE(WriteBytes(path, row.bytes));
    HANDLE held = INVALID_HANDLE_VALUE;
    if (row.hold == READ_ONLY) {
      ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    }
    if (row.hold == HELD_OPEN) held = CreateFileA(path.c_str(), GENERIC_READ, 0, 0, OPEN_EXISTING, 0, 0);
    ExpectBox(Request(path, 9), kErrorCaption, row.text, kErrorIcon);
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(Bytes(path) == row.bytes);
  }
  // Nothing but the files themselves is left in the folder (the packer's
  // temporary files are gone).
  EXPECT_EQ(FolderEntries(dir.path()).size(), sizeof rows / sizeof rows[0]);
}

TEST(RequestEndToEnd, PackerMissingFromTheProgramsFolder) {
  TempDir dir;
  std::string original = Bytes(BuildDir() + "\\" + kProgram);
  std::string path = dir.file("app.exe");
  ASSERT_TRUE(WriteBytes(path, original));
  ExpectBox(ProbeRequest(dir.path(), path, 9), kErrorCaption, kPackerMissing, kErrorIcon);
  EXPECT_TRUE(Bytes(path) == original);

  // A "upx.exe" planted in the current directory, and one in a folder on
  // PATH: the stand-in packer, which would log its run beside itself and
  // shrink the file. Neither runs; the box says that the packer is missing.
  const std::wstring folder = WideFromUtf8(Utf8FromCodePage(CP_ACP, dir.path()));
  const std::string current = dir.file("current"), onPath = dir.file("on path");
  for (const std::string& planted : {current, onPath}) {
    ASSERT_TRUE(CreateDirectoryA(planted.c_str(), 0));
    ASSERT_TRUE(CopyFileTo(BuildDir() + "\\fake-upx.exe", planted + "\\upx.exe"));
  }
  char searched[32767];
  DWORD length = GetEnvironmentVariableA("PATH", searched, sizeof searched);
  ASSERT_LT(length, sizeof searched);
  const struct {
    const char* where;
    std::string directory, path;
  } plants[] = {{"in the current directory", current, searched}, {"on PATH", dir.path(), onPath + ";" + searched}};
  for (const auto& plant : plants) {
    SCOPED_TRACE(plant.where);
    SetEnvironmentVariableA("PATH", plant.path.c_str());
    std::wstring directory = WideFromUtf8(Utf8FromCodePage(CP_ACP, plant.directory));
    std::vector<SeenBox> planted = ProbeRequestIn(folder, path, 9, directory.c_str());
    SetEnvironmentVariableA("PATH", searched);
    ExpectBox(planted, kErrorCaption, kPackerMissing, kErrorIcon);
    EXPECT_TRUE(Bytes(path) == original);
    EXPECT_FALSE(FileExists(current + "\\fake-upx.log"));
    EXPECT_FALSE(FileExists(onPath + "\\fake-upx.log"));
  }

  // With upx.exe put beside it, the same program in the same folder packs the file.
  ASSERT_TRUE(CopyFileTo(BuildDir() + "\\upx.exe", dir.file("upx.exe")));
  std::vector<SeenBox> boxes = ProbeRequest(dir.path(), path, 9);
  size_t packedSize = Bytes(path).size();
  ExpectBox(boxes, kReportCaption, Report(original.size(), packedSize), kReportIcon);
  EXPECT_LT(packedSize, original.size());

  // So too in a folder whose name no code page holds whole, its full name
  // given to the system in UTF-16: the real packer beside it packs, not the
  // one planted in the current directory.
  const std::wstring unheld = folder + L"\\\x0109 \x4E2D \xD83D\xDE00";
  ASSERT_TRUE(CreateDirectoryW(unheld.c_str(), 0));
  ASSERT_TRUE(CopyFileW(WideFromUtf8(BuildDir() + "\\upx.exe").c_str(), (unheld + L"\\upx.exe").c_str(), FALSE));
  ASSERT_TRUE(WriteBytes(path, original));
  std::wstring directory = WideFromUtf8(Utf8FromCodePage(CP_ACP, current));
  boxes = ProbeRequestIn(unheld, path, 9, directory.c_str());
  std::string packed = Bytes(path);
  ExpectBox(boxes, kReportCaption, Report(original.size(), packed.size()), kReportIcon);
  EXPECT_LT(packed.size(), original.size());
  EXPECT_NE(packed.find("UPX!"), std::string::npos);
  EXPECT_FALSE(FileExists(current + "\\fake-upx.log"));
}

// The stand-in packer beside the probe, in each of its ways of ending: the
// report or the warning follows from the file's size alone, never from how the
// packer ended; what it wrote on its error stream and how it ended choose the
// warning's words; and the packer gets the command line it should.
TEST(RequestEndToEnd, OutcomeFollowsTheFileSizeWhateverThePackerDid) {
  struct Row {
    const char* mode;
    std::string error;   // the line of its "error" step
    std::string caption, text;
  } rows[] = {
      {"shrink 500", "", kReportCaption, Report(900, 500)},
      {"sleep 300 shrink 400", "", kReportCaption, Report(900, 400)},
      {"grow 100", "", kReportCaption, Report(900, 1000)},
      {"truncate", "", kReportCaption, Report(900, 0)},
      {"delete", "", kReportCaption, Report(900, -1)},
      {"keep", "", kErrorCaption, kUnchanged},
      {"exit 3", "", kErrorCaption, kUnchanged},
      {"crash", "", kErrorCaption, kUnchanged},
      {"error shrink 500", "upx: my app.exe: NotCompressibleException", kReportCaption, Report(900, 500)},
      {"error keep", "upx: my app.exe: OddException: the packer's own words", kErrorCaption,
       PackerSaid("the packer's own words")},
      {"error exit 1", "upx: my app.exe: OddException", kErrorCaption, PackerSaid("OddException")},
      // A megabyte on the error stream neither stops the packer on a full
      // pipe nor loses the box; the first line is the one that counts.
      {"spew 1 keep", "", kErrorCaption, kUnchanged},
      {"error spew 1 exit 1", "upx: my app.exe: IOException: file is too small -- skipped", kErrorCaption,
       kTooSmall},
      // The disk filled up while it wrote its temporary file.
      {"error exit 1", "upx: my app.exe: IOException: write error: No space left on device", kErrorCaption,
       kDiskFull},
      // Ended as Windows ends a console program whose window its user closed:
      // a cancel, which is no error.
      {"exit 3221225786", "", kCancelledCaption, kCancelled},
      // Left its temporary file, as Wine's packer does when its console is closed.
      {"temp", "", kCancelledCaption, kCancelled},
      // A crash is no cancel, though it left the temporary file.
      {"temp crash", "", kErrorCaption, kUnchanged},
      // Ended after it removed the file and before it renamed its temporary
      // file, the packed program: that takes the file's name, however it ended.
      {"temp 300 delete exit 3221225786", "", kReportCaption, Report(900, 300)},
      {"temp 300 delete", "", kReportCaption, Report(900, 300)},
      {"temp 300 delete crash", "", kReportCaption, Report(900, 300)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.mode);
    TempDir dir;
    ASSERT_TRUE(CopyFileTo(BuildDir() + "\\fake-upx.exe", dir.file("upx.exe")));
    ASSERT_TRUE(WriteBytes(dir.file("fake-upx.mode"), row.mode));
    ASSERT_TRUE(WriteBytes(dir.file("fake-upx.error"), row.error));
    std::string path = dir.file("my app.exe");
    ASSERT_TRUE(WriteBytes(path, std::string(900, 'z')));
    LONG icon = row.caption == kErrorCaption    ? kErrorIcon
                : row.caption == kReportCaption ? kReportIcon
                                                : kCancelledIcon;
    ExpectBox(ProbeRequest(dir.path(), path, 0), row.caption, row.text, icon);
    EXPECT_EQ(Bytes(dir.file("fake-upx.log")), "\"upx.exe\" -1 \"" + path + "\"\r\n");
    if (row.caption != kReportCaption) {
      EXPECT_TRUE(Bytes(path) == std::string(900, 'z'));
    }
    // The packed program left as the temporary file is the file now.
    if (row.text == Report(900, 300)) {
      EXPECT_TRUE(Bytes(path) == "half" + std::string(296, '\0'));
    }
    // The temporary file it left is gone.
    EXPECT_FALSE(FileExists(dir.file("my app.upx")));
  }
}

}  // namespace
