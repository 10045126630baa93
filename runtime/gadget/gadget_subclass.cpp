// The procedure every gadget is given and the end of a gadget's life (its
// control destroyed, or its number claimed again), and the way back from a
// control to its gadget: control messages that reach a runtime window go on to
// the control's class, and a control finds the runtime window that hosts it.
#include "runtime/gadget/gadget.h"

#include <ole2.h>

static GadgetRecord* RecordIfOwn(HWND control, ObjectNumber key) {
  GadgetRecord* record = (GadgetRecord*)ObjectTableFind(GadgetTable, key);
  return record && record->handle == control ? record : 0;
}

// The record of a control, found by its GWL_ID (or else its "Kel_ID") and only
// if it is that control's; or null. key (if given) receives the number it was found by.
static GadgetRecord* GadgetOfControl(HWND control, ObjectNumber* key) {
  if (!control) return 0;
  // By the id first; a record found there that belongs to another control
  // (the id was changed behind our back) is not this one's, so the control's
  // "Kel_ID" is asked next.
  ObjectNumber id = (ObjectNumber)GetWindowLongPtrA(control, GWLP_ID);
  GadgetRecord* record = RecordIfOwn(control, id);
  if (!record) {
    id = (ObjectNumber)GetPropA(control, PROPERTY_GADGET_ID);
    record = RecordIfOwn(control, id);
  }
  if (record && key) *key = id;
  return record;
}

// Runs the class clean-up, removes the control's properties and frees its record.
static void GadgetForget(GadgetRecord* record, ObjectNumber key) {
  HWND handle = record->handle;
  if (record->ops && record->ops->cleanup) record->ops->cleanup(record);
  RemovePropA(handle, PROPERTY_GADGET_ID);
  // Nothing in this program sets the mark, but a control that carries it must
  // not stay registered as a drop target once it is gone.
  if (RemovePropA(handle, PROPERTY_DROP_ACCEPT)) RevokeDragDrop(handle);
  ObjectTableRelease(GadgetTable, key);
}

LRESULT CALLBACK GadgetSubclassProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  ObjectNumber key = 0;
  GadgetRecord* record = GadgetOfControl(handle, &key);
  // Read before a release can clear it. A control whose record is gone still
  // needs a procedure: its class's own is the safe one.
  WNDPROC previous = record && record->previousProc
                         ? record->previousProc
                         : (WNDPROC)GetClassLongPtrA(handle, GCLP_WNDPROC);
  if (message == WM_NCDESTROY && record) GadgetForget(record, key);
  if (!previous || previous == GadgetSubclassProc) return DefWindowProcA(handle, message, wParam, lParam);
  return CallWindowProcA(previous, handle, message, wParam, lParam);
}

void GadgetDestroyHook(ObjectNumber number) {
  GadgetRecord* record = (GadgetRecord*)ObjectTableFind(GadgetTable, number);
  if (!record) return;
  HWND handle = record->handle;
  DestroyWindow(handle);  // WM_NCDESTROY releases the record
  // A control that could not be destroyed here (already gone without our
  // procedure seeing it, or owned by another thread) still lets go of its
  // brush and record, so the slot is handed out clean.
  record = (GadgetRecord*)ObjectTableFind(GadgetTable, number);
  if (record && record->handle == handle) GadgetForget(record, number);
}

// --- forwarding ----------------------------------------------------------------

LRESULT GadgetForwardMessage(HWND control, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!control) return NOT_HANDLED;
  ObjectNumber key = (ObjectNumber)GetPropA(control, PROPERTY_GADGET_ID);
  if (key != (ObjectNumber)GetWindowLongPtrA(control, GWLP_ID)) return NOT_HANDLED;
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
