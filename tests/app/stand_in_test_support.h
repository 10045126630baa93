// What the stand-in's tests share: files with given bytes, times and
// attributes in a test's folder, what a folder holds, and a watch on the
// stand-in's link call.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/stand_in.h"
#include "tests/support/utf8.h"
#include "tests/support/win_test.h"

inline const wchar_t kPolish[] = L"\x0141\x00F3" L"d\x017A.exe";  // Łódź.exe
inline const std::string kBytes = "MZ the original's own bytes";
inline const FILETIME kWritten = {0x12345600, 0x01D00000};  // a day in 2014

// A file's path in a test's folder.
inline std::wstring In(const TempDir& dir, const std::wstring& name) { return WideFromUtf8(dir.file("")) + name; }

// A new file of bytes at path, its last write put at lastWrite when given.
inline bool Put(const std::wstring& path, const std::string& bytes, const FILETIME* lastWrite = 0) {
  ScopedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, 0, CREATE_ALWAYS, 0, 0));
  DWORD written = 0;
  return file.get() != INVALID_HANDLE_VALUE && WriteFile(file.get(), bytes.data(), (DWORD)bytes.size(), &written, 0) &&
         written == bytes.size() && (!lastWrite || SetFileTime(file.get(), 0, 0, lastWrite));
}

// The file's bytes; "(missing)" when it cannot be opened.
inline std::string Got(const std::wstring& path) {
  ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0,
                                OPEN_EXISTING, 0, 0));
  if (file.get() == INVALID_HANDLE_VALUE) return "(missing)";
  char buffer[256];
  DWORD got = 0;
  ReadFile(file.get(), buffer, sizeof buffer, &got, 0);
  return std::string(buffer, got);
}

inline WIN32_FILE_ATTRIBUTE_DATA Data(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  data.dwFileAttributes = INVALID_FILE_ATTRIBUTES;
  GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
  return data;
}

// The names in the folder of path, sorted, as UTF-8: what a stand-in's end
// must leave there is the original alone.
inline std::vector<std::string> NamesBeside(const std::wstring& path) {
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
inline std::wstring MakeOriginal(const std::wstring& path, DWORD attributes) {
  EXPECT_TRUE(Put(path, kBytes, &kWritten));
  EXPECT_TRUE(SetFileAttributesW(path.c_str(), attributes));
  return path;
}

inline DWORD LinkCount(const std::wstring& path) {
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
  static inline LinkWatch* current;
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

inline std::string NameOf(const std::wstring& path) { return Utf8FromWide(path.substr(path.rfind(L'\\') + 1)); }
