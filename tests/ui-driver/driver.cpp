// The UI driver of driver.h, working on the driven program from outside it:
// its errors, finding and attaching to the program, reading its controls.
// Input is driver_input.cpp; message boxes driver_box.cpp and their icons
// driver_icon.cpp; the file dialog, the end, counts and texts driver_end.cpp.
#include "tests/ui-driver/driver_internal.h"

static std::string lastError;

const std::string& DriverError() { return lastError; }

bool DriverFail(const std::string& why) {
  lastError = why;
  return false;
}

// ---- finding the program -------------------------------------------------------

HWND DriverFindMainWindow(DWORD processId) {
  HWND window = 0;
  const std::wstring title = WideFromUtf8(kWindowTitle), cls = WideFromUtf8(DRIVER_WINDOW_CLASS);
  while ((window = FindWindowExW(0, window, cls.c_str(), title.c_str())) != 0)
    if (processId == 0 || ProcessOf(window) == processId) return window;
  return 0;
}

static BOOL CALLBACK FindControl(HWND child, LPARAM lParam) {
  DriverApp* app = (DriverApp*)lParam;
  if (GetParent(child) != app->window) return TRUE;
  std::string cls = ClassOf(child);
  // The labels have numbers of their own choosing: the first made is the
  // path's, the second the level's (children come in the order made).
  if (!lstrcmpiA(cls.c_str(), "Static")) {
    if (!app->exeLabel) app->exeLabel = child;
    else if (!app->levelLabel) app->levelLabel = child;
    return TRUE;
  }
  switch (GetDlgCtrlID(child)) {
    case 0: if (!lstrcmpiA(cls.c_str(), "Edit")) app->pathField = child; break;
    case 1: if (!lstrcmpiA(cls.c_str(), "Button")) app->browseButton = child; break;
    case 2: if (!lstrcmpiA(cls.c_str(), "ComboBox")) app->levelList = child; break;
    case 3: if (!lstrcmpiA(cls.c_str(), "Button")) app->compressButton = child; break;
  }
  return TRUE;
}

static bool ControlsFound(DriverApp* app) {
  app->pathField = app->browseButton = app->levelList = app->compressButton = 0;
  app->exeLabel = app->levelLabel = 0;
  EnumChildWindows(app->window, FindControl, (LPARAM)app);
  // The labels are not waited for: a test that reads a missing one reads "".
  return app->pathField && app->browseButton && app->levelList && app->compressButton;
}

bool DriverAttach(DriverApp* app, DWORD processId, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  if (!WaitFor([&] { return (app->window = DriverFindMainWindow(processId)) != 0; }, timeoutMs))
    return Fail("no window \"" + kWindowTitle + "\" appeared");
  app->threadId = GetWindowThreadProcessId(app->window, &app->processId);
  if (!app->process)
    app->process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, app->processId);
  if (!app->process) return Fail("the program's process could not be opened");
  DWORD left = timeoutMs - std::min<DWORD>(timeoutMs, GetTickCount() - start);
  if (!WaitFor([&] { return ControlsFound(app); }, left))
    return Fail("the window lacks the path field, the buttons or the level list");
  // Start-up is over once the program waits for input in its event loop.
  left = timeoutMs - std::min<DWORD>(timeoutMs, GetTickCount() - start);
  WaitForInputIdle(app->process, left);
  return true;
}

bool DriverStart(DriverApp* app, const std::string& exe, const std::string& directory, DWORD timeoutMs) {
  std::string dir = directory;
  if (dir.empty()) {
    size_t slash = exe.find_last_of("\\/");
    if (slash != std::string::npos) dir = exe.substr(0, slash);
  }
  const std::wstring program = WideFromUtf8(exe), folder = WideFromUtf8(dir);
  std::wstring commandLine = L"\"" + program + L"\"";
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  // Explorer's way: no console, and the standard handles given as none.
  if (app->noConsole) si.dwFlags = STARTF_USESTDHANDLES;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(program.c_str(), &commandLine[0], 0, 0, FALSE, app->noConsole ? DETACHED_PROCESS : 0, 0,
                      folder.empty() ? 0 : folder.c_str(), &si, &pi))
    return Fail("could not start " + exe);
  CloseHandle(pi.hThread);
  app->process = pi.hProcess;
  app->processId = pi.dwProcessId;
  WaitForInputIdle(pi.hProcess, timeoutMs);
  return DriverAttach(app, pi.dwProcessId, timeoutMs);
}

void DriverRelease(DriverApp* app) {
  if (app->process) CloseHandle(app->process);
  app->process = 0;
}

void DriverKill(DriverApp* app) {
  if (app->process && WaitForSingleObject(app->process, 0) == WAIT_TIMEOUT) {
    TerminateProcess(app->process, 255);
    WaitForSingleObject(app->process, 5000);
  }
}

bool DriverResponsive(const DriverApp* app, DWORD timeoutMs) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(app->window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &result) != 0;
}

// ---- reading controls ------------------------------------------------------------

std::string DriverControlText(HWND control, DWORD timeoutMs) {
  return Utf8FromWide(ControlTextWide(control, timeoutMs));
}

std::string DriverFieldText(const DriverApp* app) { return DriverControlText(app->pathField); }

int DriverLevelIndex(const DriverApp* app) {
  DWORD_PTR index = (DWORD_PTR)-1;
  if (!SendMessageTimeoutW(app->levelList, CB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 2000, &index)) return -1;
  return (int)(LRESULT)index;
}

// Item index of the level list, "" when there is none.
static std::string LevelItemText(const DriverApp* app, int index) {
  // Asked in UTF-16, as the field's text is; the ANSI form of this message
  // even comes back from another process unconverted under Wine.
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(app->levelList, CB_GETLBTEXTLEN, index, 0, SMTO_ABORTIFHUNG, 2000, &length) ||
      (LRESULT)length < 0)
    return "";
  std::vector<wchar_t> wide(length + 1, 0);
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutW(app->levelList, CB_GETLBTEXT, index, (LPARAM)wide.data(), SMTO_ABORTIFHUNG, 2000, &got))
    return "";
  return Utf8FromWide(wide.data());
}

std::string DriverLevelText(const DriverApp* app) {
  int index = DriverLevelIndex(app);
  return index < 0 ? "" : LevelItemText(app, index);
}

std::vector<std::string> DriverLevelItems(const DriverApp* app) {
  DWORD_PTR count = 0;
  if (!SendMessageTimeoutW(app->levelList, CB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &count)) return {};
  std::vector<std::string> items;
  for (int i = 0; i < (int)(LRESULT)count; i++) items.push_back(LevelItemText(app, i));
  return items;
}
