// The UI driver's input (driver.h): real input through SendInput, as a
// person types and clicks, and posted input, which reaches a window that is
// not in front; the field's text set, pasted and checked.
#include "tests/ui-driver/driver_internal.h"

#include <cstdio>

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
std::string lastClick;

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
