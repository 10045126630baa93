// Gadgets: child controls of a runtime window, addressed by number or
// identity and driven through per-class operation tables. This header is the
// framework (gadget.cpp: start-up, the gadget list, the creation protocol,
// the generic operations; gadget_subclass.cpp: the procedure every gadget is
// given, the end of a gadget's life, forwarding of control messages). The
// classes are in gadget_classes.h, colours and the brush cache in colour.h.
// Every class creates its gadgets by one protocol (make the control, claim its
// record, then give it its procedure, number and font), and each generic
// operation asks the gadget's class first and falls back when the class lacks
// the slot.
#pragma once
#include "runtime/common.h"
#include "runtime/gadget/gadget_scale.h"
#include "runtime/memory/object_table.h"
#include "runtime/text/text_kinds.h"

struct GadgetClassOps;

// A gadget's place in its window's client area, in pixels at 96 DPI.
struct GadgetPlace {
  short x, y, width, height;
};

struct GadgetRecord {
  HWND handle;             // the control; non-zero while in use
  const GadgetClassOps* ops;
  WNDPROC previousProc;    // what GadgetSubclassProc replaced
  // The colour fields are used by labels and fields only; for the other
  // classes they stay 0 from the claim and nothing reads them.
  LONG backColour;         // -1: system default
  LONG textColour;         // -1: system default
  HBRUSH backBrush;        // the cached brush of backColour
  // Where the gadget was put, in pixels at 96 DPI (a drop list's height is
  // its opened one): the control is placed from it again when its window's
  // DPI changes.
  GadgetPlace at96;
};

const LONG GADGET_KIND_BUTTON = 1;
const LONG GADGET_KIND_TEXT_FIELD = 2;
const LONG GADGET_KIND_TEXT_LABEL = 3;
const LONG GADGET_KIND_DROP_LIST = 8;

// 36 slots in a fixed order; a null slot means the class lacks the operation,
// and every caller tests the slot and has a fall-back. Nothing in this program
// reads kind and size, and only the generic operations below call slots: the
// item, item-data and colour slots that no operation reaches are filled all the
// same, so that each class table is complete and its layout fixed.
struct GadgetClassOps {
  intptr_t kind;                                                                   // 0
  intptr_t size;                                                                   // 1
  LRESULT (*handleMessage)(GadgetRecord*, HWND window, UINT, WPARAM, LPARAM);      // 2
  void (*cleanup)(GadgetRecord*);                                                  // 3
  LONG (*getState)(GadgetRecord*);                                                 // 4
  void (*setState)(GadgetRecord*, LONG state);                                     // 5
  // No class fills getText or addItemEx; the generic operations ask them first
  // all the same, so that a class can take over from the fall-backs. Texts that
  // slots hand out are temporary ones, like GadgetGetText's.
  char* (*getText)(GadgetRecord*);                                                 // 6
  LONG (*setText)(GadgetRecord*, ProgramText text);                                 // 7
  LONG (*addItem)(GadgetRecord*, LONG position, ProgramText text, LONG extra);      // 8
  LONG (*addItemEx)(GadgetRecord*, LONG position, ProgramText text, LONG, LONG);    // 9
  LONG (*removeItem)(GadgetRecord*, LONG index);                                   // 10
  LONG (*clearItems)(GadgetRecord*);                                               // 11
  // The unnamed slots are null in every class; they keep the later slots in place.
  void* slot12;                                                                    // 12
  LONG (*countItems)(GadgetRecord*);                                               // 13
  void* slot14;                                                                    // 14
  void* slot15;                                                                    // 15
  char* (*getItemText)(GadgetRecord*, LONG index);                                 // 16
  LONG (*setItemText)(GadgetRecord*, LONG index, ProgramText text);                 // 17
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

BOOL GadgetInit();
// The record of a gadget's control, or null for a control that is no gadget;
// *key (when given) gets the number or identity it is kept under.
GadgetRecord* GadgetOfControl(HWND control, ObjectNumber* key);
void CommonControlsInit();
HWND GadgetListUse(HWND window);
void GadgetSetFont(ObjectNumber gadget, HFONT font);
LONG GadgetAddItem(ObjectNumber gadget, LONG position, ProgramText text);
void GadgetSetState(ObjectNumber gadget, LONG state);
LONG GadgetGetState(ObjectNumber gadget);
// Texts given to gadgets are Windows-1250 (runtime/text/code_pages.h)
// and shown as UTF-16; the Wide forms take and give UTF-16 as it is, for texts
// that are not the program's own (a path the user typed or chose).
LONG GadgetSetText(ObjectNumber gadget, ProgramText text);
LONG GadgetSetTextWide(ObjectNumber gadget, const wchar_t* text);
// The gadget's text, or null when no gadget has that number or identity.
// The text is a temporary one (runtime/memory/strings.h): one of a ring of
// eight reusable buffers, valid only until eight more temporary texts have
// been handed out (by any gadget or dialog). Use it at once or copy it; never
// free it. The ring lets a loop read texts without end at a fixed cost in
// memory, with nothing for the caller to free. GadgetGetText gives it in
// Windows-1250, a letter that 1250 lacks as '?'.
char* GadgetGetText(ObjectNumber gadget);
wchar_t* GadgetGetTextWide(ObjectNumber gadget);
LRESULT GadgetForwardMessage(HWND control, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// After parent's DPI changed from fromDpi to toDpi: its controls with the
// default font get the one for toDpi (gadget_scale.h), then each of its
// gadgets is placed again at its position and size at 96 DPI scaled to toDpi
// (a drop list by its opened height).
void GadgetsRescale(HWND parent, UINT fromDpi, UINT toDpi);
// The nearest window, the control itself included, that carries
// "Kel_WindowID"; the topmost window of the chain when none does.
HWND FindRuntimeWindow(HWND handle);

// Creation protocol, shared by the classes.
// CreateWindowExW in the gadget list's parent with control id -1, then the
// claim of number's record. The text (Windows-1250) is shown as UTF-16; null:
// no window text. The record, with the control in *handle; null when the
// control could not be made, or when the claim failed (the new control is
// then destroyed again).
GadgetRecord* GadgetCreateControl(ObjectNumber number, DWORD exStyle, const wchar_t* className,
                                  const ProgramText* text, DWORD style, int x, int y, int width, int height,
                                  HWND* handle);
ObjectNumber GadgetCreateFinish(ObjectNumber number, GadgetRecord* record, HWND handle,
                                const GadgetClassOps* table);
LRESULT CALLBACK GadgetSubclassProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
// The gadget table's release hook: destroys the control that holds number.
void GadgetDestroyHook(ObjectNumber number);
