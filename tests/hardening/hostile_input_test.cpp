// Thousands of random texts in the path field of the real program, each
// followed by a press of the compress button, with the stand-in as the
// packer: every text gives exactly one box, the packer runs only for a text
// that names a real, non-empty file (and then exactly once, for that text, with
// the box its size calls for), and no file outside the test folder changes.
//
// Texts are made by a seeded generator (ZIMBREL_HARDENING_SEED, printed), so a
// run can be repeated: random bytes of code page 1250 from 0 to 2,000 long,
// path-like texts with quotes, wildcards, backslashes, colons and trailing
// spaces, the test folder's files named plainly or with such decorations, and
// patterns aimed at files outside the folder. The generator works in code
// page 1250 and each text goes to the driver as the letters its bytes stand
// for there (UTF-8), so a seed makes the same letters on every system. Most
// texts are put into the field whole (WM_SETTEXT) and the button is pressed
// with a posted click; a sample of printable texts is typed with real keys
// and pressed with the real mouse. The program reads the field as UTF-16,
// and so does this test to tell whether a text names a real file; a name that
// the system's code page cannot hold goes to the packer as a stand-in's.
#include <random>

#include "tests/e2e/program_fixture.h"
#include "tests/hardening/hardening.h"

namespace {

enum Kind { RANDOM_BYTES, PATH_LIKE, DECORATED_FILE, PLAIN_FILE, AIMED_OUTSIDE, KINDS };
const char* const KIND_NAMES[KINDS] = {"random bytes", "path-like", "decorated file", "plain file", "aimed outside"};

// Size, time of last change and presence of a file, for the files that must
// not change.
struct Snapshot {
  std::string path;
  long long size;
  FILETIME written;
};

std::vector<Snapshot> Take(const std::vector<std::string>& paths) {
  std::vector<Snapshot> shots;
  for (const std::string& p : paths) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    Snapshot s = {p, -1, {}};
    if (GetFileAttributesExA(p.c_str(), GetFileExInfoStandard, &data)) {
      s.size = ((long long)data.nFileSizeHigh << 32) | data.nFileSizeLow;
      s.written = data.ftLastWriteTime;
    }
    shots.push_back(s);
  }
  return shots;
}

std::vector<std::string> FilesIn(const std::string& folder, const char* pattern = "*") {
  std::vector<std::string> files;
  WIN32_FIND_DATAA found;
  HANDLE h = FindFirstFileA((folder + "\\" + pattern).c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return files;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files.push_back(folder + "\\" + found.cFileName);
  } while (FindNextFileA(h, &found));
  FindClose(h);
  return files;
}

class TextMaker {
 public:
  TextMaker(unsigned seed, const std::string& folder, const std::vector<std::string>& names, const std::string& outside)
      : rng_(seed), folder_(folder), names_(names), outside_(outside) {}

  std::string Next(Kind* kind) {
    int roll = Pick(0, 99);
    *kind = roll < 30 ? RANDOM_BYTES : roll < 55 ? PATH_LIKE : roll < 80 ? DECORATED_FILE : roll < 90 ? PLAIN_FILE
                                                                                                   : AIMED_OUTSIDE;
    switch (*kind) {
      case RANDOM_BYTES: return RandomBytes(Length(), 1);
      case PATH_LIKE: return PathLike();
      case DECORATED_FILE: return Decorate(AFile());
      case PLAIN_FILE: return AFile();
      default: return AimedOutside();
    }
  }

  // A text a person could type: printable bytes only, and short.
  std::string NextTypeable(Kind* kind) {
    for (;;) {
      std::string text = Next(kind);
      if (text.size() > 120) continue;
      bool typeable = true;
      for (unsigned char c : text)
        if (c < 32 || c == 127 || c == 0x81 || c == 0x83 || c == 0x88 || c == 0x90 || c == 0x98) typeable = false;
      if (typeable) return text;
    }
  }

  int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }

 private:
  // 0 to 2,000: mostly short, often around the 260 that a path may have.
  size_t Length() {
    int roll = Pick(0, 99);
    if (roll < 35) return Pick(0, 20);
    if (roll < 70) return Pick(21, 300);
    return Pick(301, 2000);
  }

  std::string RandomBytes(size_t n, int lowest) {
    std::string s;
    for (size_t i = 0; i < n; i++) s += (char)Pick(lowest, 255);
    return s;
  }

  std::string PathLike() {
    static const char* const prefixes[] = {"", "C:\\", "C:", "\\", "\\\\", ".\\", "..\\", "\\\\?\\", "\\\\.\\", "Z:\\",
                                           "c:/", "\"", " "};
    static const char alphabet[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 ._-~"
        "\xE1\xE9\xED\xF3\xF6\xF5\xFA\xFC\xFB\xC1\xC9\xD6\xD5\xDC\xDB\x8A\x9A\x8E\x9E"
        "\"*?\\:/<>|. \\\\";
    int which = Pick(0, 14);
    std::string s = which < 13 ? prefixes[which] : which == 13 ? folder_ + "\\" : outside_ + "\\";
    size_t n = Length();
    for (size_t i = 0; i < n; i++) s += alphabet[Pick(0, sizeof alphabet - 2)];
    return s + Suffix();
  }

  std::string Suffix() {
    static const char* const suffixes[] = {"", "", "", " ", "   ", "*", "?", "\\", ":", "\"", ".exe", ".exe ", "*.exe", ":x"};
    return suffixes[Pick(0, sizeof suffixes / sizeof *suffixes - 1)];
  }

  // Upper case in code page 1250, whatever the system's code page.
  static std::string Upper(const std::string& s) {
    std::wstring wide = WideFromUtf8(Utf8FromCodePage(1250, s));
    if (!wide.empty()) CharUpperBuffW(&wide[0], (DWORD)wide.size());
    std::string bytes(s.size(), '\0');
    int n = WideCharToMultiByte(1250, 0, wide.data(), (int)wide.size(), &bytes[0], (int)bytes.size(), 0, 0);
    return n == (int)s.size() ? bytes : s;
  }

  std::string AFile() {
    const std::string& name = names_[Pick(0, (int)names_.size() - 1)];
    return Pick(0, 2) ? folder_ + "\\" + name : name;  // relative to the program's folder, its working directory
  }

  std::string Decorate(std::string s) {
    int steps = Pick(1, 3);
    for (int i = 0; i < steps; i++) {
      switch (Pick(0, 14)) {
        case 0: s = "\"" + s + "\""; break;
        case 1: s = "\"" + s; break;
        case 2: s += "\""; break;
        case 3: s += std::string(Pick(1, 5), ' '); break;
        case 4: s += "*"; break;
        case 5:
          if (s.size() > 3) s[Pick(3, (int)s.size() - 1)] = '?';
          break;
        case 6: s += "\\"; break;
        case 7: s += Pick(0, 1) ? ":" : ":x"; break;
        case 8: s = ".\\" + s; break;
        case 9:
          for (char& c : s)
            if (c == '\\') c = '/';
          break;
        case 10: s = Upper(s); break;
        case 11: s += "."; break;
        case 12: s += std::string(Pick(1, 1990), ' '); break;
        case 13: s = std::string(Pick(1, 3), ' ') + s; break;
        default: s.insert(s.find_last_of('\\') == std::string::npos ? 0 : s.find_last_of('\\') + 1, "sub\\..\\"); break;
      }
    }
    return s;
  }

  // Something that might reach the files outside, yet names none of them:
  // a wildcard, a quote, an angle or a trailing backslash is always in it.
  std::string AimedOutside() {
    static const char* const patterns[] = {"*.exe", "decoy?.exe", "d*", "*", "decoy.exe\\", "\"decoy.exe\"",
                                           "decoy.exe*", "<decoy.exe", "decoy.exe>", "decoy.exe\"", "dec*y.exe",
                                           "..\\*\\decoy.exe", "\"decoy.exe", "decoy.ex?", "*\\"};
    std::string s = outside_ + "\\" + patterns[Pick(0, sizeof patterns / sizeof *patterns - 1)];
    return s + std::string(Pick(0, 1) ? Pick(0, 3) : 0, ' ');
  }

  std::mt19937 rng_;
  std::string folder_;
  std::vector<std::string> names_;
  std::string outside_;
};

unsigned Seed() {
  char value[32] = "";
  if (GetEnvironmentVariableA("ZIMBREL_HARDENING_SEED", value, sizeof value)) return (unsigned)strtoul(value, 0, 10);
  return 20240601;
}

// A file of the test folder, named by the letters its name (code page 1250,
// as the generator's texts) stands for, whether the system's code page holds them or not.
bool WriteNamed(const std::string& path, const std::string& bytes) {
  ScopedHandle f(CreateFileW(WideFromUtf8(Utf8FromCodePage(1250, path)).c_str(), GENERIC_WRITE, 0, 0, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, 0));
  if (f.get() == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  return WriteFile(f.get(), bytes.data(), (DWORD)bytes.size(), &written, 0) && written == bytes.size();
}

class HostileInputTest : public ProgramTest {};

TEST_F(HostileInputTest, EachTextGivesOneBoxAndOnlyARealFileIsPacked) {
  const int texts = Amount(120, 3000), typedEvery = Amount(40, 100);
  TempDir outside, logs;
  // The files of the test folder that texts name, plainly or not (code page 1250).
  const std::vector<std::string> names = {"app.exe", "my app.exe", "\xE1rv\xEDzt\xFBr\xF5.exe", "a",
                                          "empty.exe", "sub", "sub\\inner.exe", "x.exe.exe"};
  ASSERT_TRUE(CreateDirectoryA(dir.file("sub").c_str(), 0));
  for (const std::string& name : names) {
    if (name != "sub") {
      ASSERT_TRUE(WriteNamed(dir.file(name), name == "empty.exe" ? "" : std::string(1000, 'q')));
    }
  }
  for (const char* decoy : {"decoy.exe", "decoy2.exe", "d.txt", "deco.exe"})
    ASSERT_TRUE(WriteBytes(outside.file(decoy), std::string(3000, 'd')));

  // Files outside the test folder that no text may change.
  std::vector<std::string> watched = FilesIn(outside.path());
  for (const std::string& f : FilesIn(BuildDir(), "*.exe")) watched.push_back(f);
  char system[MAX_PATH];
  GetSystemDirectoryA(system, MAX_PATH);
  for (const char* f : {"notepad.exe", "cmd.exe", "kernel32.dll", "user32.dll"}) watched.push_back(std::string(system) + "\\" + f);
  std::vector<Snapshot> before = Take(watched);
  size_t outsideFiles = FilesIn(outside.path()).size();

  std::string log = logs.file("packer.log");
  SetEnvironmentVariableA("ZIMBREL_FAKE_UPX_LOG", log.c_str());
  UseFakePacker("grow 1");
  Start();
  // The program works in its own folder, so relative texts are looked up there by this test too.
  char ownFolder[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, ownFolder);
  SetCurrentDirectoryA(dir.path().c_str());

  unsigned seed = Seed();
  printf("[ hardening ] seed %u (ZIMBREL_HARDENING_SEED repeats a run)\n", seed);
  TextMaker maker(seed, dir.path(), names, outside.path());
  int perKind[KINDS] = {}, runs = 0, refusedRealFiles = 0, changedByField = 0, typedWithKeys = 0;
  size_t logLines = 0;
  for (int i = 0; i < texts && !HasFatalFailure(); i++) {
    Kind kind;
    bool realKeys = i % typedEvery == typedEvery - 1;
    std::string text = Utf8FromCodePage(1250, realKeys ? maker.NextTypeable(&kind) : maker.Next(&kind));
    SCOPED_TRACE("text " + std::to_string(i) + " (" + KIND_NAMES[kind] + ", " + std::to_string(text.size()) +
                 " bytes): " + DriverEscape(text.substr(0, 120)));
    perKind[kind]++;
    app.input = realKeys ? DRIVER_INPUT_REAL : DRIVER_INPUT_SET_TEXT;
    typedWithKeys += realKeys;
    bool keep = maker.Pick(0, 3) == 0;
    ASSERT_TRUE(WriteBytes(dir.file("fake-upx.mode"), keep ? "keep" : "grow 1"));

    bool same = DriverTypeText(&app, text, WAIT_MS);
    std::string field = DriverFieldText(&app);
    if (!same) {
      // The field changes some texts (line breaks, say): what it holds is what is compressed.
      changedByField++;
      ASSERT_NE(kind, PLAIN_FILE) << DriverError();
    }
    // The field's text as the program reads it: in one pair of quotes (a
    // quote first and last, none between) the path inside them; without the
    // spaces around it (and then a pair of quotes inside them) when only so
    // it names a file.
    WIN32_FILE_ATTRIBUTE_DATA data;
    auto namesFile = [&data](const std::string& path) {
      return !path.empty() && WideFromUtf8(path).size() < MAX_PATH &&
             GetFileAttributesExW(WideFromUtf8(path).c_str(), GetFileExInfoStandard, &data) &&
             !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    };
    auto unquoted = [](const std::string& text) {
      bool pair = text.size() >= 2 && text.front() == '"' && text.back() == '"' && text.find('"', 1) == text.size() - 1;
      return pair ? text.substr(1, text.size() - 2) : text;
    };
    std::string inside = unquoted(field);
    size_t from = inside.find_first_not_of(' '), to = inside.find_last_not_of(' ');
    std::string trimmed = from == std::string::npos ? "" : unquoted(inside.substr(from, to + 1 - from));
    if (!namesFile(inside) && namesFile(trimmed)) inside = trimmed;
    std::string path;
    bool held = AnsiFromUtf8(inside, &path);
    bool exists = !inside.empty() && GetFileAttributesExW(WideFromUtf8(inside).c_str(), GetFileExInfoStandard, &data);
    long long size = exists ? ((long long)data.nFileSizeHigh << 32) | data.nFileSizeLow : -1;
    bool realFile = exists && !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && size > 0;

    DriverBox box = CompressForOneBox();
    std::vector<std::string> lines = FileLines(log);
    ASSERT_LE(lines.size(), logLines + 1) << "the packer ran more than once";
    bool ran = lines.size() == logLines + 1;
    logLines = lines.size();
    if (ran) {
      runs++;
      EXPECT_TRUE(realFile) << "the packer ran for a text that names no non-empty file";
      if (held) EXPECT_EQ(lines.back(), "\"upx.exe\" --best \"" + path + "\"");
      else EXPECT_EQ(lines.back().substr(0, 26), "\"upx.exe\" --best \"zimbrel-") << "a stand-in's name";
      if (keep) {
        EXPECT_EQ(box.caption, kErrorCaption);
        EXPECT_EQ(box.text, kUnchanged);
      } else {
        EXPECT_EQ(box.caption, kReportCaption);
        EXPECT_EQ(box.text, Report(size, size + 1));
      }
    } else {
      ExpectSomeNoUsableFileBox(box);
      EXPECT_TRUE(!realFile || kind != PLAIN_FILE) << "a plain, real file was refused";
      refusedRealFiles += realFile;
    }
  }
  SetCurrentDirectoryA(ownFolder);
  CloseAndExpectCleanEnd();

  std::vector<Snapshot> after = Take(watched);
  for (size_t i = 0; i < before.size(); i++) {
    SCOPED_TRACE(before[i].path);
    EXPECT_EQ(after[i].size, before[i].size);
    EXPECT_EQ(CompareFileTime(&after[i].written, &before[i].written), 0);
  }
  EXPECT_EQ(FilesIn(outside.path()).size(), outsideFiles);
  printf("[ hardening ] %d texts (%d typed with real keys, %d changed by the field), %d packer runs, %d texts naming "
         "a real file refused for their form\n",
         texts, typedWithKeys, changedByField, runs, refusedRealFiles);
  for (int k = 0; k < KINDS; k++) printf("[ hardening ]   %s: %d\n", KIND_NAMES[k], perKind[k]);
  EXPECT_GT(runs, 0);
}

}  // namespace
