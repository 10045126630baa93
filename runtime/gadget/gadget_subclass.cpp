// The procedure every gadget is given and the end of a gadget's life (its
// control destroyed, or its number claimed again), and the way back from a
// control to its gadget: control messages that reach a runtime window go on to
// the control's class, and a control finds the runtime window that hosts it.
#include "runtime/gadget/gadget.h"
#include "runtime/gadget/gadget_classes.h"
#include "runtime/system/late_library.h"

static GadgetRecord* RecordIfOwn(HWND control, ObjectNumber key) {
  GadgetRecord* record = (GadgetRecord*)ObjectTableFind(GadgetTable, key);
  return record && record->handle == control ? record : 0;
}

// The record of a control, found by its GWL_ID (or else its "Kel_ID") and only
// if it is that control's; or null. key (if given) receives the number it was found by.
GadgetRecord* GadgetOfControl(HWND control, ObjectNumber* key) {
  if (!control) return 0;
  // By the id first; a record found there that belongs to another control
  // (the id was changed behind our back) is not this one's, so the control's
  // "Kel_ID" is asked next.
  ObjectNumber id = (ObjectNumber)GetWindowLongPtrW(control, GWLP_ID);
  GadgetRecord* record = RecordIfOwn(control, id);
  if (!record) {
    id = (ObjectNumber)GetPropA(control, PROPERTY_GADGET_ID);
    record = RecordIfOwn(control, id);
  }
  if (record && key) *key = id;
  return record;
}

static BOOL CALLBACK ReadGadgetProperty(HWND, LPSTR name, HANDLE data, ULONG_PTR carried) {
  if (IS_INTRESOURCE(name) || lstrcmpiA(name, PROPERTY_GADGET_ID)) return TRUE;
  *(ObjectNumber*)carried = (ObjectNumber)data;
  return FALSE;
}

// Whether handle is still a window that carries gadget key's "Kel_ID". A
// control that died unseen left its handle value free, and the system may have
// given it to another window since. The window's property list is read rather
// than GetPropA, which answers 0 for a missing property as for gadget 0's; a
// handle that is no window has no list.
static bool StillGadgetControl(HWND handle, ObjectNumber key) {
  ObjectNumber carried = ~key;
  EnumPropsExA(handle, ReadGadgetProperty, (LPARAM)&carried);
  return carried == key;
}

// Runs the class clean-up, removes the control's properties (only when
// control says the handle is still the gadget's) and frees the record.
static void GadgetForget(GadgetRecord* record, ObjectNumber key, bool control) {
  HWND handle = record->handle;
  if (record->ops && record->ops->cleanup) record->ops->cleanup(record);
  if (control) {
    RemovePropA(handle, PROPERTY_GADGET_ID);
    // Nothing in this program sets the mark, but a control that carries it must
    // not stay registered as a drop target once it is gone.
    if (RemovePropA(handle, PROPERTY_DROP_ACCEPT)) RevokeDropTarget(handle);
  }
  ObjectTableRelease(GadgetTable, key);
}

LRESULT CALLBACK GadgetSubclassProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  ObjectNumber key = 0;
  GadgetRecord* record = GadgetOfControl(handle, &key);
  // Read before a release can clear it. A control whose record is gone still
  // needs a procedure: its class's own is the safe one.
  WNDPROC previous = record && record->previousProc
                         ? record->previousProc
                         : (WNDPROC)GetClassLongPtrW(handle, GCLP_WNDPROC);
  if (message == WM_NCDESTROY && record) GadgetForget(record, key, true);
  if (message == WM_SETFOCUS) PushButtonFrameFollowsFocus(handle);
  if (!previous || previous == GadgetSubclassProc) return DefWindowProcW(handle, message, wParam, lParam);
  return CallWindowProcW(previous, handle, message, wParam, lParam);
}

void GadgetDestroyHook(ObjectNumber number) {
  GadgetRecord* record = (GadgetRecord*)ObjectTableFind(GadgetTable, number);
  if (!record) return;
  HWND handle = record->handle;
  // A handle that now names another window is neither destroyed nor stripped.
  bool control = StillGadgetControl(handle, number);
  if (control) DestroyWindow(handle);  // WM_NCDESTROY releases the record
  // A control that could not be destroyed here (already gone without our
  // procedure seeing it, or owned by another thread) still lets go of its
  // brush and record, so the slot is handed out clean.
  record = (GadgetRecord*)ObjectTableFind(GadgetTable, number);
  if (record && record->handle == handle) GadgetForget(record, number, control);
}

// --- forwarding ----------------------------------------------------------------

LRESULT GadgetForwardMessage(HWND control, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!control) return NOT_HANDLED;
  ObjectNumber key = (ObjectNumber)GetPropA(control, PROPERTY_GADGET_ID);
  if (key != (ObjectNumber)GetWindowLongPtrW(control, GWLP_ID)) return NOT_HANDLED;
  // A control that is not one of ours (no property, id 0) must not borrow gadget 0's class.
  GadgetRecord* record = GadgetOfControl(control, 0);
  // Buttons and drop lists have no handler: their notifications become events.
  if (!record || !record->ops->handleMessage) return NOT_HANDLED;
  return record->ops->handleMessage(record, window, message, wParam, lParam);
}

HWND FindRuntimeWindow(HWND handle) {
  for (HWND h = handle;;) {
    HWND parent = GetParent(h);
    if (!parent || GetPropA(h, PROPERTY_WINDOW_ID)) return h;
    h = parent;
  }
}
