#include "runtime/memory/heaps.h"
#include "runtime/window/window_internal.h"

static const ACCEL focusKeys[2] = {
    {FVIRTKEY | FNOINVERT, VK_TAB, CMD_NEXT_CONTROL},
    {FVIRTKEY | FNOINVERT | FSHIFT, VK_TAB, CMD_PREVIOUS_CONTROL},
};

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
  if (*x == POSITION_IGNORE || *y == POSITION_IGNORE) *x = *y = CW_USEDEFAULT;
}

// Without the array the window still works; Tab and Shift+Tab then do nothing special.
static void WindowMakeAccelerators(WindowRecord* record) {
  record->accelerators = (ACCEL*)HeapAllocate(MainHeap, 0, sizeof focusKeys);
  if (!record->accelerators) return;
  CopyMemory(record->accelerators, focusKeys, sizeof focusKeys);
  record->acceleratorCount = 2;
  record->acceleratorTable = CreateAcceleratorTableA(record->accelerators, 2);
}

ObjectNumber WindowOpen(ObjectNumber number, int x, int y, int width, int height, const char* title,
                        DWORD flags, HWND parent) {
  // A window open under this number is closed here by the table's release hook.
  WindowRecord* record = (WindowRecord*)ObjectTableClaim(WindowTable, number);
  if (!record) return 0;
  const bool automatic = number == AUTO_NUMBER;
  if (automatic) number = ObjectIdentity(record);

  char className[WINDOW_CLASS_NAME_SIZE];
  WindowClassName(number, className);
  if (!title) title = "";
  WNDCLASSA windowClass = {CS_DBLCLKS, RuntimeWindowProc, 0, 0, InstanceHandle, WindowClassIcon,
                           WindowClassCursor, (HBRUSH)(COLOR_BTNFACE + 1), 0, className};
  RegisterClassA(&windowClass);

  // With no style of its own beyond the runtime's flags, a window gets a caption.
  if ((flags & ~(WINDOW_SCREEN_CENTRED | WINDOW_PARENT_CENTRED | WINDOW_INVISIBLE)) == 0) flags |= WS_CAPTION;
  const bool show = !(flags & WINDOW_INVISIBLE);
  flags &= ~WINDOW_INVISIBLE;
  const DWORD style = flags & ~(WINDOW_SCREEN_CENTRED | WINDOW_PARENT_CENTRED);

  RECT outer = {0, 0, width, height};
  AdjustWindowRect(&outer, style, FALSE);
  width = outer.right - outer.left;
  height = outer.bottom - outer.top;
  WindowPlace(flags, parent, &x, &y, &width, &height);

  HWND handle = CreateWindowExA(0, className, title, style, x, y, width, height, parent, 0, InstanceHandle, 0);
  record->handle = handle;
  WindowIdChanges++;
  if (handle && !SetPropA(handle, PROPERTY_WINDOW_ID, (HANDLE)(number + 1))) {
    DestroyWindow(handle);
    handle = 0;
  }
  if (!handle) {
    UnregisterClassA(className, InstanceHandle);
    ObjectTableRelease(WindowTable, number);
    return 0;
  }
  if (show) ShowWindow(handle, (style & WINDOW_MAXIMIZE) ? SW_MAXIMIZE : SW_SHOWNORMAL);

  // Showing dispatched messages; look the record up again rather than trust the address.
  record = (WindowRecord*)ObjectTableFind(WindowTable, number);
  if (record) {
    WindowMakeAccelerators(record);
    record->backColour = -1;
    record->mdiClient = 0;
  }
  return automatic ? number : (ObjectNumber)handle;
}
