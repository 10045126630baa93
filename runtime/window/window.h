// Numbered top-level windows: opening them and closing one or all, each with
// a class of its own ("WindowClass_%ld"), the property "Kel_WindowID"
// (number + 1) and a Tab / Shift+Tab accelerator table; starting the
// windows-and-events subsystem (WindowInit). Implemented in window.cpp, which
// also chooses the accelerator table for a key (ActiveAccelerators, declared
// in events.h).
#pragma once
#include "runtime/common.h"
#include "runtime/memory/object_table.h"
#include "runtime/text/text_kinds.h"

typedef LRESULT (*WindowCallback)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
typedef LRESULT (*EraseCallback)(HDC dc, HWND window);

// callback, backBrush, mdiClient and eraseCallback are hooks for a caller that
// wants more than the plain windows this program opens: only WindowAcceptFiles
// sets one of them (callback, for the main window's file drops), but the
// window procedure and WindowClose honour each one once it is set.
struct WindowRecord {
  HWND handle;                 // non-zero while the record is in use
  LONG acceleratorCount;       // always 2
  ACCEL* accelerators;         // on the MainHeap
  HACCEL acceleratorTable;
  // Sees the window's messages before the runtime does; when set, it hides the
  // event state's global callback even when it passes a message on.
  WindowCallback callback;
  LONG backColour;             // -1 (default) from WindowOpen on; nothing changes it
  HBRUSH backBrush;            // fills the background on WM_ERASEBKGND; the window owns it
  // Set only for an MDI child, which its MDI client must destroy
  // (WM_MDIDESTROY); nothing in this program makes MDI children.
  HWND mdiClient;
  EraseCallback eraseCallback;  // erases the window's own background when there is no backBrush
  // The client area's size as WindowOpen was given it, in pixels at 96 DPI:
  // the window is sized from it again when its DPI changes.
  int clientWidth, clientHeight;
  // The control that had the keyboard focus when the window was last
  // deactivated (by a box, a dialog or another program): it gets the focus
  // back when the window is activated again.
  HWND focus;
};

const DWORD WINDOW_SCREEN_CENTRED = 0x1;
const DWORD WINDOW_PARENT_CENTRED = 0x2;
// Stays in the style: the window is shown maximized.
const DWORD WINDOW_MAXIMIZE = WS_MAXIMIZE;
// This is the WS_VISIBLE bit under another name. WindowOpen never creates a
// window with WS_VISIBLE: it shows each window itself, once the window's number
// property is set. So the bit is free to mean the opposite as a flag:
// WindowOpen takes it out of the style and then leaves the window hidden.
const DWORD WINDOW_INVISIBLE = WS_VISIBLE;
// What WindowOpen uses when the caller gives no flags.
const DWORD WINDOW_DEFAULT_FLAGS = WS_CAPTION | WS_SYSMENU;
// As x or y, with no centring flag: the system chooses the position.
const int POSITION_IGNORE = -65535;

// WM_COMMAND identifiers of the Tab and Shift+Tab accelerators.
const WORD CMD_NEXT_CONTROL = 1212;
const WORD CMD_PREVIOUS_CONTROL = 1213;

extern ObjectTable* WindowTable;

void WindowInit();
// Window handle for a numbered window, identity for AUTO_NUMBER, 0 on failure.
ObjectNumber WindowOpen(ObjectNumber number, int x, int y, int width, int height, ProgramText title,
                        DWORD flags = WINDOW_DEFAULT_FLAGS, HWND parent = 0);
HWND WindowHandle(ObjectNumber number);
// Files dragged from the shell onto the window (onto its controls too) come
// to it as WM_DROPFILES: it gets the accept-files extended style, which needs
// no library at start-up and nothing revoked at close, and callback, which
// sees every message of the window before the runtime does (returning
// PASS_ON for those it leaves), takes the drops. Nothing when the window is not open.
void WindowAcceptFiles(ObjectNumber number, WindowCallback callback);
void WindowClose(ObjectNumber number);
void WindowCloseAll();
