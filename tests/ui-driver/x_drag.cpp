// DriverDragFromX of driver.h: a drag from the X side of Wine, made by
// xdnd-drag.py, a Linux program, started from here.
#include "tests/ui-driver/driver.h"

#include <string>

// Wine's own export: a Windows path as the Unix one (UTF-8, on the process heap).
typedef char*(CDECL* UnixFileName)(const wchar_t* dosName);

static std::string UnixPath(UnixFileName unixName, const std::wstring& dosPath) {
  char* name = unixName(dosPath.c_str());
  if (!name) return "";
  std::string result = name;
  HeapFree(GetProcessHeap(), 0, name);
  return result;
}

// One argument of a command line, in double quotes (the items have none).
static std::wstring Quoted(const std::string& utf8) { return L"\"" + WideFromUtf8(utf8) + L"\""; }

// The folder of this program, where the build puts xdnd-drag.py too.
static std::wstring OwnFolder() {
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(0, path, MAX_PATH);
  std::wstring folder(path, n);
  return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

static std::string ReadReport(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, 0, OPEN_EXISTING,
                            0, 0);
  if (file == INVALID_HANDLE_VALUE) return "";
  char text[512];
  DWORD read = 0;
  ReadFile(file, text, sizeof text - 1, &read, 0);
  CloseHandle(file);
  return std::string(text, read);
}

bool DriverDragFromX(const std::string& kind, const std::vector<std::string>& items, POINT at, DWORD timeoutMs,
                     bool* accepted) {
  *accepted = false;
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  UnixFileName unixName = (UnixFileName)(void*)GetProcAddress(kernel, "wine_get_unix_file_name");
  if (!unixName) return DriverFail("a drag from X needs Wine");
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring report = std::wstring(temp) + L"xdnd-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                        std::to_wstring(GetTickCount()) + L".txt";
  DeleteFileW(report.c_str());
  std::wstring line = L"start.exe /unix /usr/bin/python3 " +
                      Quoted(UnixPath(unixName, OwnFolder() + L"xdnd-drag.py")) + L" " +
                      Quoted(UnixPath(unixName, report)) + L" " + std::to_wstring(at.x) + L" " +
                      std::to_wstring(at.y) + L" " + WideFromUtf8(kind);
  for (const std::string& item : items)
    line += L" " + Quoted(kind == "files" ? UnixPath(unixName, WideFromUtf8(item)) : item);

  // Wine's start.exe starts the Linux program, and ends at once: started
  // from this program, the Linux program left it without its standard output
  // now and then (what it wrote after the drag went missing). No process is
  // handed back to wait for: the end of the drag is told by the report.
  STARTUPINFOW start = {};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdInput = start.hStdOutput = start.hStdError = INVALID_HANDLE_VALUE;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(0, &line[0], 0, 0, FALSE, CREATE_NO_WINDOW, 0, 0, &start, &info))
    return DriverFail("could not start xdnd-drag.py (" + std::to_string(GetLastError()) + ")");
  WaitForSingleObject(info.hProcess, timeoutMs);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);

  std::string result;
  DWORD begun = GetTickCount();
  while ((result = ReadReport(report)).empty() && GetTickCount() - begun < timeoutMs) Sleep(20);
  DeleteFileW(report.c_str());
  if (result.empty()) return DriverFail("the drag from X did not end");
  if (result.compare(0, 9, "accepted ") != 0) return DriverFail("the drag from X failed: " + result);
  *accepted = result.compare(0, 10, "accepted 1") == 0;
  return true;
}
