// Numbered top-level windows: each with a class of its own ("WindowClass_%ld"),
// the property "Kel_WindowID" (number + 1) and a Tab / Shift+Tab accelerator table.
#pragma once
#include "runtime/common.h"
#include "runtime/memory/object_table.h"

typedef LRESULT (*WindowCallback)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
typedef LRESULT (*EraseCallback)(HDC dc, HWND window);

struct WindowRecord {
  HWND handle;                 // non-zero while the record is in use
  LONG acceleratorCount;       // always 2
  ACCEL* accelerators;         // on the MainHeap
  HACCEL acceleratorTable;
  WindowCallback callback;     // per-window user callback; none unless set
  LONG backColour;             // -1: default
  HBRUSH backBrush;            // deleted when the window closes
  HWND mdiClient;
  EraseCallback eraseCallback;
};

const DWORD WINDOW_SCREEN_CENTRED = 0x1;
const DWORD WINDOW_PARENT_CENTRED = 0x2;
const DWORD WINDOW_MAXIMIZE = 0x1000000;
const DWORD WINDOW_INVISIBLE = 0x10000000;
const DWORD WINDOW_DEFAULT_FLAGS = 0xC80000;  // WS_CAPTION | WS_SYSMENU
const int POSITION_IGNORE = -65535;

const WORD CMD_NEXT_CONTROL = 1212;
const WORD CMD_PREVIOUS_CONTROL = 1213;

extern ObjectTable* WindowTable;
extern HICON WindowClassIcon;
extern HCURSOR WindowClassCursor;

void WindowInit();
// Window handle for a numbered window, identity for AUTO_NUMBER, 0 on failure.
ObjectNumber WindowOpen(ObjectNumber number, int x, int y, int width, int height, const char* title,
                        DWORD flags = WINDOW_DEFAULT_FLAGS, HWND parent = 0);
HWND WindowHandle(ObjectNumber number);
void WindowClose(ObjectNumber number);
void WindowCloseAll();
