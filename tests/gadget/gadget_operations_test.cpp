// The generic operations: each class's answer or the fall-back, fonts, names
// that name nothing, message forwarding and the search for the runtime window.
#include "runtime/gadget/colour.h"
#include "runtime/gadget/gadget_classes.h"
#include "tests/gadget/gadget_test_support.h"

namespace {

struct ClassCase {
  const char* name;
  ObjectNumber (*create)(ObjectNumber number);
  LONG stateAfterSetFive;  // GadgetGetState after GadgetSetState(g, 5): a plain push
                           // button takes no check, a list of one item has no index 5
};

ObjectNumber Label(ObjectNumber n) { return TextLabelCreate(n, 0, 0, 80, 20, "start"); }
ObjectNumber Field(ObjectNumber n) { return TextFieldCreate(n, 0, 0, 80, 20, "start"); }
ObjectNumber Button(ObjectNumber n) { return PushButtonCreate(n, 0, 0, 80, 20, "start"); }
ObjectNumber Editable(ObjectNumber n) { return DropListCreate(n, 0, 0, 80, 100, GADGET_FLAG_EDITABLE); }

const ClassCase classCases[] = {
    {"label", Label, 0},
    {"field", Field, 0},
    {"button", Button, 0},
    {"editable drop list", Editable, -1},
};

class GadgetOperationsTest : public GadgetTest {};

TEST_F(GadgetOperationsTest, GenericOperationsFallBackPerClass) {
  for (const ClassCase& c : classCases) {
    SCOPED_TRACE(c.name);
    for (ObjectNumber n : {(ObjectNumber)3, AUTO_NUMBER}) {
      ObjectNumber made = c.create(n);
      ObjectNumber gadget = n == AUTO_NUMBER ? made : n;
      HWND control = GadgetHandle(gadget);
      ASSERT_NE(control, nullptr);
      if (c.create == Editable) GadgetAddItem(gadget, -1, "item");
      // A state only where the class has one.
      EXPECT_EQ(GadgetGetState(gadget), c.create == Editable ? -1 : 0);
      GadgetSetState(gadget, 5);
      EXPECT_EQ(GadgetGetState(gadget), c.stateAfterSetFive);
      // Text (Windows-1250 both ways) set and read back through the window
      // text, which shows its letters; null sets it empty.
      EXPECT_NE(GadgetSetText(gadget, "Szint \xE1"), 0);
      EXPECT_STREQ(GadgetGetText(gadget), "Szint \xE1");
      EXPECT_EQ(WindowText(control), "Szint á");
      GadgetSetText(gadget, RawProgramText(nullptr));
      EXPECT_STREQ(GadgetGetText(gadget), "");
      // Items only where the class has them: nothing else changes.
      GadgetSetText(gadget, "kept");
      EXPECT_EQ(GadgetAddItem(gadget, -1, "x"), 0);
      EXPECT_STREQ(GadgetGetText(gadget), "kept");
      DestroyWindow(control);
    }
  }
}

TEST_F(GadgetOperationsTest, ButtonStateIsOnlyAFullCheck) {
  HWND button = (HWND)PushButtonCreate(1, 0, 0, 80, 20, "b", BS_AUTO3STATE);
  GadgetSetState(1, 5);
  EXPECT_EQ(SendMessageA(button, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(GadgetGetState(1), 1);
  SendMessageA(button, BM_SETCHECK, BST_INDETERMINATE, 0);
  EXPECT_EQ(GadgetGetState(1), 0);
  GadgetSetState(1, 0);
  EXPECT_EQ(SendMessageA(button, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  GadgetSetState(1, -7);
  EXPECT_EQ(SendMessageA(button, BM_GETCHECK, 0, 0), BST_CHECKED);
  DestroyWindow(button);
}

// Answers WM_GETTEXTLENGTH with more than the text holds, as a DBCS text can.
WNDPROC overstatingPrevious;
LRESULT CALLBACK OverstatingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_GETTEXTLENGTH) return 40;
  return CallWindowProcA(overstatingPrevious, h, m, w, l);
}

TEST_F(GadgetOperationsTest, GetTextIsTheCopiedTextWhenTheLengthOverstates) {
  HWND label = (HWND)TextLabelCreate(2, 0, 0, 80, 20, "abc");
  overstatingPrevious = (WNDPROC)SetWindowLongPtrA(label, GWLP_WNDPROC, (LONG_PTR)OverstatingProc);
  const char* text = GadgetGetText(2);
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, "abc");
  SetWindowLongPtrA(label, GWLP_WNDPROC, (LONG_PTR)overstatingPrevious);
  DestroyWindow(label);
}

TEST_F(GadgetOperationsTest, FontsGoToLaterGadgetsOrToTheOneNamed) {
  HFONT font = CreateFontA(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
  ASSERT_NE(font, nullptr);
  auto fontOf = [](ObjectNumber g) { return (HFONT)SendMessageA(GadgetHandle(g), WM_GETFONT, 0, 0); };
  TextLabelCreate(1, 0, 0, 50, 20, "a");
  GadgetSetFont(GADGET_LIST, font);
  TextLabelCreate(2, 0, 0, 50, 20, "b");
  ObjectNumber automatic = TextFieldCreate(AUTO_NUMBER, 0, 0, 50, 20, "c");
  EXPECT_EQ(fontOf(1), DefaultGuiFont);
  EXPECT_EQ(fontOf(2), font);
  EXPECT_EQ(fontOf(automatic), font);
  GadgetSetFont(GADGET_LIST, FONT_DEFAULT);
  TextLabelCreate(3, 0, 0, 50, 20, "d");
  EXPECT_EQ(fontOf(3), DefaultGuiFont);
  EXPECT_EQ(Gadgets->font, DefaultGuiFont);
  // One gadget, by number or identity; -1 as the font is the default one.
  GadgetSetFont(1, font);
  EXPECT_EQ(fontOf(1), font);
  GadgetSetFont(automatic, FONT_DEFAULT);
  EXPECT_EQ(fontOf(automatic), DefaultGuiFont);
  for (ObjectNumber g : {(ObjectNumber)1, (ObjectNumber)2, (ObjectNumber)3, automatic}) DestroyWindow(GadgetHandle(g));
  DeleteObject(font);
}

TEST_F(GadgetOperationsTest, NamesThatNameNothingGetTheFailureAnswers) {
  // A released identity, an address never issued, a number past the table,
  // an unused slot and negative numbers.
  ObjectNumber released = TextLabelCreate(AUTO_NUMBER, 0, 0, 10, 10, "x");
  DestroyWindow(GadgetHandle(released));
  int local = 0;
  HWND survivor = (HWND)TextLabelCreate(0, 0, 0, 10, 10, "survivor");
  ObjectNumber nobody[] = {released, (ObjectNumber)&local, (ObjectNumber)&TextLabelOps, 1000000, 49, -2, -1,
                           (ObjectNumber)0x7FFFFFF0};
  for (ObjectNumber n : nobody) {
    SCOPED_TRACE(n);
    EXPECT_EQ(GadgetAddItem(n, -1, "a"), 0);
    EXPECT_EQ(GadgetAddItem(n, -1, RawProgramText(nullptr)), 0);
    EXPECT_EQ(GadgetGetState(n), 0);
    EXPECT_EQ(GadgetSetText(n, "a"), 0);
    EXPECT_EQ(GadgetSetText(n, RawProgramText(nullptr)), 0);
    EXPECT_EQ(GadgetGetText(n), nullptr);
    GadgetSetState(n, 1);
    if (n != GADGET_LIST) GadgetSetFont(n, FONT_DEFAULT);
  }
  EXPECT_EQ(WindowText(survivor), "survivor");
  DestroyWindow(survivor);
}

TEST_F(GadgetOperationsTest, ForwardingReachesOnlyOurOwnControlsWithAHandler) {
  HDC dc = CreateCompatibleDC(0);
  HWND label = (HWND)TextLabelCreate(0, 0, 0, 50, 20, "l");
  ColourSet(GadgetFind(0), COLOUR_TEXT, RGB(200, 0, 0));
  HWND button = (HWND)PushButtonCreate(1, 0, 0, 50, 20, "b");
  HWND list = (HWND)DropListCreate(2, 0, 0, 50, 80);
  // A control of someone else's, whose id (0) and absent property agree.
  HWND foreign = CreateWindowExA(0, "Static", "f", WS_CHILD, 0, 0, 10, 10, parent.handle, 0, InstanceHandle, 0);
  ASSERT_EQ(GetWindowLongA(foreign, GWL_ID), 0);
  auto forward = [&](HWND control) {
    return GadgetForwardMessage(control, parent.handle, WM_CTLCOLORSTATIC, (WPARAM)dc, (LPARAM)control);
  };
  EXPECT_NE(forward(label), NOT_HANDLED);
  EXPECT_EQ(forward(nullptr), NOT_HANDLED);
  EXPECT_EQ(forward(button), NOT_HANDLED);
  EXPECT_EQ(forward(list), NOT_HANDLED);
  EXPECT_EQ(forward(foreign), NOT_HANDLED);
  EXPECT_EQ(forward((HWND)0x4321), NOT_HANDLED);  // no window at all
  // "Kel_ID" that no longer equals the id.
  SetPropA(label, "Kel_ID", (HANDLE)5);
  EXPECT_EQ(forward(label), NOT_HANDLED);
  SetPropA(label, "Kel_ID", (HANDLE)0);
  EXPECT_NE(forward(label), NOT_HANDLED);
  for (HWND h : {label, button, list, foreign}) DestroyWindow(h);
  DeleteDC(dc);
}

TEST_F(GadgetOperationsTest, RuntimeWindowIsTheNearestThatCarriesTheProperty) {
  HWND direct = (HWND)TextFieldCreate(1, 0, 0, 50, 20, "");
  EXPECT_EQ(FindRuntimeWindow(direct), parent.handle);
  // A plain container between the control and the runtime window.
  HWND box = CreateWindowExA(0, "Static", "", WS_CHILD, 0, 0, 100, 100, parent.handle, 0, InstanceHandle, 0);
  HWND nested = CreateWindowExA(0, "Edit", "", WS_CHILD, 0, 0, 50, 20, box, 0, InstanceHandle, 0);
  EXPECT_EQ(FindRuntimeWindow(nested), parent.handle);
  // The control itself when it carries the property.
  SetPropA(nested, "Kel_WindowID", (HANDLE)3);
  EXPECT_EQ(FindRuntimeWindow(nested), nested);
  RemovePropA(nested, "Kel_WindowID");
  // Without a runtime window in the chain: the topmost window of it.
  ParentWindow plain(false);
  HWND orphan = CreateWindowExA(0, "Edit", "", WS_CHILD, 0, 0, 50, 20, plain.handle, 0, InstanceHandle, 0);
  EXPECT_EQ(FindRuntimeWindow(orphan), plain.handle);
  EXPECT_EQ(FindRuntimeWindow(plain.handle), plain.handle);
  DestroyWindow(box);
  DestroyWindow(direct);
}

TEST_F(GadgetOperationsTest, ControlWhoseRecordIsGoneStillWorksAndDies) {
  // If the id of a gadget's control is changed behind our back, the control
  // must keep working through its class procedure and must not release a
  // record that is not its own when it is destroyed.
  HWND first = (HWND)TextLabelCreate(4, 0, 0, 50, 20, "first");
  HWND second = (HWND)TextLabelCreate(5, 0, 0, 50, 20, "second");
  SetWindowLongA(first, GWL_ID, 5);
  SetWindowTextA(first, "still works");
  EXPECT_EQ(WindowText(first), "still works");
  DestroyWindow(first);
  EXPECT_EQ(GadgetFind(4), nullptr);
  EXPECT_EQ(GadgetHandle(5), second);
  EXPECT_STREQ(GadgetGetText(5), "second");
  DestroyWindow(second);
  EXPECT_EQ(GadgetFind(5), nullptr);
}

}  // namespace
