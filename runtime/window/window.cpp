// The life of a numbered window of window.h, and the choice of accelerator table for a key.
#include <richedit.h>
#include <string.h>

#include "runtime/memory/heaps.h"
#include "runtime/text/code_pages.h"
#include "runtime/system/display_scale.h"
#include "runtime/system/late_library.h"
#include "runtime/window/sizing.h"
#include "runtime/window/window_internal.h"

static_assert(sizeof(WindowRecord) == 48, "a window record is 48 bytes");

ObjectTable* WindowTable;

static const int WINDOW_TABLE_GROW = 16;
static HCURSOR windowClassCursor;

// The event state and the sizing state are made by their own files; the order
// of the steps is the order of the allocations, which the allocation-fault
// tests count.
void WindowInit() {
  WindowTable = ObjectTableNew(sizeof(WindowRecord), WINDOW_TABLE_GROW, WindowClose);
  EventStateInit();
  windowClassCursor = LoadCursorA(0, IDC_ARROW);
  SizingStateInit();
}

// --- the class ---------------------------------------------------------------

// Room for "WindowClass_" and any signed 32-bit number.
static const int WINDOW_CLASS_NAME_SIZE = 32;

static void WindowClassName(ObjectNumber number, wchar_t* buffer) {
  wsprintfW(buffer, L"WindowClass_%ld", (long)number);
}

// --- accelerators ------------------------------------------------------------

static const ACCEL WINDOW_FOCUS_KEYS[] = {
    {FVIRTKEY | FNOINVERT, VK_TAB, CMD_NEXT_CONTROL},
    {FVIRTKEY | FNOINVERT | FSHIFT, VK_TAB, CMD_PREVIOUS_CONTROL},
};

// Without the array the window still works; Tab and Shift+Tab then do nothing special.
static void WindowMakeAccelerators(WindowRecord* record) {
  const int count = sizeof WINDOW_FOCUS_KEYS / sizeof WINDOW_FOCUS_KEYS[0];
  record->accelerators = (ACCEL*)HeapAllocate(MainHeap, 0, sizeof WINDOW_FOCUS_KEYS);
  if (!record->accelerators) return;
  CopyMemory(record->accelerators, WINDOW_FOCUS_KEYS, sizeof WINDOW_FOCUS_KEYS);
  record->acceleratorCount = count;
  record->acceleratorTable = CreateAcceleratorTableA(record->accelerators, count);
}

static bool KeyDown(int key) { return (GetKeyState(key) & 0x80) != 0; }

// A plain Tab belongs to an editable rich edit control as a character;
// Shift+Tab always moves the focus. The 5-byte buffer is deliberate: only the
// first four characters of the class name are read, so "RichEdit" and
// "RichEdit20A" both count.
static bool TabIsText() {
  if (!KeyDown(VK_TAB) || KeyDown(VK_CONTROL) || KeyDown(VK_SHIFT) || KeyDown(VK_MENU)) return false;
  HWND focus = GetFocus();
  // A name the call writes is always terminated; a failed call leaves the empty one.
  char className[5];
  className[0] = 0;
  GetClassNameA(focus, className, sizeof className);
  return strcmp(className, "Rich") == 0 && !(SendMessageW(focus, EM_GETOPTIONS, 0, 0) & ECO_READONLY);
}

HACCEL ActiveAccelerators(HWND window) {
  if (TabIsText()) return 0;
  // Not a runtime window (a message box, say): no table.
  ObjectNumber stored = (ObjectNumber)GetPropA(window, PROPERTY_WINDOW_ID);
  if (!stored) return 0;
  WindowRecord* record = (WindowRecord*)ObjectTableFind(WindowTable, stored - 1);
  return record ? record->acceleratorTable : 0;
}

// --- opening -----------------------------------------------------------------

// x and y for the outer size width x height, after the centring flags.
static void WindowPlace(DWORD flags, HWND parent, int* x, int* y, int* width, int* height) {
  if (flags & WINDOW_SCREEN_CENTRED) {
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    if (*width > sw) *width = sw;
    if (*height > sh) *height = sh;
    *x = (sw - *width) / 2;
    *y = (sh - *height) / 2;
    return;
  }
  if (flags & WINDOW_PARENT_CENTRED) {
    HWND reference = parent ? parent : GetActiveWindow();
    RECT r;
    if (!reference || !GetWindowRect(reference, &r)) return;
    *x = r.left + ((r.right - r.left) - *width) / 2;
    *y = r.top + ((r.bottom - r.top) - *height) / 2;
    if (*x < 0) *x = 0;
    if (*y < 0) *y = 0;
    return;
  }
  // Either coordinate left to the system gives it both.
  if (*x == POSITION_IGNORE || *y == POSITION_IGNORE) *x = *y = CW_USEDEFAULT;
}

// The record of a window just shown, found again by its number: showing
// dispatched messages, so its address is not trusted.
static void WindowRecordFinish(ObjectNumber number, int clientWidth, int clientHeight) {
  WindowRecord* record = (WindowRecord*)ObjectTableFind(WindowTable, number);
  if (!record) return;
  WindowMakeAccelerators(record);
  record->backColour = -1;
  record->mdiClient = 0;
  record->clientWidth = clientWidth;
  record->clientHeight = clientHeight;
}

ObjectNumber WindowOpen(ObjectNumber number, int x, int y, int width, int height, ProgramText title,
                        DWORD flags, HWND parent) {
  // A window open under this number is closed here by the table's release hook.
  WindowRecord* record = (WindowRecord*)ObjectTableClaim(WindowTable, number);
  if (!record) return 0;
  const bool automatic = number == AUTO_NUMBER;
  if (automatic) number = ObjectIdentity(record);

  wchar_t className[WINDOW_CLASS_NAME_SIZE];
  WindowClassName(number, className);
  // A Unicode class: the window's text and every message it gets stay UTF-16,
  // never passing through the system's ANSI code page.
  // No icon: the program carries none (app/zimbrel.rc), and Windows shows its default one.
  WNDCLASSW windowClass = {CS_DBLCLKS, RuntimeWindowProc, 0, 0, InstanceHandle, 0,
                           windowClassCursor, (HBRUSH)(COLOR_BTNFACE + 1), 0, className};
  RegisterClassW(&windowClass);

  // With no style of its own beyond the runtime's flags, a window gets a caption.
  if ((flags & ~(WINDOW_SCREEN_CENTRED | WINDOW_PARENT_CENTRED | WINDOW_INVISIBLE)) == 0) flags |= WS_CAPTION;
  const bool show = !(flags & WINDOW_INVISIBLE);
  flags &= ~WINDOW_INVISIBLE;
  const DWORD style = flags & ~(WINDOW_SCREEN_CENTRED | WINDOW_PARENT_CENTRED);

  // The client area is written in pixels at 96 DPI and shown at the screen's
  // DPI; a window that comes up on a monitor of another DPI is sized again.
  const int clientWidth = width, clientHeight = height;
  const UINT dpi = ScreenDpi();
  WindowOuterSize(clientWidth, clientHeight, style, dpi, dpi, &width, &height);
  WindowPlace(flags, parent, &x, &y, &width, &height);

  // Messages sent during creation find no number property yet; the window
  // procedure treats them as those of a window without a number.
  HWND handle = CreateWindowExW(0, className, WideText(title), style, x, y, width, height, parent, 0,
                                InstanceHandle, 0);
  record->handle = handle;
  WindowIdChanged();
  // number + 1, so that window 0 reads differently from a window without the property.
  if (handle && !SetPropA(handle, PROPERTY_WINDOW_ID, (HANDLE)(number + 1))) {
    DestroyWindow(handle);
    handle = 0;
  }
  if (!handle) {
    UnregisterClassW(className, InstanceHandle);
    ObjectTableRelease(WindowTable, number);
    return 0;
  }
  const UINT shownAt = WindowDpi(handle);
  if (shownAt != dpi) {
    WindowOuterSize(clientWidth, clientHeight, style, shownAt, shownAt, &width, &height);
    SetWindowPos(handle, 0, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (show) ShowWindow(handle, (style & WINDOW_MAXIMIZE) ? SW_MAXIMIZE : SW_SHOWNORMAL);
  WindowRecordFinish(number, clientWidth, clientHeight);
  return automatic ? number : (ObjectNumber)handle;
}

// --- closing -----------------------------------------------------------------

HWND WindowHandle(ObjectNumber number) {
  WindowRecord* record = (WindowRecord*)ObjectTableFind(WindowTable, number);
  return record ? record->handle : 0;
}

void WindowAcceptFiles(ObjectNumber number, WindowCallback callback) {
  WindowRecord* record = (WindowRecord*)ObjectTableFind(WindowTable, number);
  if (!record) return;
  record->callback = callback;
  SetWindowLongW(record->handle, GWL_EXSTYLE, GetWindowLongW(record->handle, GWL_EXSTYLE) | WS_EX_ACCEPTFILES);
}

void WindowClose(ObjectNumber number) {
  WindowRecord* record = (WindowRecord*)ObjectTableFind(WindowTable, number);
  if (!record) return;
  // The record's resources are taken out before anything is destroyed, so a
  // close that runs again from inside the destruction cannot free them twice.
  const HWND handle = record->handle;
  const HWND mdiClient = record->mdiClient;
  ACCEL* accelerators = record->accelerators;
  const HACCEL acceleratorTable = record->acceleratorTable;
  const HBRUSH backBrush = record->backBrush;
  record->accelerators = 0;
  record->acceleratorTable = 0;
  record->backBrush = 0;

  // The owner becomes active before its owned window goes, so the activation
  // does not wander off to some other program.
  const HWND owner = GetWindow(handle, GW_OWNER);
  if (owner && !mdiClient) SetActiveWindow(owner);

  WindowIdChanged();
  RemovePropA(handle, PROPERTY_WINDOW_ID);
  // Nothing in this program registers a drop target, but a window that
  // carries the mark was registered by whoever set it, and must not stay so.
  if (RemovePropA(handle, PROPERTY_DROP_ACCEPT)) RevokeDropTarget(handle);

  // An MDI child (none in this program) must be destroyed by its MDI client.
  if (mdiClient) {
    SendMessageW(mdiClient, WM_MDIDESTROY, (WPARAM)handle, 0);
  } else {
    DestroyWindow(handle);
    wchar_t className[WINDOW_CLASS_NAME_SIZE];
    WindowClassName(number, className);
    UnregisterClassW(className, InstanceHandle);
  }
  HeapRelease(MainHeap, accelerators);
  if (acceleratorTable) DestroyAcceleratorTable(acceleratorTable);
  if (backBrush) DeleteObject(backBrush);
  ObjectTableRelease(WindowTable, number);
}

// Numbered windows by ascending number, then automatic ones oldest first.
void WindowCloseAll() {
  ObjectTableEnumStart(WindowTable);
  ObjectNumber number;
  while (ObjectTableEnumNext(WindowTable, &number)) WindowClose(number);
  if (Events) EventDataFree(Events);
}
