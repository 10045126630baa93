// Drives a running zimbrel.exe from another process, as a person at the
// keyboard and mouse would: finds its window, types into the path field,
// picks a level, presses the buttons, reads and answers the message boxes and
// the file dialog, closes the window and collects the exit code.
//
// Every wait is bounded by the timeout it is given; nothing here blocks on
// the driven program (messages to it are sent with SendMessageTimeout or
// posted).
//
// Texts are UTF-8 on this side, as the tests' expected texts are. They cross
// to the program as UTF-16 (the Unicode messages, the Unicode clipboard,
// keys that carry their character), and what the program shows is read back
// as UTF-16, so nothing depends on either process's code page.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/expected_texts.h"
#include "tests/support/utf8.h"

// How input reaches the driven program.
enum DriverInput {
  // Real keyboard and mouse events (SendInput): the window is brought to the
  // foreground, the control is clicked, keys are pressed.
  DRIVER_INPUT_REAL,
  // Window messages: WM_CHAR per UTF-16 unit posted to the field, BM_CLICK
  // posted to a button, CB_SETCURSEL plus the CBN_SELCHANGE notification.
  DRIVER_INPUT_POSTED,
  // As posted, but a text is put into the field whole (WM_SETTEXT), so that
  // long texts and characters no key gives reach it unchanged.
  DRIVER_INPUT_SET_TEXT,
};

// The driven program and its main window's controls.
struct DriverApp {
  HANDLE process = 0;   // owned; 0 when not attached
  DWORD processId = 0;
  DWORD threadId = 0;   // the thread that owns the main window
  HWND window = 0;
  HWND pathField = 0, browseButton = 0, levelList = 0, compressButton = 0;
  HWND exeLabel = 0, levelLabel = 0;   // the labels of the path and of the level list
  DriverInput input = DRIVER_INPUT_REAL;
  // Started as Explorer starts a program: detached, with no console and no
  // standard handles (the packer then gets a console window of its own).
  // Otherwise the program shares this process's console and output.
  bool noConsole = false;
};

// A message box as it is shown (texts as UTF-8).
struct DriverBox {
  HWND handle = 0;
  HWND owner = 0;
  std::string caption;
  std::string text;
  LONG icon = 0;   // MB_ICONHAND 16, MB_ICONQUESTION 32, MB_ICONEXCLAMATION 48,
                   // MB_ICONASTERISK 64; 0 without an icon, -1 for an icon not recognised
  // When icon is -1, why: what covered the icon (which window, of which
  // process) for longer than the driver waits, or how its pixels looked when
  // shown uncovered and just repainted.
  std::string iconProblem;
  std::vector<std::string> buttons;   // the visible buttons' texts, left to right
};

// The program's main window has this class and the title kWindowTitle.
const char* const DRIVER_WINDOW_CLASS = "WindowClass_0";

// Starts exe (with the working directory directory, or the exe's own folder
// when empty; both UTF-8) and waits up to timeoutMs for its main window.
// False when the program did not start or showed no window in time (the
// process, if any, is left running and attached, so the caller can still end it).
bool DriverStart(DriverApp* app, const std::string& exe, const std::string& directory, DWORD timeoutMs);
// Attaches to the main window of the process processId, or of any process
// when processId is 0, waiting up to timeoutMs for it to appear.
bool DriverAttach(DriverApp* app, DWORD processId, DWORD timeoutMs);
// Closes the process handle (the program keeps running).
void DriverRelease(DriverApp* app);
// Ends the driven program at once (clean-up after a failed test).
void DriverKill(DriverApp* app);

// The main window of processId (any process when 0): title and class as above.
HWND DriverFindMainWindow(DWORD processId);
// True when the program answers a message within timeoutMs.
bool DriverResponsive(const DriverApp* app, DWORD timeoutMs);

// A window's or control's text as UTF-8, read by WM_GETTEXT in UTF-16 (works
// across processes); "" when it does not answer within timeoutMs.
std::string DriverControlText(HWND control, DWORD timeoutMs = 2000);
std::string DriverFieldText(const DriverApp* app);
// Replaces the path field's text by typing: focus the field, select what is
// there, delete it, type text (UTF-8) character by character. True when the
// field then holds exactly text.
bool DriverTypeText(DriverApp* app, const std::string& text, DWORD timeoutMs);
// Replaces the path field's text by pasting, as a user would: text (UTF-8)
// goes on the clipboard as Unicode text, then with real input the field is
// clicked, all it holds selected and Ctrl+V pressed; otherwise all is
// selected and WM_PASTE posted. True when the field then holds exactly text
// (a single-line field keeps only a text's first line).
bool DriverPasteText(DriverApp* app, const std::string& text, DWORD timeoutMs);

// The level list's selected index (-1 for none) and that item's text.
int DriverLevelIndex(const DriverApp* app);
std::string DriverLevelText(const DriverApp* app);
// Every item of the level list, in its order.
std::vector<std::string> DriverLevelItems(const DriverApp* app);
// Selects item index of the level list as a user would; true when the list
// then shows it.
bool DriverSelectLevel(DriverApp* app, int index, DWORD timeoutMs);

// Presses a button of the main window. Returns at once: what the press does
// (a dialog, the packer) happens in the driven program meanwhile. With real
// input, the consoles of the programs it ran are first waited for to close,
// unless untilConsolesClose is false (a click while the packer still runs).
bool DriverClick(DriverApp* app, HWND button, bool untilConsolesClose = true);

// Waits up to timeoutMs for a visible message box of the program and returns
// it without reading it or touching it in any way; 0 on time-out.
HWND DriverFindBox(const DriverApp* app, DWORD timeoutMs);
// Waits up to timeoutMs for a visible message box of the program (a dialog of
// class #32770 with no edit or list) and reads it. False on time-out.
bool DriverWaitBox(const DriverApp* app, DWORD timeoutMs, DriverBox* box);
// The message boxes of the program that are up now.
int DriverCountBoxes(const DriverApp* app);
// Reads a box that is up. Its icon is judged by its pixels on the screen,
// taken once the box is shown, nothing lies over the icon and the box has
// just painted it again: a window of another process over it is waited for
// (up to 20 s) to close or go below, a window of the program itself over it
// is answered by bringing the box to the front.
bool DriverReadBox(HWND handle, DriverBox* box);
// Presses the box's button with command id (IDOK) and waits up to timeoutMs
// for the box to go away.
bool DriverAnswerBox(HWND handle, int id, DWORD timeoutMs);

// Waits for the program's open-file dialog.
HWND DriverWaitFileDialog(const DriverApp* app, DWORD timeoutMs);
// Puts path (UTF-8) into the dialog's file name box and presses its Open
// button; true when the dialog then went away.
bool DriverChooseFile(HWND dialog, const std::string& path, DWORD timeoutMs);
// Presses the dialog's Cancel button; true when the dialog went away.
bool DriverCancelFileDialog(HWND dialog, DWORD timeoutMs);

// Closes the main window through its system menu (WM_SYSCOMMAND SC_CLOSE),
// or, with systemMenu false, as the system's task list does (WM_CLOSE).
bool DriverClose(DriverApp* app, bool systemMenu = true);
// Waits up to timeoutMs for the program to end; its exit code in *exitCode.
bool DriverWaitExit(DriverApp* app, DWORD timeoutMs, DWORD* exitCode);

// Processes running an executable of this file name (e.g. "upx.exe"), any folder.
int DriverCountProcesses(const char* exeName);
// Presses and releases key with real input, wherever the keyboard's input
// goes now (nothing is brought to the front first).
bool DriverPressKey(WORD key);
// Types text (UTF-8) with real input, character by character, wherever the
// keyboard's input goes now (nothing is clicked or brought to the front).
bool DriverTypeKeys(const std::string& text);
// Waits up to timeoutMs for the visible console window of a program whose
// file name is exeName (a console window's title is the program's path); 0 on
// time-out.
HWND DriverFindConsole(const char* exeName, DWORD timeoutMs);
// Console hosts (conhost.exe) started since this process began: those of the
// console programs that the driven programs ran. -1 when it cannot tell.
int DriverCountNewConsoles();
// Waits until the program has handled every message posted to it before this
// call (it lowers the path field's text limit by one and posts it back to tell).
bool DriverMessagesHandled(const DriverApp* app, DWORD timeoutMs);

// Drags from an X client onto the screen point at, through XDND, as a Linux
// file manager drags files or a browser text: kind "files" offers each item
// (a Windows path) as its file:// address, kind "text" offers the items,
// joined by spaces, as plain text. Wine turns a drop of files onto a window
// that accepts files into WM_DROPFILES. The drag is made by xdnd-drag.py (beside
// this program) through /usr/bin/python3 with python3-xlib. True when the drag
// ended within timeoutMs; *accepted: whether the window under the point took it.
bool DriverDragFromX(const std::string& kind, const std::vector<std::string>& items, POINT at, DWORD timeoutMs,
                     bool* accepted);

// Top-level windows of processId, of any class, shown or not.
int DriverCountWindows(DWORD processId);
bool DriverProcessRunning(DWORD processId);

// Why the last operation that returned false failed.
const std::string& DriverError();
// Records why for DriverError(); false.
bool DriverFail(const std::string& why);
// Bytes below 32 or from 128 up as \xHH (and \r, \n, \\), the rest as they
// are: the UTF-8 of a text, in ASCII alone.
std::string DriverEscape(const std::string& bytes);
// The reverse: \r, \n, \t, \\ and \xHH read back into bytes.
std::string DriverUnescape(const std::string& text);
