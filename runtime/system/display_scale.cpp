// The DPI queries of display_scale.h.
#include "runtime/system/display_scale.h"


// The window's DPI after a DPI change, as the change's own word: the system
// may still answer the old DPI while the change is handled.
static const char PROPERTY_DPI[] = "Kel_Dpi";

UINT ScreenDpi() {
  // The system's DPI does not change while a program runs.
  static UINT dpi;
  if (!dpi) {
    HDC screen = CreateDCA("DISPLAY", 0, 0, 0);
    dpi = screen ? (UINT)GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) DeleteDC(screen);
  }
  return dpi ? dpi : DPI_STANDARD;
}

// A function of a library the program has loaded, found by name, so that a
// system without it still starts the program.
static void* FunctionOf(HMODULE library, const char* name) {
  return library ? (void*)GetProcAddress(library, name) : 0;
}
static void* User32Function(const char* name) { return FunctionOf(GetModuleHandleA("user32.dll"), name); }

// Windows 8.1 to 10 1511 only: the DPI of the window's monitor, from shcore,
// loaded at this first need from the system folder (these systems know the flag).
static UINT MonitorDpi(HWND window) {
  typedef HMONITOR(WINAPI * MonitorOf)(HWND, DWORD);
  typedef HRESULT(WINAPI * ForMonitor)(HMONITOR, int, UINT*, UINT*);
  static HMODULE shcore;
  if (!shcore) shcore = LoadLibraryExA("shcore.dll", 0, LOAD_LIBRARY_SEARCH_SYSTEM32);
  MonitorOf monitorOf = (MonitorOf)User32Function("MonitorFromWindow");
  ForMonitor forMonitor = (ForMonitor)FunctionOf(shcore, "GetDpiForMonitor");
  UINT x = 0, y = 0;
  // 0: MDT_EFFECTIVE_DPI, the DPI the monitor is shown at.
  if (!monitorOf || !forMonitor || forMonitor(monitorOf(window, MONITOR_DEFAULTTONEAREST), 0, &x, &y) != S_OK) return 0;
  return y;
}

UINT WindowDpiOfSystem(HWND window) {
  typedef UINT(WINAPI * ForWindow)(HWND);
  ForWindow forWindow = (ForWindow)User32Function("GetDpiForWindow");
  UINT dpi = !window ? 0 : forWindow ? forWindow(window) : MonitorDpi(window);
  return dpi ? dpi : ScreenDpi();
}

UINT WindowDpi(HWND window) {
  UINT dpi = window ? (UINT)(UINT_PTR)GetPropA(window, PROPERTY_DPI) : 0;
  return dpi ? dpi : WindowDpiOfSystem(window);
}

void WindowDpiSet(HWND window, UINT dpi) { SetPropA(window, PROPERTY_DPI, (HANDLE)(UINT_PTR)dpi); }

void AdjustWindowRectForDpi(RECT* rect, DWORD style, UINT dpi) {
  typedef BOOL(WINAPI * AdjustForDpi)(RECT*, DWORD, BOOL, DWORD, UINT);
  AdjustForDpi adjust = (AdjustForDpi)User32Function("AdjustWindowRectExForDpi");
  if (!adjust || !adjust(rect, style, FALSE, 0, dpi)) AdjustWindowRect(rect, style, FALSE);
}
