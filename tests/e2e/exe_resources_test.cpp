// What Windows reads from zimbrel.exe before and beside its code: the version
// details Explorer shows, the manifest the loader acts on, and no icon.
#include <gtest/gtest.h>
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tests/e2e/program_fixture.h"
#include "tests/support/win_test.h"

namespace {

// Written here by hand: a wrong byte in the program's resources fails.
const char kProductName[] = "Zimbrel";
const char kFileDescription[] = "Zimbrel - a small window for the UPX executable packer";
const char kLegalCopyright[] = "Copyright (c) 2026 the Zimbrel developers";  // LICENSE's line
const char kOriginalFilename[] = "zimbrel.exe";
const char kInternalName[] = "zimbrel";
// US English, Unicode strings: the one block the version details carry.
const WORD kLanguage = 0x0409, kCodePage = 1200;
const char kStringBlock[] = "\\StringFileInfo\\040904B0\\";

std::string ProgramPath() { return BuildDir() + "\\zimbrel.exe"; }

// A file of the source tree, given as CMake names it (ZIMBREL_SOURCE_DIR).
// Under Wine that is a Unix path, which Wine's own kernel32 turns into the
// drive path it is reached through; on Windows it is one already.
std::wstring SourceFile(const std::string& relative) {
  std::string path = std::string(ZIMBREL_SOURCE_DIR) + "/" + relative;
  typedef WCHAR*(CDECL * UnixToDos)(const char*);
  FARPROC found = GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name");
  if (found && path[0] == '/') {
    WCHAR* dos = reinterpret_cast<UnixToDos>(reinterpret_cast<void (*)()>(found))(path.c_str());
    if (dos) {
      std::wstring result = dos;
      HeapFree(GetProcessHeap(), 0, dos);
      return result;
    }
  }
  return std::wstring(path.begin(), path.end());
}

bool ReadSourceFile(const std::string& relative, std::string* bytes) {
  ScopedHandle file(CreateFileW(SourceFile(relative).c_str(), GENERIC_READ, FILE_SHARE_READ, 0, OPEN_EXISTING, 0, 0));
  if (file.get() == INVALID_HANDLE_VALUE) return false;
  bytes->clear();
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &got, 0) && got) bytes->append(buffer, got);
  return true;
}

// The four numbers of the version written in VERSION ("1.0" is 1.0.0.0); false
// when its first line is not one to four numbers joined by dots.
bool VersionFromFile(WORD numbers[4]) {
  std::string text;
  if (!ReadSourceFile("VERSION", &text)) return false;
  text = text.substr(0, text.find_first_of("\r\n"));
  int count = 0;
  size_t start = 0;
  for (;;) {
    size_t dot = text.find('.', start);
    std::string digits = text.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
    if (count == 4 || digits.empty() || digits.size() > 5 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
      return false;
    unsigned long value = std::stoul(digits);
    if (value > 0xFFFF) return false;
    numbers[count++] = (WORD)value;
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  for (int i = count; i < 4; ++i) numbers[i] = 0;
  return true;
}

// The program's version details, as Explorer reads them.
class VersionDetails {
 public:
  explicit VersionDetails(const std::string& path) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (!size) return;
    data_.resize(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, data_.data())) data_.clear();
  }
  bool present() const { return !data_.empty(); }
  const VS_FIXEDFILEINFO* fixed() {
    void* value = 0;
    UINT length = 0;
    if (!VerQueryValueA(data_.data(), "\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO)) return nullptr;
    return static_cast<const VS_FIXEDFILEINFO*>(value);
  }
  // The (language, code page) pairs of VarFileInfo\Translation.
  std::vector<std::pair<WORD, WORD>> translations() {
    std::vector<std::pair<WORD, WORD>> pairs;
    void* value = 0;
    UINT length = 0;
    if (!VerQueryValueA(data_.data(), "\\VarFileInfo\\Translation", &value, &length)) return pairs;
    const WORD* words = static_cast<const WORD*>(value);
    for (UINT i = 0; i + 1 < length / sizeof(WORD); i += 2) pairs.emplace_back(words[i], words[i + 1]);
    return pairs;
  }
  // A string of the US English block; "<missing>" when there is none.
  std::string text(const char* name) {
    void* value = 0;
    UINT length = 0;
    std::string key = std::string(kStringBlock) + name;
    if (!VerQueryValueA(data_.data(), key.c_str(), &value, &length) || !value) return "<missing>";
    return static_cast<const char*>(value);
  }

 private:
  std::vector<char> data_;
};

// One element of a manifest: where it sits (the names from the root, joined
// by '/'), its attributes and the text right after its start tag.
struct Element {
  std::string path;
  std::map<std::string, std::string> attributes;
  std::string text;
};

// The elements of an XML text in document order. Enough of XML for a
// manifest: the declaration, comments, elements and quoted attributes. A text
// that is not well formed in that sense (a tag not closed, an end tag that is
// not the open element's) gives false: Windows refuses to start a program
// whose manifest it cannot read.
bool ParseElements(const std::string& xml, std::vector<Element>* elements, std::string* error) {
  std::vector<std::string> open;
  size_t at = 0;
  for (;;) {
    size_t start = xml.find('<', at);
    if (start == std::string::npos) break;
    if (xml.compare(start, 4, "<!--") == 0) {
      size_t end = xml.find("-->", start);
      if (end == std::string::npos) return *error = "a comment is not closed", false;
      at = end + 3;
      continue;
    }
    size_t end = xml.find('>', start);
    if (end == std::string::npos) return *error = "a tag is not closed", false;
    std::string tag = xml.substr(start + 1, end - start - 1);
    at = end + 1;
    if (tag[0] == '?') continue;
    if (tag[0] == '/') {
      std::string name = tag.substr(1);
      if (open.empty() || open.back() != name) return *error = "</" + name + "> closes no open element", false;
      open.pop_back();
      continue;
    }
    bool empty = tag.back() == '/';
    if (empty) tag.pop_back();
    size_t nameEnd = tag.find_first_of(" \t\r\n");
    Element element;
    std::string name = tag.substr(0, nameEnd);
    for (const std::string& outer : open) element.path += outer + "/";
    element.path += name;
    size_t i = nameEnd;
    while (i != std::string::npos && i < tag.size()) {
      i = tag.find_first_not_of(" \t\r\n", i);
      if (i == std::string::npos) break;
      size_t equals = tag.find('=', i);
      if (equals == std::string::npos || equals + 1 >= tag.size() || tag[equals + 1] != '"')
        return *error = "an attribute of <" + name + "> is not name=\"value\"", false;
      size_t close = tag.find('"', equals + 2);
      if (close == std::string::npos) return *error = "an attribute of <" + name + "> is not closed", false;
      element.attributes[tag.substr(i, equals - i)] = tag.substr(equals + 2, close - equals - 2);
      i = close + 1;
    }
    if (!empty) element.text = xml.substr(at, xml.find('<', at) - at);
    elements->push_back(element);
    if (!empty) open.push_back(name);
  }
  if (!open.empty()) return *error = "<" + open.back() + "> is not closed", false;
  return true;
}

// The elements at path.
std::vector<Element> At(const std::vector<Element>& elements, const std::string& path) {
  std::vector<Element> found;
  for (const Element& e : elements)
    if (e.path == path) found.push_back(e);
  return found;
}

std::string Lower(std::string s) {
  for (char& c : s) c = (char)std::tolower((unsigned char)c);
  return s;
}

// The full path of the module named name (lower case, "comctl32.dll") in
// process; "" when it has none loaded.
std::string ModulePath(HANDLE process, const std::string& name) {
  HMODULE modules[512];
  DWORD needed = 0;
  if (!EnumProcessModules(process, modules, sizeof modules, &needed)) return "";
  for (DWORD i = 0; i < needed / sizeof(HMODULE) && i < 512; ++i) {
    char path[MAX_PATH] = "";
    if (!GetModuleFileNameExA(process, modules[i], path, MAX_PATH)) continue;
    std::string full = Lower(path);
    size_t slash = full.find_last_of('\\');
    if (full.substr(slash == std::string::npos ? 0 : slash + 1) == name) return full;
  }
  return "";
}

// zimbrel.exe loaded for its resources alone (none of its code runs).
class ResourceImage {
 public:
  ResourceImage() : module_(LoadLibraryExA(ProgramPath().c_str(), 0, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
  ~ResourceImage() {
    if (module_) FreeLibrary(module_);
  }
  ResourceImage(const ResourceImage&) = delete;
  ResourceImage& operator=(const ResourceImage&) = delete;
  HMODULE get() const { return module_; }
  // The names of the resources of one type, as text ("#1" for a number).
  std::vector<std::string> Names(LPCSTR type) const {
    std::vector<std::string> names;
    EnumResourceNamesA(module_, type, AddName, reinterpret_cast<LONG_PTR>(&names));
    return names;
  }

 private:
  static BOOL CALLBACK AddName(HMODULE, LPCSTR, LPSTR name, LONG_PTR names) {
    reinterpret_cast<std::vector<std::string>*>(names)->push_back(
        IS_INTRESOURCE(name) ? "#" + std::to_string((UINT_PTR)name) : std::string(name));
    return TRUE;
  }
  HMODULE module_;
};

}  // namespace

TEST(ExeResources, VersionDetailsGiveTheVersionFileNumbersAndTheProductTexts) {
  WORD version[4];
  ASSERT_TRUE(VersionFromFile(version)) << "VERSION (in " << ZIMBREL_SOURCE_DIR << ") holds no version";
  std::string versionText = std::to_string(version[0]) + "." + std::to_string(version[1]) + "." +
                            std::to_string(version[2]) + "." + std::to_string(version[3]);

  VersionDetails details(ProgramPath());
  ASSERT_TRUE(details.present()) << "zimbrel.exe has no version details (error " << GetLastError() << ")";
  const VS_FIXEDFILEINFO* fixed = details.fixed();
  ASSERT_TRUE(fixed);
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), version[0]);
  EXPECT_EQ(LOWORD(fixed->dwFileVersionMS), version[1]);
  EXPECT_EQ(HIWORD(fixed->dwFileVersionLS), version[2]);
  EXPECT_EQ(LOWORD(fixed->dwFileVersionLS), version[3]);
  EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
  EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
  // A released program: no debug, pre-release, patched or private build.
  EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u);
  EXPECT_EQ(fixed->dwFileOS, (DWORD)VOS_NT_WINDOWS32);
  EXPECT_EQ(fixed->dwFileType, (DWORD)VFT_APP);

  std::vector<std::pair<WORD, WORD>> expectedTranslations = {{kLanguage, kCodePage}};
  EXPECT_EQ(details.translations(), expectedTranslations);
  EXPECT_EQ(details.text("FileVersion"), versionText);
  EXPECT_EQ(details.text("ProductVersion"), versionText);
  EXPECT_EQ(details.text("ProductName"), kProductName);
  EXPECT_EQ(details.text("FileDescription"), kFileDescription);
  EXPECT_EQ(details.text("LegalCopyright"), kLegalCopyright);
  EXPECT_EQ(details.text("OriginalFilename"), kOriginalFilename);
  EXPECT_EQ(details.text("InternalName"), kInternalName);
}

TEST(ExeResources, ManifestBindsCommonControls6RunsAsInvokerAndNamesVistaTo11) {
  ResourceImage image;
  ASSERT_TRUE(image.get()) << "zimbrel.exe did not load as a resource file (error " << GetLastError() << ")";
  HRSRC found = FindResourceA(image.get(), MAKEINTRESOURCEA(1), RT_MANIFEST);
  ASSERT_TRUE(found) << "no manifest (RT_MANIFEST number 1)";
  HGLOBAL loaded = LoadResource(image.get(), found);
  ASSERT_TRUE(loaded);
  const char* bytes = static_cast<const char*>(LockResource(loaded));
  ASSERT_TRUE(bytes);
  std::string manifest(bytes, SizeofResource(image.get(), found));

  std::vector<Element> elements;
  std::string error;
  ASSERT_TRUE(ParseElements(manifest, &elements, &error)) << error << "\n" << manifest;
  ASSERT_FALSE(elements.empty());
  EXPECT_EQ(elements[0].path, "assembly");
  EXPECT_EQ(elements[0].attributes["xmlns"], "urn:schemas-microsoft-com:asm.v1");
  EXPECT_EQ(elements[0].attributes["manifestVersion"], "1.0");

  // Common controls 6: the themed controls (see the running program below).
  std::vector<Element> dependencies = At(elements, "assembly/dependency/dependentAssembly/assemblyIdentity");
  ASSERT_EQ(dependencies.size(), 1u) << manifest;
  std::map<std::string, std::string> controls = {{"type", "win32"},
                                                 {"name", "Microsoft.Windows.Common-Controls"},
                                                 {"version", "6.0.0.0"},
                                                 {"processorArchitecture", "x86"},
                                                 {"publicKeyToken", "6595b64144ccf1df"},
                                                 {"language", "*"}};
  EXPECT_EQ(dependencies[0].attributes, controls);

  // Started as the user who starts it: no elevation prompt, and no guessing
  // from its name whether it is an installer.
  std::vector<Element> trust = At(elements, "assembly/trustInfo");
  ASSERT_EQ(trust.size(), 1u) << manifest;
  EXPECT_EQ(trust[0].attributes["xmlns"], "urn:schemas-microsoft-com:asm.v3");
  std::vector<Element> level = At(elements, "assembly/trustInfo/security/requestedPrivileges/requestedExecutionLevel");
  ASSERT_EQ(level.size(), 1u) << manifest;
  std::map<std::string, std::string> asInvoker = {{"level", "asInvoker"}, {"uiAccess", "false"}};
  EXPECT_EQ(level[0].attributes, asInvoker);

  // Written for Windows Vista, 7, 8, 8.1 and 10/11.
  std::vector<Element> compatibility = At(elements, "assembly/compatibility");
  ASSERT_EQ(compatibility.size(), 1u) << manifest;
  EXPECT_EQ(compatibility[0].attributes["xmlns"], "urn:schemas-microsoft-com:compatibility.v1");
  std::vector<std::string> systems;
  for (const Element& e : At(elements, "assembly/compatibility/application/supportedOS"))
    systems.push_back(Lower(e.attributes.count("Id") ? e.attributes.at("Id") : "<no Id>"));
  std::sort(systems.begin(), systems.end());
  std::vector<std::string> expected = {
      "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // 8.1
      "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // 7
      "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // 8
      "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // 10 and 11
      "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  // Vista
  };
  EXPECT_EQ(systems, expected);

  // Sharp at every display scale: DPI-aware, per monitor where the system
  // knows it (8.1 on), version 2 where it knows that (10 1703 on).
  std::vector<Element> aware = At(elements, "assembly/application/windowsSettings/dpiAware");
  ASSERT_EQ(aware.size(), 1u) << manifest;
  EXPECT_EQ(aware[0].attributes["xmlns"], "http://schemas.microsoft.com/SMI/2005/WindowsSettings");
  EXPECT_EQ(aware[0].text, "true/pm");
  std::vector<Element> awareness = At(elements, "assembly/application/windowsSettings/dpiAwareness");
  ASSERT_EQ(awareness.size(), 1u) << manifest;
  EXPECT_EQ(awareness[0].attributes["xmlns"], "http://schemas.microsoft.com/SMI/2016/WindowsSettings");
  EXPECT_EQ(awareness[0].text, "PerMonitorV2, PerMonitor");
  EXPECT_EQ(At(elements, "assembly/application")[0].attributes["xmlns"], "urn:schemas-microsoft-com:asm.v3");
}

TEST(ExeResources, CarriesTheManifestAndVersionDetailsOnceAndNoIcon) {
  ResourceImage image;
  ASSERT_TRUE(image.get()) << "zimbrel.exe did not load as a resource file (error " << GetLastError() << ")";
  // The same enumeration finds the resources that are there...
  EXPECT_EQ(image.Names(RT_MANIFEST), std::vector<std::string>{"#1"});
  EXPECT_EQ(image.Names(RT_VERSION), std::vector<std::string>{"#1"});
  // ...and no icon, neither the group Explorer picks from nor an image.
  EXPECT_EQ(image.Names(RT_GROUP_ICON), std::vector<std::string>{});
  EXPECT_EQ(image.Names(RT_ICON), std::vector<std::string>{});
}

// The manifest as the loader reads it: the program starts, and its common
// controls are version 6 from the side-by-side store (WinSxS), not the older
// ones of the system folder, which a program gets when the loader finds no
// usable manifest in it.
class ExeResourcesRunTest : public ProgramTest {};

TEST_F(ExeResourcesRunTest, RunsWithTheSideBySideCommonControls6ItsManifestNames) {
  Start();
  std::string controls = ModulePath(app.process, "comctl32.dll");
  EXPECT_NE(controls.find("\\winsxs\\x86_microsoft.windows.common-controls_6595b64144ccf1df_6."), std::string::npos)
      << "comctl32.dll of the running program: \"" << controls << "\"";
  CloseAndExpectCleanEnd();
}
