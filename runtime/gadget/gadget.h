// Gadgets: child controls addressed by number or identity, driven through
// per-class operation tables.
#pragma once
#include "runtime/common.h"
#include "runtime/memory/object_table.h"

struct GadgetClassOps;

struct GadgetRecord {
  HWND handle;             // the control; non-zero while in use
  const GadgetClassOps* ops;
  WNDPROC previousProc;    // what GadgetSubclassProc replaced
  LONG backColour;         // -1: system default
  LONG textColour;         // -1: system default
  HBRUSH backBrush;        // the cached brush of backColour
};

const LONG GADGET_KIND_BUTTON = 1;
const LONG GADGET_KIND_TEXT_FIELD = 2;
const LONG GADGET_KIND_TEXT_LABEL = 3;
const LONG GADGET_KIND_DROP_LIST = 8;

// 36 slots in a fixed order; a null slot means the class lacks the operation.
struct GadgetClassOps {
  intptr_t kind;                                                                   // 0
  intptr_t size;                                                                   // 1
  LRESULT (*handleMessage)(GadgetRecord*, HWND window, UINT, WPARAM, LPARAM);      // 2
  void (*cleanup)(GadgetRecord*);                                                  // 3
  LONG (*getState)(GadgetRecord*);                                                 // 4
  void (*setState)(GadgetRecord*, LONG state);                                     // 5
  char* (*getText)(GadgetRecord*);                                                 // 6
  LONG (*setText)(GadgetRecord*, const char* text);                                // 7
  LONG (*addItem)(GadgetRecord*, LONG position, const char* text, LONG extra);     // 8
  LONG (*addItemEx)(GadgetRecord*, LONG position, const char* text, LONG, LONG);   // 9
  LONG (*removeItem)(GadgetRecord*, LONG index);                                   // 10
  LONG (*clearItems)(GadgetRecord*);                                               // 11
  void* slot12;                                                                    // 12
  LONG (*countItems)(GadgetRecord*);                                               // 13
  void* slot14;                                                                    // 14
  void* slot15;                                                                    // 15
  char* (*getItemText)(GadgetRecord*, LONG index);                                 // 16
  LONG (*setItemText)(GadgetRecord*, LONG index, const char* text);                // 17
  void* slots18to29[12];                                                           // 18-29
  void (*setColour)(GadgetRecord*, LONG kind, LONG colour);                        // 30
  LONG (*getColour)(GadgetRecord*, LONG kind);                                     // 31
  void* slot32;                                                                    // 32
  void* slot33;                                                                    // 33
  LRESULT (*setItemData)(GadgetRecord*, LONG index, LPARAM value);                 // 34
  LRESULT (*getItemData)(GadgetRecord*, LONG index);                               // 35
};
static_assert(sizeof(GadgetClassOps) == 36 * sizeof(void*), "36 slots");

struct GadgetList {
  HWND parent;   // receives the gadgets created next
  HFONT font;    // sent to every new gadget
};

// Stands for DefaultGuiFont in GadgetSetFont; a gadget of -1 means the list.
#define FONT_DEFAULT ((HFONT)(LONG_PTR)-1)
const ObjectNumber GADGET_LIST = -1;

extern ObjectTable* GadgetTable;
extern GadgetList* Gadgets;
extern HFONT DefaultGuiFont;

BOOL GadgetInit();
void CommonControlsInit();
HWND GadgetListUse(HWND window);
void GadgetSetFont(ObjectNumber gadget, HFONT font);
LONG GadgetAddItem(ObjectNumber gadget, LONG position, const char* text);
void GadgetSetState(ObjectNumber gadget, LONG state);
LONG GadgetGetState(ObjectNumber gadget);
LONG GadgetSetText(ObjectNumber gadget, const char* text);
// A temporary text (see runtime/memory/strings.h), or null for no such gadget.
char* GadgetGetText(ObjectNumber gadget);
LRESULT GadgetForwardMessage(HWND control, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
HWND FindRuntimeWindow(HWND handle);

// Creation protocol, shared by the classes.
// CreateWindowExA in the gadget list's parent with control id -1; null on failure.
HWND GadgetCreateControl(DWORD exStyle, const char* className, const char* text, DWORD style,
                         int x, int y, int width, int height);
// The record for number; on failure the new control is destroyed and null returned.
GadgetRecord* GadgetClaim(ObjectNumber number, HWND handle);
ObjectNumber GadgetCreateFinish(ObjectNumber number, GadgetRecord* record, HWND handle,
                                const GadgetClassOps* table);
LRESULT CALLBACK GadgetSubclassProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
void GadgetDestroyHook(ObjectNumber number);
// The record of a control, found by its GWL_ID (or else its "Kel_ID") and only
// if it is that control's; or null. key (if given) receives the number it was found by.
GadgetRecord* GadgetOfControl(HWND control, ObjectNumber* key = 0);
