// The start-up baseline: the same window as Zimbrel's (one class, a client
// area of 250 x 55 centred on the screen, the title "Zimbrel v1.0") with the
// same six controls, fonts and level items, made with plain Win32 calls and
// nothing else, followed by a plain message loop. The benchmark harness times
// it from process start to the first idle wait of that loop.
#include <windows.h>
#include <commctrl.h>

#include "app/texts.h"

static LRESULT CALLBACK BaselineProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

static HWND Control(HWND parent, DWORD exStyle, const char* cls, const char* text, DWORD style, int x, int y,
                    int width, int height, HFONT font) {
  HWND control = CreateWindowExA(exStyle, cls, text, style, x, y, width, height, parent, 0,
                                 GetModuleHandleA(0), 0);
  SendMessageA(control, WM_SETFONT, (WPARAM)font, TRUE);
  return control;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  InitCommonControls();
  HDC screen = GetDC(0);
  int height = -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72);
  ReleaseDC(0, screen);
  HFONT bold = CreateFontA(height, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, TEXT_FONT_FACE);
  HFONT gui = (HFONT)GetStockObject(DEFAULT_GUI_FONT);

  WNDCLASSA wc = {};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = BaselineProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(0, IDC_ARROW);
  wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
  wc.lpszClassName = "BaselineWindow";
  RegisterClassA(&wc);

  const DWORD style = WS_CAPTION | WS_SYSMENU;
  RECT r = {0, 0, 250, 55};
  AdjustWindowRect(&r, style, FALSE);
  int w = r.right - r.left, h = r.bottom - r.top;
  int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
  HWND window = CreateWindowExA(0, wc.lpszClassName, TEXT_WINDOW_TITLE, style, x, y, w, h, 0, 0, instance, 0);
  ShowWindow(window, SW_SHOWNORMAL);

  Control(window, 0, "Static", TEXT_EXE_LABEL, 0x50020000, 5, 5, 25, 20, bold);
  Control(window, WS_EX_CLIENTEDGE, "Edit", "", 0x50030080, 30, 5, 150, 20, gui);
  Control(window, 0, "Button", TEXT_BROWSE, 0x50030000, 185, 5, 60, 20, gui);
  Control(window, 0, "Static", TEXT_LEVEL_LABEL, 0x50020000, 5, 30, 120, 20, bold);
  HWND levels = Control(window, WS_EX_CLIENTEDGE, "ComboBox", 0, 0x50A30203, 120, 30, 60, 200, gui);
  Control(window, 0, "Button", TEXT_COMPRESS, 0x50030000, 185, 30, 60, 20, gui);
  char item[] = TEXT_LEVEL_PREFIX "1";
  for (char digit = '1'; digit <= '9'; digit++) {
    item[sizeof item - 2] = digit;
    SendMessageA(levels, CB_ADDSTRING, 0, (LPARAM)item);
  }
  SendMessageA(levels, CB_ADDSTRING, 0, (LPARAM)TEXT_LEVEL_BETTER);
  SendMessageA(levels, CB_ADDSTRING, 0, (LPARAM)TEXT_LEVEL_MAX);
  SendMessageA(levels, CB_SETCURSEL, 9, 0);

  MSG msg;
  while (GetMessageA(&msg, 0, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  DeleteObject(bold);
  ExitProcess(0);
}
