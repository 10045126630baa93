// The gadget framework of gadget.h: start-up, the gadget list, the creation protocol, the generic operations.
#include "runtime/gadget/gadget.h"

#include <commctrl.h>

#include "runtime/gadget/brush_cache.h"
#include "runtime/memory/heaps.h"
#include "runtime/memory/strings.h"
#include "runtime/text/code_pages.h"
#include "runtime/system/display_scale.h"

ObjectTable* GadgetTable;
GadgetList* Gadgets;

// Used when the list's own record cannot be allocated, so that the layer keeps
// working (with the default font) instead of failing at every create.
static GadgetList fallbackList;

// The records are 32 bytes on the 32-bit build; a wider build needs wider records.
static const LONG GADGET_RECORD_SIZE = sizeof(GadgetRecord) > 32 ? (LONG)sizeof(GadgetRecord) : 32;

static void GadgetListInitHook(void* record) { ((GadgetList*)record)->font = DefaultGuiFont; }

BOOL GadgetInit() {
  // A second call must not re-initialise a lock in use nor orphan the table.
  static bool started;
  if (!started) {
    BrushCacheInit();
    DefaultGuiFont = (HFONT)GetStockObject(DEFAULT_GUI_FONT);
    GadgetTable = ObjectTableNew(GADGET_RECORD_SIZE, 50, GadgetDestroyHook);
    Gadgets = (GadgetList*)RecordNew(sizeof(GadgetList), GadgetListInitHook);
    if (!Gadgets) {
      Gadgets = &fallbackList;
      GadgetListInitHook(Gadgets);
    }
    started = true;
  }
  // None of the four classes needs these families; they are registered once
  // here, at start-up, for every control a gadget class may be built on.
  INITCOMMONCONTROLSEX controls;
  controls.dwSize = sizeof(controls);  // 8
  controls.dwICC = ICC_TAB_CLASSES | ICC_DATE_CLASSES | ICC_USEREX_CLASSES | ICC_INTERNET_CLASSES;
  return InitCommonControlsEx(&controls);
}

// A second registration after GadgetInit's: the old entry point registers the
// standard set that every comctl32 knows, whatever InitCommonControlsEx took.
void CommonControlsInit() { InitCommonControls(); }

HWND GadgetListUse(HWND window) {
  if (Gadgets) Gadgets->parent = window;
  return window;
}

// --- creation protocol ---------------------------------------------------------

GadgetRecord* GadgetCreateControl(ObjectNumber number, DWORD exStyle, const wchar_t* className,
                                  const ProgramText* text, DWORD style, int x, int y, int width, int height,
                                  HWND* handle) {
  // Without a parent there is nowhere to put a child control.
  if (!Gadgets || !Gadgets->parent) return 0;
  // Written in pixels at 96 DPI; shown at the DPI of the window. The place at
  // 96 DPI goes into the record once it is claimed.
  const GadgetPlace at96 = {(short)x, (short)y, (short)width, (short)height};
  UINT dpi = WindowDpi(Gadgets->parent);
  x = ScaleToDpi(x, dpi);
  y = ScaleToDpi(y, dpi);
  width = ScaleToDpi(width, dpi);
  height = ScaleToDpi(height, dpi);
  // Control id -1 for now: the real one, the number or the identity, is only
  // known after the claim and is set by GadgetCreateFinish. A Unicode control,
  // which the gadgets' procedures keep Unicode: typed and pasted letters stay
  // as they were typed.
  HWND control = CreateWindowExW(exStyle, className, text ? (const wchar_t*)WideText(*text) : 0, style, x, y,
                                 width, height, Gadgets->parent, (HMENU)(LONG_PTR)-1, InstanceHandle, 0);
  *handle = control;
  if (!control) return 0;
  // Claiming a used number destroys the gadget that holds it (the table's
  // release hook); the new control already exists at that point.
  GadgetRecord* record = (GadgetRecord*)ObjectTableClaim(GadgetTable, number);
  if (!record) DestroyWindow(control);  // not yet subclassed: nothing else to undo
  else record->at96 = at96;
  return record;
}

// The font to a control: the default font, made for the system's DPI, at the
// DPI of the control's window. One copy for the create and GadgetSetFont.
__attribute__((noinline)) static void ControlFont(HWND handle, HFONT font) {
  if (font == DefaultGuiFont) font = GadgetDefaultFont(WindowDpi(GetParent(handle)));
  SendMessageW(handle, WM_SETFONT, (WPARAM)font, TRUE);
}

ObjectNumber GadgetCreateFinish(ObjectNumber number, GadgetRecord* record, HWND handle,
                                const GadgetClassOps* table) {
  bool automatic = number == AUTO_NUMBER;
  if (automatic) number = ObjectIdentity(record);
  record->handle = handle;
  record->ops = table;
  record->previousProc = (WNDPROC)SetWindowLongPtrW(handle, GWLP_WNDPROC, (LONG_PTR)GadgetSubclassProc);
  SetWindowLongPtrW(handle, GWLP_ID, (LONG_PTR)number);
  SetPropA(handle, PROPERTY_GADGET_ID, (HANDLE)number);
  // The record may not be touched from here on: the message runs our procedure.
  ControlFont(handle, Gadgets ? Gadgets->font : DefaultGuiFont);
  return automatic ? number : (ObjectNumber)handle;
}

void GadgetsRescale(HWND parent, UINT fromDpi, UINT toDpi) {
  // The fonts first: a drop list takes the height of its closed line from its
  // font when it is placed.
  GadgetFontsRescale(parent, fromDpi, toDpi);
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    // Each gadget from its place at 96 DPI, so that many changes never move it.
    GadgetRecord* record = GadgetOfControl(child, 0);
    if (!record) continue;
    const GadgetPlace& at = record->at96;
    SetWindowPos(child, 0, ScaleToDpi(at.x, toDpi), ScaleToDpi(at.y, toDpi), ScaleToDpi(at.width, toDpi),
                 ScaleToDpi(at.height, toDpi), SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

// --- generic operations --------------------------------------------------------

static GadgetRecord* FindGadget(ObjectNumber gadget) {
  return (GadgetRecord*)ObjectTableFind(GadgetTable, gadget);
}

void GadgetSetFont(ObjectNumber gadget, HFONT font) {
  if (font == FONT_DEFAULT) font = DefaultGuiFont;
  if (gadget == GADGET_LIST) {
    // Only gadgets created from now on get it.
    if (Gadgets) Gadgets->font = font;
    return;
  }
  GadgetRecord* record = FindGadget(gadget);
  if (!record) return;
  ControlFont(record->handle, font);
}

LONG GadgetAddItem(ObjectNumber gadget, LONG position, ProgramText text) {
  GadgetRecord* record = FindGadget(gadget);
  if (!record) return 0;
  if (record->ops->addItemEx) return record->ops->addItemEx(record, position, text, 0, 0);
  if (record->ops->addItem) return record->ops->addItem(record, position, text, 0);
  return 0;
}

void GadgetSetState(ObjectNumber gadget, LONG state) {
  GadgetRecord* record = FindGadget(gadget);
  if (record && record->ops->setState) record->ops->setState(record, state);
}

LONG GadgetGetState(ObjectNumber gadget) {
  GadgetRecord* record = FindGadget(gadget);
  if (record && record->ops->getState) return record->ops->getState(record);
  return 0;
}

LONG GadgetSetText(ObjectNumber gadget, ProgramText text) {
  GadgetRecord* record = FindGadget(gadget);
  if (!record) return 0;
  if (record->ops->setText) return record->ops->setText(record, text);
  return SetWindowTextW(record->handle, WideText(text));
}

// No class takes a UTF-16 text: it goes to the window text whatever the class.
LONG GadgetSetTextWide(ObjectNumber gadget, const wchar_t* text) {
  GadgetRecord* record = FindGadget(gadget);
  if (!record) return 0;
  return SetWindowTextW(record->handle, text ? text : L"");
}

char* GadgetGetText(ObjectNumber gadget) {
  GadgetRecord* record = FindGadget(gadget);
  if (!record) return 0;
  if (record->ops->getText) return record->ops->getText(record);
  return TextFromWide(GadgetGetTextWide(gadget));
}

wchar_t* GadgetGetTextWide(ObjectNumber gadget) {
  GadgetRecord* record = FindGadget(gadget);
  if (!record) return 0;
  int length = GetWindowTextLengthW(record->handle);
  if (length < 0) length = 0;
  wchar_t* text = WideTemp((size_t)length);
  // Out of memory: an empty text rather than a pointer the caller cannot use.
  static wchar_t empty[1];
  if (!text) return empty;
  // The copy may be shorter than the length reported; it is terminated either way.
  GetWindowTextW(record->handle, text, length + 1);
  return text;
}
