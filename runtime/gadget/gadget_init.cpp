// Start-up of the gadget layer and the gadget list.
#include "runtime/gadget/colour.h"
#include "runtime/gadget/gadget.h"

#include <commctrl.h>

#include "runtime/memory/record.h"

ObjectTable* GadgetTable;
GadgetList* Gadgets;
HFONT DefaultGuiFont;

// Used when the list's own record cannot be allocated, so that the layer keeps
// working (with the default font) instead of failing at every create.
static GadgetList fallbackList;

// The records are 32 bytes on the 32-bit build; a wider build needs wider records.
static const LONG GadgetRecordSize = sizeof(GadgetRecord) > 32 ? (LONG)sizeof(GadgetRecord) : 32;

static void GadgetListInitHook(void* record) { ((GadgetList*)record)->font = DefaultGuiFont; }

BOOL GadgetInit() {
  // A second call must not re-initialise a lock in use nor orphan the table.
  static bool started;
  if (!started) {
    InitializeCriticalSection(&BrushCacheLock);
    BrushCacheReady = true;
    DefaultGuiFont = (HFONT)GetStockObject(DEFAULT_GUI_FONT);
    GadgetTable = ObjectTableNew(GadgetRecordSize, 50, GadgetDestroyHook);
    Gadgets = (GadgetList*)RecordNew(sizeof(GadgetList), GadgetListInitHook);
    if (!Gadgets) {
      Gadgets = &fallbackList;
      GadgetListInitHook(Gadgets);
    }
    started = true;
  }
  INITCOMMONCONTROLSEX controls;
  controls.dwSize = sizeof(controls);  // 8
  controls.dwICC = ICC_TAB_CLASSES | ICC_DATE_CLASSES | ICC_USEREX_CLASSES | ICC_INTERNET_CLASSES;
  return InitCommonControlsEx(&controls);
}

void CommonControlsInit() { InitCommonControls(); }

HWND GadgetListUse(HWND window) {
  if (Gadgets) Gadgets->parent = window;
  return window;
}
