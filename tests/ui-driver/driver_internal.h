// Shared by the UI driver's files only (driver.cpp, driver_input.cpp,
// driver_box.cpp, driver_icon.cpp, driver_end.cpp): the small helpers each of
// them uses, static so that no name of theirs meets the tests' own (test
// support has a ClassOf of its own), and the one state two of them share.
#pragma once
#include "tests/ui-driver/driver.h"

#include <string>
#include <vector>

static inline bool Fail(const std::string& why) { return DriverFail(why); }

// Polls done() every 10 ms until it is true or timeoutMs pass; its last answer.
template <class Done> static inline bool WaitFor(Done done, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    if (done()) return true;
    if (GetTickCount() - start >= timeoutMs) return done();
    Sleep(10);
  }
}

// Its own copy of the tests' ClassOf: test support brings GoogleTest, which ui-driver.exe does without.
static inline std::string ClassOf(HWND window) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

// The text of another process's window as the system stores it, as UTF-8:
// no message is sent, so this works while the window's thread is busy. Read
// into ever more room until it fits, since asking the length would send one.
static inline std::string StoredText(HWND window) {
  for (int room = 256;; room *= 4) {
    std::wstring text(room, L'\0');
    int got = GetWindowTextW(window, &text[0], room);
    if (got < room - 1 || room >= (1 << 20)) return Utf8FromWide(text.data(), got > 0 ? got : 0);
  }
}

static inline DWORD ProcessOf(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid;
}

// Asked in UTF-16, which the system carries between processes as it is; in
// the ANSI form each side would convert through its own code page.
static inline std::wstring ControlTextWide(HWND control, DWORD timeoutMs) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &length)) return L"";
  std::wstring text(length + 1, L'\0');
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutW(control, WM_GETTEXT, text.size(), (LPARAM)&text[0], SMTO_ABORTIFHUNG, timeoutMs, &got))
    return L"";
  text.resize(lstrlenW(text.c_str()));
  return text;
}

// The file name of a process's image (some systems give the whole path).
static inline const char* BaseName(const char* path) {
  const char* name = path;
  for (const char* p = path; *p; p++)
    if (*p == '\\' || *p == '/') name = p + 1;
  return name;
}

// ---- dialogs of the driven program --------------------------------------------

struct DialogParts {
  bool hasEditOrList = false;
  HWND icon = 0;
  std::vector<HWND> statics, buttons;
};

static inline BOOL CALLBACK CollectPart(HWND child, LPARAM lParam) {
  DialogParts* parts = (DialogParts*)lParam;
  std::string cls = ClassOf(child);
  if (!lstrcmpiA(cls.c_str(), "Edit") || !lstrcmpiA(cls.c_str(), "ComboBox") ||
      !lstrcmpiA(cls.c_str(), "ComboBoxEx32") || !lstrcmpiA(cls.c_str(), "SysListView32")) {
    parts->hasEditOrList = true;
  } else if (!lstrcmpiA(cls.c_str(), "Static")) {
    if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) parts->icon = child;
    else if (IsWindowVisible(child)) parts->statics.push_back(child);
  } else if (!lstrcmpiA(cls.c_str(), "Button") && IsWindowVisible(child)) {
    parts->buttons.push_back(child);
  }
  return TRUE;
}

static inline DialogParts PartsOf(HWND dialog) {
  DialogParts parts;
  EnumChildWindows(dialog, CollectPart, (LPARAM)&parts);
  return parts;
}

struct DialogSearch {
  DWORD processId;
  bool messageBoxes;   // message boxes, else file dialogs
  std::vector<HWND> found;
};

static inline BOOL CALLBACK FindDialog(HWND window, LPARAM lParam) {
  DialogSearch* search = (DialogSearch*)lParam;
  if (ProcessOf(window) != search->processId || !IsWindowVisible(window) || ClassOf(window) != "#32770")
    return TRUE;
  if (PartsOf(window).hasEditOrList != search->messageBoxes) search->found.push_back(window);
  return TRUE;
}

static inline std::vector<HWND> DialogsOf(DWORD processId, bool messageBoxes) {
  DialogSearch search = {processId, messageBoxes, {}};
  EnumWindows(FindDialog, (LPARAM)&search);
  return search.found;
}

static inline bool PressDialogButton(HWND dialog, int id, DWORD timeoutMs) {
  HWND button = GetDlgItem(dialog, id);
  if (button && IsWindowVisible(button)) PostMessageA(button, BM_CLICK, 0, 0);
  else PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)button);
  // Gone means destroyed: by then the dialog's own loop has ended and the
  // program goes on with what follows it.
  auto gone = [&] { return !IsWindow(dialog); };
  if (WaitFor(gone, timeoutMs / 2)) return true;
  // A click that the dialog did not take (it was not yet ready): its command directly.
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)button);
  if (!WaitFor(gone, timeoutMs / 2)) return Fail("the dialog did not go away");
  return true;
}

// How the last real click went in (driver_input.cpp), for a failure that
// shows only later: no box after a click (driver_box.cpp).
extern std::string lastClick;

// The icon control of a message box read into out (driver_icon.cpp).
void ReadIcon(HWND box, HWND control, DriverBox* out);
