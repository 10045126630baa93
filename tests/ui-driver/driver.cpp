// The UI driver of driver.h, working on the driven program from outside it.
#include "tests/ui-driver/driver.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>

static std::string lastError;

const std::string& DriverError() { return lastError; }

bool DriverFail(const std::string& why) {
  lastError = why;
  return false;
}

static bool Fail(const std::string& why) { return DriverFail(why); }

// Polls done() every 10 ms until it is true or timeoutMs pass; its last answer.
template <class Done> static bool WaitFor(Done done, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    if (done()) return true;
    if (GetTickCount() - start >= timeoutMs) return done();
    Sleep(10);
  }
}

// Its own copy of the tests' ClassOf: test support brings GoogleTest, which ui-driver.exe does without.
static std::string ClassOf(HWND window) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

// The text of another process's window as the system stores it, as UTF-8:
// no message is sent, so this works while the window's thread is busy. Read
// into ever more room until it fits, since asking the length would send one.
static std::string StoredText(HWND window) {
  for (int room = 256;; room *= 4) {
    std::wstring text(room, L'\0');
    int got = GetWindowTextW(window, &text[0], room);
    if (got < room - 1 || room >= (1 << 20)) return Utf8FromWide(text.data(), got > 0 ? got : 0);
  }
}

static DWORD ProcessOf(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid;
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

// Asked in UTF-16, which the system carries between processes as it is; in
// the ANSI form each side would convert through its own code page.
static std::wstring ControlTextWide(HWND control, DWORD timeoutMs) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &length)) return L"";
  std::wstring text(length + 1, L'\0');
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutW(control, WM_GETTEXT, text.size(), (LPARAM)&text[0], SMTO_ABORTIFHUNG, timeoutMs, &got))
    return L"";
  text.resize(lstrlenW(text.c_str()));
  return text;
}

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

// ---- real input --------------------------------------------------------------------

static bool SendInputs(std::vector<INPUT>& inputs) {
  if (inputs.empty()) return true;
  UINT sent = SendInput((UINT)inputs.size(), inputs.data(), sizeof(INPUT));
  if (sent != inputs.size()) return Fail("SendInput refused the input");
  return true;
}

static void AddKey(std::vector<INPUT>& inputs, WORD key, bool up) {
  INPUT in = {};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = key;
  in.ki.wScan = (WORD)MapVirtualKeyA(key, MAPVK_VK_TO_VSC);
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  if (key == VK_HOME || key == VK_END || key == VK_DELETE || key == VK_DOWN || key == VK_UP)
    in.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
  inputs.push_back(in);
}

static void AddKeyPress(std::vector<INPUT>& inputs, WORD key) {
  AddKey(inputs, key, false);
  AddKey(inputs, key, true);
}

static void AddCharacter(std::vector<INPUT>& inputs, wchar_t c) {
  INPUT in = {};
  in.type = INPUT_KEYBOARD;
  in.ki.wScan = c;
  in.ki.dwFlags = KEYEVENTF_UNICODE;
  inputs.push_back(in);
  in.ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
  inputs.push_back(in);
}

// The packer is a console program: its console window (conhost.exe) shows and
// takes the foreground while it runs, and when it closes the foreground goes
// to no window at all where no window manager hands it on. Under Wine 10 that
// window may even show and close after the packer has ended and its report
// was answered, so that keys and clicks sent meanwhile reach no window. A
// person waits until it is gone and clicks the program again; so does this.
static bool ConsolesClosed() {
  int running = 0;
  if (!WaitFor([&] { return (running = DriverCountNewConsoles()) <= 0; }, 20000))
    return Fail("the console windows of the programs it ran did not close (" + std::to_string(running) +
                " console hosts are left)");
  return true;
}

// Where the keyboard's input goes now: the foreground window and the focus,
// by class and process, for a failure message.
static std::string WhereKeysGo(const DriverApp* app) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(0, &info);
  auto describe = [&](HWND w) {
    if (!w) return std::string("none");
    DWORD process = ProcessOf(w);
    return "\"" + ClassOf(w) + "\" of " + (process == app->processId ? "the program" : "process " + std::to_string(process));
  };
  return "; the foreground window is " + describe(GetForegroundWindow()) + ", the keyboard focus " +
         describe(info.hwndFocus);
}

static bool BringToFront(const DriverApp* app, bool untilConsolesClose = true) {
  if (untilConsolesClose && !ConsolesClosed()) return false;
  if (GetForegroundWindow() == app->window) return true;
  // Asked again every half second, as a person clicks a window again that
  // did not come up: under Wine the X server's focus, moving late (after a
  // window of a program that has just ended was destroyed), can hand the
  // foreground back to the desktop after it was given to the program.
  const std::string before = WhereKeysGo(app);
  int asked = 0;
  if (!WaitFor([&] {
        if (GetForegroundWindow() == app->window) return true;
        if (asked++ % 50 == 0) SetForegroundWindow(app->window);
        return false;
      }, 5000))
    return Fail("the window did not come to the foreground" + WhereKeysGo(app) + " (before it was asked" + before + ")");
  if (asked > 50) fprintf(stderr, "[driver] the window came to the foreground only when asked again%s\n", before.c_str());
  return true;
}

static HWND FocusOf(DWORD threadId) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(threadId, &info)) return 0;
  return info.hwndFocus;
}

// How the last real click went in, for a failure that shows only later (no
// box after a click): what lay under the pointer, which window had the mouse
// captured and whether the clicked control's window took input.
static std::string lastClick;

static std::string InputState(HWND target, POINT at) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(GetWindowThreadProcessId(target, 0), &info);
  POINT now = {};
  GetCursorPos(&now);
  HWND under = WindowFromPoint(at);
  auto name = [](HWND w) { return w ? "\"" + ClassOf(w) + "\"" : std::string("none"); };
  return "pointer at (" + std::to_string(now.x) + "," + std::to_string(now.y) + ") for (" + std::to_string(at.x) +
         "," + std::to_string(at.y) + "), under it " + (under == target ? std::string("the control") : name(under)) +
         ", capture " + name(info.hwndCapture) + ", active " + name(info.hwndActive) + ", foreground " +
         name(GetForegroundWindow()) + ", window " + (IsWindowEnabled(GetAncestor(target, GA_ROOT)) ? "enabled" : "disabled") +
         ", control " + (IsWindowEnabled(target) ? "enabled" : "disabled");
}

// A left click in the middle of window, with the real mouse.
static bool MouseClick(HWND window) {
  RECT r;
  if (!GetWindowRect(window, &r)) return Fail("the control to click is gone");
  int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
  SetCursorPos(x, y);
  POINT at = {};
  if (!WaitFor([&] { return GetCursorPos(&at) && at.x == x && at.y == y; }, 1000))
    return Fail("the mouse pointer did not move to the control");
  std::vector<INPUT> inputs(2);
  inputs[0].type = inputs[1].type = INPUT_MOUSE;
  inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  lastClick = "the last click: " + ClassOf(window) + " \"" + DriverEscape(StoredText(window)) + "\"; before it " +
              InputState(window, POINT{x, y});
  if (!SendInputs(inputs)) return false;
  Sleep(50);
  lastClick += "; 50 ms after it " + InputState(window, POINT{x, y});
  return true;
}

static bool FocusControl(DriverApp* app, HWND control) {
  if (!BringToFront(app)) return false;
  if (FocusOf(app->threadId) == control) return true;
  // Clicked again when a click brought no focus, as a person clicks again:
  // Wine has now and then let a real click go by without effect, the more so
  // under load; what the pointer was over is written down when it happens.
  for (int clicks = 1;; clicks++) {
    if (!MouseClick(control)) return false;
    if (WaitFor([&] { return FocusOf(app->threadId) == control; }, 2000)) return true;
    if (clicks == 3) return Fail("clicking the control three times did not give it the keyboard focus; " + lastClick);
    fprintf(stderr, "[driver] a click brought no keyboard focus, clicking again; %s\n", lastClick.c_str());
    if (!BringToFront(app)) return false;
  }
}

// Clicks the path field and selects all it holds (Home, Shift+End).
static bool SelectFieldReal(DriverApp* app) {
  if (!FocusControl(app, app->pathField)) return false;
  std::vector<INPUT> inputs;
  AddKeyPress(inputs, VK_HOME);
  AddKey(inputs, VK_SHIFT, false);
  AddKeyPress(inputs, VK_END);
  AddKey(inputs, VK_SHIFT, true);
  return SendInputs(inputs);
}

static bool TypeReal(DriverApp* app, const std::wstring& text, DWORD timeoutMs) {
  // Select what is there and delete it.
  if (!SelectFieldReal(app)) return false;
  std::vector<INPUT> inputs;
  AddKeyPress(inputs, VK_DELETE);
  if (!SendInputs(inputs)) return false;
  if (!WaitFor([&] { return ControlTextWide(app->pathField, 2000).empty(); }, timeoutMs))
    return Fail("the field's old text was not deleted");
  // Then the characters (UTF-16 units, each as a key of its own, which no
  // keyboard layout needs to have), a few at a time, each batch waited for.
  const size_t batch = 32;
  int refocused = 0;
  for (size_t done = 0; done < text.size();) {
    size_t n = std::min(batch, text.size() - done);
    inputs.clear();
    for (size_t i = 0; i < n; i++) AddCharacter(inputs, text[done + i]);
    if (!SendInputs(inputs)) return false;
    size_t expected = done + n;
    std::wstring now;
    auto arrived = [&] { return (now = ControlTextWide(app->pathField, 2000)).size() >= expected; };
    if (WaitFor(arrived, 3000) || WaitFor(arrived, timeoutMs > 3000 ? timeoutMs - 3000 : 0)) {
      done = expected;
      continue;
    }
    // Some keys went elsewhere: the foreground moved while they were typed
    // (Wine hands it on late, after a window of the program or a console
    // has closed, the more so on a loaded machine). A person clicks the
    // field again, goes to its end and types the rest; the field must still
    // end up holding exactly the text, which the caller checks.
    const std::string where = WhereKeysGo(app);
    if (++refocused > 3 || now.size() < done || now.compare(0, now.size(), text, 0, now.size()) != 0)
      return Fail("the field stopped taking the typed characters at \"" + DriverEscape(Utf8FromWide(now)) + "\"" +
                  where);
    if (!FocusControl(app, app->pathField)) return false;
    inputs.clear();
    AddKeyPress(inputs, VK_END);
    if (!SendInputs(inputs)) return false;
    done = now.size();
  }
  return true;
}

// ---- posted input -------------------------------------------------------------------

// Posted in UTF-16 to the field, which is a Unicode window: each unit reaches
// it as it is, whatever the code pages of the two processes.
static bool TypePosted(DriverApp* app, const std::wstring& text, DWORD timeoutMs) {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(app->pathField, EM_SETSEL, 0, -1, SMTO_ABORTIFHUNG, timeoutMs, &result);
  PostMessageW(app->pathField, WM_CHAR, VK_BACK, 1);
  for (wchar_t c : text) PostMessageW(app->pathField, WM_CHAR, c, 1);
  return true;
}

static bool SetText(DriverApp* app, const std::wstring& text, DWORD timeoutMs) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(app->pathField, WM_SETTEXT, 0, (LPARAM)text.c_str(), SMTO_ABORTIFHUNG, timeoutMs, &result))
    return Fail("the field did not take the text");
  return true;
}

// Waits up to timeoutMs for the field to hold text; how it came is said in the failure.
static bool FieldHolds(DriverApp* app, const std::string& text, DWORD timeoutMs, const char* how) {
  std::string now;
  if (!WaitFor([&] { return (now = DriverFieldText(app)) == text; }, timeoutMs))
    return Fail("the field holds \"" + DriverEscape(now) + "\" instead of the " + how + " \"" + DriverEscape(text) +
                "\"");
  return true;
}

bool DriverTypeText(DriverApp* app, const std::string& text, DWORD timeoutMs) {
  const std::wstring wide = WideFromUtf8(text);
  bool typed = app->input == DRIVER_INPUT_REAL     ? TypeReal(app, wide, timeoutMs)
               : app->input == DRIVER_INPUT_POSTED ? TypePosted(app, wide, timeoutMs)
                                                   : SetText(app, wide, timeoutMs);
  if (!typed) return false;
  // A text set whole is there when the message returns; typed ones take a while.
  return FieldHolds(app, text, app->input == DRIVER_INPUT_SET_TEXT ? 0 : timeoutMs, "typed");
}

// The clipboard holds text (as CF_UNICODETEXT) once this returns true.
static bool PutOnClipboard(const std::wstring& text) {
  // Another program may have it open for a moment.
  if (!WaitFor([] { return OpenClipboard(0) != 0; }, 2000)) return Fail("the clipboard could not be opened");
  bool put = false;
  if (EmptyClipboard()) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    if (memory) {
      wchar_t* bytes = (wchar_t*)GlobalLock(memory);
      CopyMemory(bytes, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
      GlobalUnlock(memory);
      put = SetClipboardData(CF_UNICODETEXT, memory) != 0;
      if (!put) GlobalFree(memory);  // the clipboard owns it only once it took it
    }
  }
  CloseClipboard();
  if (!put) return Fail("the clipboard did not take the text");
  return true;
}

bool DriverPasteText(DriverApp* app, const std::string& text, DWORD timeoutMs) {
  if (!PutOnClipboard(WideFromUtf8(text))) return false;
  if (app->input == DRIVER_INPUT_REAL) {
    // Select all and press Ctrl+V.
    if (!SelectFieldReal(app)) return false;
    std::vector<INPUT> inputs;
    AddKey(inputs, VK_CONTROL, false);
    AddKeyPress(inputs, 'V');
    AddKey(inputs, VK_CONTROL, true);
    if (!SendInputs(inputs)) return false;
  } else {  // posted, or set whole: the field's own paste over all it holds
    DWORD_PTR result = 0;
    SendMessageTimeoutW(app->pathField, EM_SETSEL, 0, -1, SMTO_ABORTIFHUNG, timeoutMs, &result);
    if (!PostMessageW(app->pathField, WM_PASTE, 0, 0)) return Fail("the field is gone");
  }
  return FieldHolds(app, text, timeoutMs, "pasted");
}

bool DriverSelectLevel(DriverApp* app, int index, DWORD timeoutMs) {
  if (app->input == DRIVER_INPUT_REAL) {
    // Open the list with a click, go to its top, step down, take the item.
    if (!FocusControl(app, app->levelList)) return false;
    std::vector<INPUT> inputs;
    AddKeyPress(inputs, VK_HOME);
    for (int i = 0; i < index; i++) AddKeyPress(inputs, VK_DOWN);
    AddKeyPress(inputs, VK_RETURN);
    if (!SendInputs(inputs)) return false;
  } else {  // posted, or set whole
    DWORD_PTR result = 0;
    SendMessageTimeoutW(app->levelList, CB_SETCURSEL, index, 0, SMTO_ABORTIFHUNG, timeoutMs, &result);
    PostMessageA(app->window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(app->levelList), CBN_SELCHANGE),
                 (LPARAM)app->levelList);
  }
  // Done once the list shows the item and is closed again, as a person sees
  // it: a click while its list is still dropped would only close the list.
  auto closed = [&] {
    DWORD_PTR dropped = 1;
    return SendMessageTimeoutW(app->levelList, CB_GETDROPPEDSTATE, 0, 0, SMTO_ABORTIFHUNG, 1000, &dropped) &&
           !dropped;
  };
  if (!WaitFor([&] { return DriverLevelIndex(app) == index && closed(); }, timeoutMs))
    return Fail(DriverLevelIndex(app) == index ? "the level list took the choice but stayed open"
                                                : "the level list did not take the choice");
  return true;
}

bool DriverClick(DriverApp* app, HWND button, bool untilConsolesClose) {
  if (app->input != DRIVER_INPUT_REAL) {
    if (!PostMessageA(button, BM_CLICK, 0, 0)) return Fail("the button is gone");
    return true;
  }
  return BringToFront(app, untilConsolesClose) && MouseClick(button);
}

// ---- message boxes ------------------------------------------------------------------

struct DialogParts {
  bool hasEditOrList = false;
  HWND icon = 0;
  std::vector<HWND> statics, buttons;
};

static BOOL CALLBACK CollectPart(HWND child, LPARAM lParam) {
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

static DialogParts PartsOf(HWND dialog) {
  DialogParts parts;
  EnumChildWindows(dialog, CollectPart, (LPARAM)&parts);
  return parts;
}

struct DialogSearch {
  DWORD processId;
  bool messageBoxes;   // message boxes, else file dialogs
  std::vector<HWND> found;
};

static BOOL CALLBACK FindDialog(HWND window, LPARAM lParam) {
  DialogSearch* search = (DialogSearch*)lParam;
  if (ProcessOf(window) != search->processId || !IsWindowVisible(window) || ClassOf(window) != "#32770")
    return TRUE;
  if (PartsOf(window).hasEditOrList != search->messageBoxes) search->found.push_back(window);
  return TRUE;
}

static std::vector<HWND> DialogsOf(DWORD processId, bool messageBoxes) {
  DialogSearch search = {processId, messageBoxes, {}};
  EnumWindows(FindDialog, (LPARAM)&search);
  return search.found;
}

int DriverCountBoxes(const DriverApp* app) { return (int)DialogsOf(app->processId, true).size(); }

static const char* BaseName(const char* path);

// ---- a box's icon -----------------------------------------------------------------------

// Which of the system's icons a box shows is judged by the icon control's
// pixels: the other process's icon handle cannot be compared from here (not
// under Wine), so each candidate is drawn here and compared where it is
// opaque. Pixels say something only when they are the box's own: the reading
// is taken once the box is shown, nothing lies over the icon and the control
// has just been painted again; when that cannot be had, the box's
// iconProblem says why (what covered it, which window).

// The file name of a process's program, "" when it cannot be asked.
static std::string ProgramOf(DWORD processId) {
  std::string name;
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  if (!process) return name;
  char path[MAX_PATH * 2] = "";
  DWORD size = sizeof path;
  if (QueryFullProcessImageNameA(process, 0, path, &size)) name = BaseName(path);
  CloseHandle(process);
  return name;
}

// A window as a failure message names it: class, title, process and place.
static std::string Describe(HWND window, DWORD programId) {
  if (!window) return "no window";
  RECT r = {};
  GetWindowRect(window, &r);
  DWORD process = ProcessOf(window);
  return "\"" + ClassOf(window) + "\" \"" + DriverEscape(StoredText(window).substr(0, 40)) + "\" of " +
         (process == programId ? std::string("the program")
                               : "process " + std::to_string(process) + " (" + ProgramOf(process) + ")") +
         " at (" +
         std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + ")";
}

// The first window that lies over part of rect (the icon's, on the screen):
// a visible top-level window above the box in the z-order, or a window other
// than the box that the system finds at one of the rectangle's corners or its
// middle. 0 when nothing covers it.
static HWND CoverOf(HWND box, const RECT& rect) {
  int steps = 0;   // the z-order may change during the walk
  for (HWND w = GetWindow(box, GW_HWNDPREV); w && steps < 4096; w = GetWindow(w, GW_HWNDPREV), steps++) {
    RECT r, overlap;
    if (IsWindowVisible(w) && !IsIconic(w) && GetWindowRect(w, &r) && IntersectRect(&overlap, &r, &rect)) return w;
  }
  const POINT points[] = {{rect.left, rect.top},
                          {rect.right - 1, rect.top},
                          {rect.left, rect.bottom - 1},
                          {rect.right - 1, rect.bottom - 1},
                          {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}};
  for (POINT p : points) {
    HWND at = WindowFromPoint(p);
    if (at && GetAncestor(at, GA_ROOT) != box) return GetAncestor(at, GA_ROOT);
  }
  return 0;
}

// A w x h bitmap of 32-bit pixels, top row first.
static BITMAPINFO TopDownPixels(int w, int h) {
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  return bi;
}

// The w x h pixels at rect's corner of the screen, top row first.
static std::vector<DWORD> CaptureScreen(const RECT& rect) {
  int w = rect.right - rect.left, h = rect.bottom - rect.top;
  std::vector<DWORD> pixels;
  HDC screen = GetDC(0);
  HDC dc = CreateCompatibleDC(screen);
  BITMAPINFO bi = TopDownPixels(w, h);
  DWORD* bits = 0;
  HBITMAP bitmap = dc ? CreateDIBSection(dc, &bi, DIB_RGB_COLORS, (void**)&bits, 0, 0) : 0;
  if (bitmap) {
    HGDIOBJ old = SelectObject(dc, bitmap);
    if (BitBlt(dc, 0, 0, w, h, screen, rect.left, rect.top, SRCCOPY)) {
      GdiFlush();
      pixels.assign(bits, bits + w * h);
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
  }
  if (dc) DeleteDC(dc);
  ReleaseDC(0, screen);
  return pixels;
}

struct IconMatch {
  LONG icon = -1;        // the flag of the system's icon the pixels show, -1 for none
  LONG nearest = -1;     // the candidate that matched best, however poorly
  double share = 0;      // its share of opaque pixels shown alike
};

// Which system icon the w x h pixels show: each candidate is drawn here over
// black and over white, at the control's size both stretched from the
// standard size (as a static control draws it) and in the image nearest that
// size; its opaque pixels (alike on both) must be shown alike, nine in ten.
static IconMatch MatchIcon(const std::vector<DWORD>& shown, int w, int h) {
  IconMatch match;
  BITMAPINFO bi = TopDownPixels(w, h);
  HDC screen = GetDC(0);
  HDC dc = CreateCompatibleDC(screen);
  DWORD *onBlack = 0, *onWhite = 0;
  HBITMAP blackBitmap = dc ? CreateDIBSection(dc, &bi, DIB_RGB_COLORS, (void**)&onBlack, 0, 0) : 0;
  HBITMAP whiteBitmap = dc ? CreateDIBSection(dc, &bi, DIB_RGB_COLORS, (void**)&onWhite, 0, 0) : 0;
  if (dc && blackBitmap && whiteBitmap && shown.size() == (size_t)w * h) {
    HGDIOBJ old = SelectObject(dc, blackBitmap);
    static const struct { LPCSTR id; LONG flag; } icons[] = {
        {IDI_HAND, MB_ICONHAND}, {IDI_QUESTION, MB_ICONQUESTION},
        {IDI_EXCLAMATION, MB_ICONEXCLAMATION}, {IDI_ASTERISK, MB_ICONASTERISK}};
    RECT all = {0, 0, w, h};
    for (const auto& candidate : icons) {
      const HICON images[] = {LoadIconA(0, candidate.id),
                              (HICON)LoadImageA(0, candidate.id, IMAGE_ICON, w, h, LR_SHARED)};
      for (HICON icon : images) {
        if (!icon) continue;
        SelectObject(dc, blackBitmap);
        FillRect(dc, &all, (HBRUSH)GetStockObject(BLACK_BRUSH));
        DrawIconEx(dc, 0, 0, icon, w, h, 0, 0, DI_NORMAL);
        SelectObject(dc, whiteBitmap);
        FillRect(dc, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
        DrawIconEx(dc, 0, 0, icon, w, h, 0, 0, DI_NORMAL);
        GdiFlush();
        int opaque = 0, same = 0;
        for (int i = 0; i < w * h; i++) {
          if ((onBlack[i] & 0xFFFFFF) != (onWhite[i] & 0xFFFFFF)) continue;
          opaque++;
          DWORD a = onBlack[i], b = shown[i];
          int difference = 0;
          for (int shift = 0; shift < 24; shift += 8)
            difference = std::max(difference, std::abs((int)((a >> shift) & 255) - (int)((b >> shift) & 255)));
          if (difference <= 24) same++;
        }
        double share = opaque > w * h / 8 ? (double)same / opaque : 0;
        if (share > match.share) {
          match.share = share;
          match.nearest = candidate.flag;
          match.icon = share > 0.9 ? candidate.flag : -1;
        }
      }
    }
    SelectObject(dc, old);
  }
  if (blackBitmap) DeleteObject(blackBitmap);
  if (whiteBitmap) DeleteObject(whiteBitmap);
  if (dc) DeleteDC(dc);
  ReleaseDC(0, screen);
  return match;
}

// How pixels look, for a failure message: their commonest colour and its share.
static std::string PixelSummary(const std::vector<DWORD>& pixels) {
  if (pixels.empty()) return "none could be read";
  std::vector<DWORD> sorted(pixels);
  for (DWORD& p : sorted) p &= 0xFFFFFF;
  std::sort(sorted.begin(), sorted.end());
  DWORD commonest = sorted[0];
  size_t best = 0;
  for (size_t i = 0, j; i < sorted.size(); i = j) {
    for (j = i; j < sorted.size() && sorted[j] == sorted[i]; j++) {}
    if (j - i > best) best = j - i, commonest = sorted[i];
  }
  char text[64];
  snprintf(text, sizeof text, "#%06lX in %u of %u", (unsigned long)commonest, (unsigned)best, (unsigned)pixels.size());
  return text;
}

// Has the box's thread paint the icon control again, as UpdateWindow would:
// the control is invalidated, then sent WM_PAINT (with a time-out, so a hung
// box cannot hold the driver). When the message returns, the control has
// drawn itself; true then.
static bool Repaint(HWND control) {
  RedrawWindow(control, 0, 0, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(control, WM_PAINT, 0, 0, SMTO_ABORTIFHUNG, 2000, &result) != 0;
}

// How long a window over the icon is waited for to close or go below: the
// console of a packer that has ended may take seconds to show and close
// again under Wine 10, the more so on a loaded machine.
static const DWORD COVER_WAIT_MS = 20000;
// How long a shown, uncovered, repainted icon is looked at until its pixels
// match (a repaint may reach the screen a moment after it was made).
static const DWORD PAINT_WAIT_MS = 1500;

// Reads the box's icon into box->icon, or -1 with box->iconProblem saying why.
static void ReadIcon(HWND box, HWND control, DriverBox* out) {
  const DWORD programId = ProcessOf(box);
  std::string problem;
  std::vector<DWORD> pixels;
  IconMatch match;
  int w = 0, h = 0;
  DWORD raisedAt = 0;
  DWORD start = GetTickCount(), uncoveredSince = 0;
  for (;;) {
    DWORD now = GetTickCount();
    if (now - start >= COVER_WAIT_MS || (uncoveredSince && now - uncoveredSince >= PAINT_WAIT_MS)) break;
    if (!IsWindow(box)) {
      problem = "the box went away while its icon was read";
      break;
    }
    // A box without an icon keeps its icon control, hidden.
    if (IsWindowVisible(box) && !(GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE)) {
      out->icon = 0;
      out->iconProblem.clear();
      return;
    }
    RECT r;
    if (!IsWindowVisible(control) || !GetWindowRect(control, &r)) {
      problem = "the box is not shown";
      uncoveredSince = 0;
      Sleep(10);
      continue;
    }
    w = r.right - r.left;
    h = r.bottom - r.top;
    if (w <= 0 || h <= 0 || w > 256 || h > 256) {
      problem = "the icon control is " + std::to_string(w) + "x" + std::to_string(h) + " pixels";
      break;
    }
    RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, inside;
    if (!IntersectRect(&inside, &r, &screen) || !EqualRect(&inside, &r)) {
      problem = "the icon lies partly off the screen";
      break;
    }
    if (HWND cover = CoverOf(box, r)) {
      problem = "the icon was covered by " + Describe(cover, programId);
      uncoveredSince = 0;
      // A window of the program itself (its main window, disabled under a
      // box it shows without an owner, brought to the front) stays over the
      // box: a person clicks the box to bring it up, and so does this (again
      // each second, should the system have let the request go). A window
      // of another process (a packer's console) is waited for.
      if (ProcessOf(cover) == programId && (!raisedAt || now - raisedAt >= 1000)) {
        raisedAt = now ? now : 1;
        SetForegroundWindow(box);
      }
      Sleep(10);
      continue;
    }
    if (!uncoveredSince) uncoveredSince = now;
    if (!Repaint(control)) {
      problem = "the box did not repaint its icon (its program does not answer)";
      Sleep(10);
      continue;
    }
    // Nothing may have come over the icon between the look and the capture.
    pixels = CaptureScreen(r);
    if (CoverOf(box, r)) continue;
    match = MatchIcon(pixels, w, h);
    if (match.icon != -1) {
      out->icon = match.icon;
      out->iconProblem.clear();
      return;
    }
    problem = "the icon's " + std::to_string(w) + "x" + std::to_string(h) +
              " pixels, shown uncovered and repainted, match none of the system's icons (nearest: " +
              std::to_string(match.nearest) + ", " + std::to_string((int)(match.share * 100)) +
              "% of its opaque pixels alike; commonest colour " + PixelSummary(pixels) + ")";
    Sleep(10);
  }
  out->icon = -1;
  out->iconProblem = problem + " (looked at for " + std::to_string(GetTickCount() - start) + " ms)";
}

bool DriverReadBox(HWND handle, DriverBox* box) {
  if (!IsWindow(handle)) return Fail("the message box is gone");
  DialogParts parts = PartsOf(handle);
  box->handle = handle;
  box->owner = GetWindow(handle, GW_OWNER);
  box->caption = StoredText(handle);
  box->text.clear();
  for (HWND s : parts.statics) {
    std::string text = StoredText(s);
    if (!text.empty()) {
      box->text = text;
      break;
    }
  }
  std::sort(parts.buttons.begin(), parts.buttons.end(), [](HWND a, HWND b) {
    RECT ra, rb;
    GetWindowRect(a, &ra);
    GetWindowRect(b, &rb);
    return ra.left < rb.left;
  });
  box->buttons.clear();
  for (HWND b : parts.buttons) box->buttons.push_back(StoredText(b));
  box->icon = 0;
  box->iconProblem.clear();
  if (parts.icon) ReadIcon(handle, parts.icon, box);
  return true;
}

HWND DriverFindBox(const DriverApp* app, DWORD timeoutMs) {
  HWND found = 0;
  WaitFor([&] {
    std::vector<HWND> boxes = DialogsOf(app->processId, true);
    found = boxes.empty() ? 0 : boxes[0];
    return found != 0;
  }, timeoutMs);
  if (!found) Fail("no message box appeared; " + lastClick);
  return found;
}

bool DriverTypeKeys(const std::string& text) {
  std::vector<INPUT> inputs;
  for (wchar_t c : WideFromUtf8(text)) AddCharacter(inputs, c);
  return SendInputs(inputs);
}

bool DriverPressKey(WORD key) {
  std::vector<INPUT> inputs;
  AddKeyPress(inputs, key);
  return SendInputs(inputs);
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

bool DriverWaitBox(const DriverApp* app, DWORD timeoutMs, DriverBox* box) {
  HWND found = 0;
  if (!WaitFor([&] {
        std::vector<HWND> boxes = DialogsOf(app->processId, true);
        found = boxes.empty() ? 0 : boxes[0];
        return found != 0;
      }, timeoutMs))
    return Fail("no message box appeared; " + lastClick);
  return DriverReadBox(found, box);
}

static bool PressDialogButton(HWND dialog, int id, DWORD timeoutMs) {
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

bool DriverAnswerBox(HWND handle, int id, DWORD timeoutMs) { return PressDialogButton(handle, id, timeoutMs); }

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

// The file name of a process's image (some systems give the whole path).
static const char* BaseName(const char* path) {
  const char* name = path;
  for (const char* p = path; *p; p++)
    if (*p == '\\' || *p == '/') name = p + 1;
  return name;
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
