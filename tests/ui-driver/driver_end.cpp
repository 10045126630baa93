// The UI driver's file dialog, the program's end, console windows, counts of
// processes, windows and consoles, and texts escaped for a script (driver.h).
#include "tests/ui-driver/driver_internal.h"

#include <tlhelp32.h>

// ---- the file dialog ------------------------------------------------------------------

HWND DriverWaitFileDialog(const DriverApp* app, DWORD timeoutMs) {
  HWND found = 0;
  if (!WaitFor([&] {
        std::vector<HWND> dialogs = DialogsOf(app->processId, false);
        found = dialogs.empty() ? 0 : dialogs[0];
        return found != 0;
      }, timeoutMs)) {
    Fail("no file dialog appeared");
    return 0;
  }
  return found;
}

static BOOL CALLBACK FindNameBox(HWND child, LPARAM lParam) {
  // The file name box: the visible edit of the dialog (inside a combo box on
  // some systems), not the one of the folder list's label editing.
  HWND* found = (HWND*)lParam;
  std::string cls = ClassOf(child);
  if (!lstrcmpiA(cls.c_str(), "Edit") && IsWindowVisible(child)) {
    std::string parent = ClassOf(GetParent(child));
    if (parent == "#32770" || !lstrcmpiA(parent.c_str(), "ComboBox") || !lstrcmpiA(parent.c_str(), "ComboBoxEx32")) {
      *found = child;
      return FALSE;
    }
  }
  return TRUE;
}

bool DriverChooseFile(HWND dialog, const std::string& path, DWORD timeoutMs) {
  HWND nameBox = 0;
  if (!WaitFor([&] {
        nameBox = 0;
        EnumChildWindows(dialog, FindNameBox, (LPARAM)&nameBox);
        return nameBox != 0;
      }, timeoutMs))
    return Fail("the file dialog has no file name box");
  DWORD_PTR result = 0;
  const std::wstring name = WideFromUtf8(path);
  if (!SendMessageTimeoutW(nameBox, WM_SETTEXT, 0, (LPARAM)name.c_str(), SMTO_ABORTIFHUNG, timeoutMs, &result))
    return Fail("the file name box did not take the name");
  return PressDialogButton(dialog, IDOK, timeoutMs);
}

bool DriverCancelFileDialog(HWND dialog, DWORD timeoutMs) { return PressDialogButton(dialog, IDCANCEL, timeoutMs); }

// ---- the end ----------------------------------------------------------------------------

bool DriverClose(DriverApp* app, bool systemMenu) {
  BOOL posted = systemMenu ? PostMessageA(app->window, WM_SYSCOMMAND, SC_CLOSE, 0)
                           : PostMessageA(app->window, WM_CLOSE, 0, 0);
  if (!posted) return Fail("the window is gone");
  return true;
}

bool DriverWaitExit(DriverApp* app, DWORD timeoutMs, DWORD* exitCode) {
  if (!app->process) return Fail("no program attached");
  if (WaitForSingleObject(app->process, timeoutMs) != WAIT_OBJECT_0) return Fail("the program did not end");
  DWORD code = 0;
  GetExitCodeProcess(app->process, &code);
  *exitCode = code;
  return true;
}

struct ConsoleSearch {
  const char* exeName;
  HWND found;
};

// Windows' console windows are of class ConsoleWindowClass, Wine's of WineConsoleClass.
static BOOL CALLBACK FindConsole(HWND window, LPARAM lParam) {
  ConsoleSearch* search = (ConsoleSearch*)lParam;
  std::string cls = ClassOf(window);
  if (!IsWindowVisible(window) || (cls != "ConsoleWindowClass" && cls != "WineConsoleClass")) return TRUE;
  char title[MAX_PATH] = "";
  GetWindowTextA(window, title, sizeof title);
  std::string name = title;
  size_t n = lstrlenA(search->exeName);
  if (name.size() < n || lstrcmpiA(name.c_str() + name.size() - n, search->exeName)) return TRUE;
  search->found = window;
  return FALSE;
}

HWND DriverFindConsole(const char* exeName, DWORD timeoutMs) {
  ConsoleSearch search = {exeName, 0};
  if (!WaitFor([&] { return EnumWindows(FindConsole, (LPARAM)&search), search.found != 0; }, timeoutMs))
    Fail(std::string("no console window of ") + exeName + " appeared");
  return search.found;
}

int DriverCountNewConsoles() {
  FILETIME since, unused, created;
  if (!GetProcessTimes(GetCurrentProcess(), &since, &unused, &unused, &unused)) return -1;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    if (lstrcmpiA(BaseName(entry.szExeFile), "conhost.exe")) continue;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
    if (!process) continue;  // ended meanwhile
    if (GetProcessTimes(process, &created, &unused, &unused, &unused) && CompareFileTime(&created, &since) >= 0)
      count++;
    CloseHandle(process);
  }
  CloseHandle(snapshot);
  return count;
}

int DriverCountProcesses(const char* exeName) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
    if (!lstrcmpiA(BaseName(entry.szExeFile), exeName)) count++;
  CloseHandle(snapshot);
  return count;
}

bool DriverMessagesHandled(const DriverApp* app, DWORD timeoutMs) {
  // Posted messages are handled in the order they were posted, whichever
  // window of the thread they are for. The path field's text limit is made
  // one less, and its own value posted back: once the field has it again,
  // everything posted before it was handled, and nothing is left changed.
  DWORD_PTR limit = 0, unused;
  if (!SendMessageTimeoutW(app->pathField, EM_GETLIMITTEXT, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &limit) ||
      limit < 2 ||
      !SendMessageTimeoutW(app->pathField, EM_SETLIMITTEXT, limit - 1, 0, SMTO_ABORTIFHUNG, timeoutMs, &unused) ||
      !PostMessageW(app->pathField, EM_SETLIMITTEXT, limit, 0))
    return Fail("the path field does not answer");
  if (!WaitFor([&] {
        DWORD_PTR now = 0;
        return SendMessageTimeoutW(app->pathField, EM_GETLIMITTEXT, 0, 0, SMTO_ABORTIFHUNG, 1000, &now) &&
               now == limit;
      }, timeoutMs))
    return Fail("the program did not handle the messages posted to it");
  return true;
}

struct WindowCount {
  DWORD processId;
  int count;
};

static BOOL CALLBACK CountWindow(HWND window, LPARAM lParam) {
  WindowCount* c = (WindowCount*)lParam;
  if (ProcessOf(window) == c->processId) c->count++;
  return TRUE;
}

int DriverCountWindows(DWORD processId) {
  WindowCount c = {processId, 0};
  EnumWindows(CountWindow, (LPARAM)&c);
  return c.count;
}

bool DriverProcessRunning(DWORD processId) {
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
  if (!process) return false;
  bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return running;
}

// ---- texts ---------------------------------------------------------------------------------

std::string DriverEscape(const std::string& bytes) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else if (c == '\\') out += "\\\\";
    else if (c < 32 || c >= 128) {
      out += "\\x";
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += (char)c;
    }
  }
  return out;
}

static int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string DriverUnescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); i++) {
    char c = text[i];
    if (c != '\\' || i + 1 == text.size()) {
      out += c;
      continue;
    }
    char next = text[++i];
    if (next == 'r') out += '\r';
    else if (next == 'n') out += '\n';
    else if (next == 't') out += '\t';
    else if (next == 'x' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
      out += (char)(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    } else if (next == '\\') out += '\\';
    else {
      out += '\\';
      out += next;
    }
  }
  return out;
}
