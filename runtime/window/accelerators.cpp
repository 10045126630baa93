#include <richedit.h>

#include "runtime/window/window_internal.h"

static bool KeyDown(int key) { return (GetKeyState(key) & 0x80) != 0; }

// A plain Tab belongs to an editable rich edit control as a character;
// Shift+Tab always moves the focus.
static bool TabIsText() {
  if (!KeyDown(VK_TAB) || KeyDown(VK_CONTROL) || KeyDown(VK_SHIFT) || KeyDown(VK_MENU)) return false;
  HWND focus = GetFocus();
  char className[5] = "";
  GetClassNameA(focus, className, sizeof className);
  return lstrcmpA(className, "Rich") == 0 && !(SendMessageA(focus, EM_GETOPTIONS, 0, 0) & ECO_READONLY);
}

HACCEL ActiveAccelerators(HWND window) {
  if (TabIsText()) return 0;
  // Not a runtime window (a message box, say): no table.
  ObjectNumber stored = (ObjectNumber)GetPropA(window, PROPERTY_WINDOW_ID);
  if (!stored) return 0;
  WindowRecord* record = (WindowRecord*)ObjectTableFind(WindowTable, stored - 1);
  return record ? record->acceleratorTable : 0;
}
