// Creating gadgets: what reaches CreateWindowExA, what the control keeps, the
// number it is known by, and replacing or failing to create one.
#include "runtime/gadget/colour.h"
#include "runtime/gadget/gadget_classes.h"
#include "tests/gadget/gadget_test_support.h"

namespace {

typedef ObjectNumber (*CreateFn)(ObjectNumber number, DWORD flags);

ObjectNumber MakeLabel(ObjectNumber n, DWORD flags) { return TextLabelCreate(n, 5, 5, 80, 20, "label", flags); }
ObjectNumber MakeField(ObjectNumber n, DWORD flags) { return TextFieldCreate(n, 5, 30, 80, 20, "field", flags); }
ObjectNumber MakeButton(ObjectNumber n, DWORD flags) { return PushButtonCreate(n, 5, 55, 80, 20, "button", flags); }
ObjectNumber MakeDropList(ObjectNumber n, DWORD flags) { return DropListCreate(n, 5, 80, 80, 120, flags); }

struct StyleCase {
  const char* name;
  CreateFn create;
  DWORD flags;
  const char* className;
  DWORD style;      // as given to CreateWindowExA
  DWORD exStyle;
  DWORD managed;    // style bits the control class moves elsewhere (the ComboBox to its list)
  DWORD managedEx;
  const GadgetClassOps* ops;
  LONG kind;
};

const StyleCase styleCases[] = {
    {"label", MakeLabel, 0, "Static", 0x50020000, 0, 0, 0, &TextLabelOps, 3},
    {"label with border", MakeLabel, 0x20000, "Static", 0x50020000, 0x200, 0, 0, &TextLabelOps, 3},
    {"field", MakeField, 0, "Edit", 0x50030080, 0x200, 0, 0, &TextFieldOps, 2},
    {"field without border", MakeField, 0x20000, "Edit", 0x50030080, 0, 0, 0, &TextFieldOps, 2},
    {"button", MakeButton, 0, "Button", 0x50030000, 0, 0, 0, &PushButtonOps, 1},
    {"drop list", MakeDropList, 0, "ComboBox", 0x50A30203, 0x200, WS_BORDER | WS_VSCROLL, 0x200, &DropListOps, 8},
    {"editable drop list", MakeDropList, 2, "ComboBox", 0x50A20202, 0x200, WS_BORDER | WS_VSCROLL, 0x200,
     &DropListOps, 8},
};

class GadgetCreateTest : public GadgetTest {};

TEST_F(GadgetCreateTest, EachClassIsCreatedWithItsTabledStyles) {
  for (const StyleCase& c : styleCases) {
    SCOPED_TRACE(c.name);
    CreationLog log;
    ObjectNumber handle = c.create(7, c.flags);
    HWND control = (HWND)handle;
    ASSERT_NE(handle, 0);
    ASSERT_EQ(GadgetHandle(7), control);
    const CreationLog::Entry* asked = log.FindCreated(control);
    ASSERT_NE(asked, nullptr);
    EXPECT_EQ(asked->className, c.className);
    EXPECT_EQ(asked->style, c.style) << std::hex << asked->style;
    EXPECT_EQ(asked->exStyle, c.exStyle) << std::hex << asked->exStyle;
    // What the control keeps: its class, and every style bit except those
    // that its class takes away from the control itself.
    EXPECT_EQ(ClassOf(control), c.className);
    DWORD kept = (DWORD)GetWindowLongA(control, GWL_STYLE);
    EXPECT_EQ(kept & ~c.managed, c.style & ~c.managed) << std::hex << kept;
    DWORD keptEx = (DWORD)GetWindowLongA(control, GWL_EXSTYLE) & WS_EX_CLIENTEDGE;
    EXPECT_EQ(keptEx & ~c.managedEx, c.exStyle & ~c.managedEx);
    EXPECT_EQ(GadgetFind(7)->ops, c.ops);
    EXPECT_EQ(c.ops->kind, c.kind);
    EXPECT_EQ(c.ops->size, 144);
    DestroyWindow(control);
    EXPECT_EQ(GadgetFind(7), nullptr);
  }
}

TEST_F(GadgetCreateTest, EditableDropListMakesItsEditBoxATabStop) {
  HWND list = (HWND)MakeDropList(3, 2);
  HWND edit = GetWindow(list, GW_CHILD);
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(ClassOf(edit), "Edit");
  EXPECT_TRUE(GetWindowLongA(edit, GWL_STYLE) & WS_TABSTOP);
  DestroyWindow(list);
}

TEST_F(GadgetCreateTest, NumberOrIdentityIsTheControlsIdAndProperty) {
  for (CreateFn create : {MakeLabel, MakeField, MakeButton, MakeDropList}) {
    ObjectNumber numbered = create(12, 0);
    ASSERT_EQ((HWND)numbered, GadgetHandle(12));
    EXPECT_EQ(GetWindowLongA((HWND)numbered, GWL_ID), 12);
    EXPECT_EQ((ObjectNumber)GetPropA((HWND)numbered, "Kel_ID"), 12);

    ObjectNumber identity = create(AUTO_NUMBER, 0);
    ASSERT_NE(identity, 0);
    GadgetRecord* record = GadgetFind(identity);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(ObjectIdentity(record), identity);
    HWND control = record->handle;
    EXPECT_EQ(GetWindowLongA(control, GWL_ID), (LONG)identity);
    EXPECT_EQ((ObjectNumber)GetPropA(control, "Kel_ID"), identity);
    // The identity works for the generic operations.
    EXPECT_NE(GadgetSetText(identity, "x"), 0);
    EXPECT_EQ(ClassOf(control) == "ComboBox" ? std::string("") : std::string("x"), WindowText(control));

    // Destroying the control releases the record; the identity then names nothing.
    DestroyWindow(control);
    EXPECT_EQ(GadgetFind(identity), nullptr);
    EXPECT_EQ(GadgetGetText(identity), nullptr);
    DestroyWindow((HWND)numbered);
    EXPECT_EQ(GadgetFind(12), nullptr);
  }
}

TEST_F(GadgetCreateTest, ReusedNumberMakesTheNewControlThenDestroysTheOld) {
  HWND old = (HWND)MakeLabel(20, 0);
  ASSERT_NE(old, nullptr);
  GadgetRecord* oldRecord = GadgetFind(20);
  ColourSet(oldRecord, COLOUR_BACK, RGB(1, 2, 3));
  HBRUSH oldBrush = oldRecord->backBrush;
  ASSERT_EQ(GetObjectType(oldBrush), (DWORD)OBJ_BRUSH);

  CreationLog log;
  HWND fresh = (HWND)MakeButton(20, 0);
  ASSERT_NE(fresh, nullptr);
  ASSERT_GE(log.entries.size(), 2u);
  EXPECT_TRUE(log.entries[0].created);
  EXPECT_EQ(log.entries[0].window, fresh);
  EXPECT_FALSE(log.entries[1].created);
  EXPECT_EQ(log.entries[1].window, old);
  EXPECT_FALSE(IsWindow(old));
  // The old gadget was cleaned up (its brush went back) and its slot now holds the new one.
  EXPECT_EQ(GetObjectType(oldBrush), 0u);
  GadgetRecord* record = GadgetFind(20);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->handle, fresh);
  EXPECT_EQ(record->ops, &PushButtonOps);
  EXPECT_EQ(record->backBrush, nullptr);
  EXPECT_EQ(ChildWindowCount(parent.handle), 1);
  DestroyWindow(fresh);
}

// Keeps WM_NCDESTROY from the procedures beneath it, as a careless subclass might.
WNDPROC swallowedPrevious;
LRESULT CALLBACK SwallowNcDestroy(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_NCDESTROY) return 0;
  return CallWindowProcA(swallowedPrevious, h, m, w, l);
}

TEST_F(GadgetCreateTest, ReusedNumberOfAControlThatDiedUnseenStillLetsGoOfItsBrush) {
  HWND old = (HWND)MakeLabel(21, 0);
  ColourSet(GadgetFind(21), COLOUR_BACK, RGB(3, 2, 1));
  HBRUSH brush = GadgetFind(21)->backBrush;
  swallowedPrevious = (WNDPROC)SetWindowLongPtrA(old, GWLP_WNDPROC, (LONG_PTR)SwallowNcDestroy);
  DestroyWindow(old);
  ASSERT_EQ(GadgetHandle(21), old);  // the record outlived its control
  HWND fresh = (HWND)MakeLabel(21, 0);
  EXPECT_EQ(GadgetHandle(21), fresh);
  EXPECT_EQ(GetObjectType(brush), 0u);
  DestroyWindow(fresh);
}

// Gadget 0 is used because GetPropA answers 0 for a missing "Kel_ID" as well.
TEST_F(GadgetCreateTest, ReusedNumberOfAControlThatDiedUnseenLeavesAnotherWindowOnItsHandleAlone) {
  HWND other = (HWND)MakeButton(22, 0);
  HWND plain = CreateWindowExA(0, "Static", "plain", WS_CHILD, 0, 0, 10, 10, parent.handle, 0, InstanceHandle, 0);
  ASSERT_NE(plain, nullptr);
  SetPropA(plain, "Kel_DropAccept", (HANDLE)1);
  for (HWND stranger : {other, plain}) {
    SCOPED_TRACE(stranger == other ? "another gadget's control" : "a window without \"Kel_ID\"");
    HWND old = (HWND)MakeLabel(0, 0);
    ColourSet(GadgetFind(0), COLOUR_BACK, RGB(5, 6, 7));
    HBRUSH brush = GadgetFind(0)->backBrush;
    swallowedPrevious = (WNDPROC)SetWindowLongPtrA(old, GWLP_WNDPROC, (LONG_PTR)SwallowNcDestroy);
    DestroyWindow(old);
    ASSERT_EQ(GadgetHandle(0), old);
    // The dead control's handle value now names another window, as the system
    // may hand it out again.
    GadgetFind(0)->handle = stranger;
    HWND fresh = (HWND)MakeLabel(0, 0);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(GadgetHandle(0), fresh);
    EXPECT_EQ(GetObjectType(brush), 0u);  // the dead control's brush still went back
    EXPECT_TRUE(IsWindow(stranger));
    DestroyWindow(fresh);
  }
  EXPECT_EQ(GadgetHandle(22), other);
  EXPECT_EQ((ObjectNumber)GetPropA(other, "Kel_ID"), 22);
  EXPECT_EQ(GetPropA(plain, "Kel_DropAccept"), (HANDLE)1);
  EXPECT_STREQ(GadgetGetText(22), "button");
  RemovePropA(plain, "Kel_DropAccept");
  DestroyWindow(plain);
  DestroyWindow(other);
}

TEST_F(GadgetCreateTest, DropListIsCreatedWithNoWindowText) {
  for (DWORD flags : {(DWORD)0, GADGET_FLAG_EDITABLE}) {
    SCOPED_TRACE(flags);
    CreationLog log;
    HWND list = (HWND)MakeDropList(8, flags);
    ASSERT_NE(list, nullptr);
    const CreationLog::Entry* asked = log.FindCreated(list);
    ASSERT_NE(asked, nullptr);
    EXPECT_FALSE(asked->textGiven) << '"' << asked->text << '"';
    DestroyWindow(list);
  }
  // The classes that take a text give "" for none, never null.
  CreationLog log;
  HWND made[] = {(HWND)TextLabelCreate(1, 0, 0, 50, 20, RawProgramText(nullptr)), (HWND)TextFieldCreate(2, 0, 0, 50, 20, RawProgramText(nullptr)),
                 (HWND)PushButtonCreate(3, 0, 0, 50, 20, RawProgramText(nullptr))};
  for (HWND h : made) {
    const CreationLog::Entry* asked = log.FindCreated(h);
    ASSERT_NE(asked, nullptr);
    EXPECT_TRUE(asked->textGiven);
    EXPECT_EQ(asked->text, "");
    DestroyWindow(h);
  }
}

TEST_F(GadgetCreateTest, FailedCreateClaimsNothingAndLeavesTheHolder) {
  HWND holder = (HWND)MakeLabel(30, 0);
  // Before any parent is named, no control can be made.
  HWND saved = Gadgets->parent;
  GadgetListUse(nullptr);
  for (CreateFn create : {MakeLabel, MakeField, MakeButton, MakeDropList}) {
    EXPECT_EQ(create(30, 0), 0);
    EXPECT_EQ(create(31, 0), 0);
    EXPECT_EQ(create(AUTO_NUMBER, 0), 0);
  }
  GadgetListUse(saved);
  EXPECT_EQ(GadgetHandle(30), holder);
  EXPECT_TRUE(IsWindow(holder));
  EXPECT_EQ(GadgetFind(31), nullptr);

  // A number that no table slot can take: the control made for it does not stay.
  for (CreateFn create : {MakeLabel, MakeField, MakeButton, MakeDropList}) {
    EXPECT_EQ(create(-2, 0), 0);
    EXPECT_EQ(create(-1000, 0), 0);
  }
  EXPECT_EQ(ChildWindowCount(parent.handle), 1);
  DestroyWindow(holder);
}

TEST_F(GadgetCreateTest, NullTextMakesAnEmptyControl) {
  HWND label = (HWND)TextLabelCreate(1, 0, 0, 50, 20, RawProgramText(nullptr));
  HWND field = (HWND)TextFieldCreate(2, 0, 0, 50, 20, RawProgramText(nullptr));
  HWND button = (HWND)PushButtonCreate(3, 0, 0, 50, 20, RawProgramText(nullptr));
  for (HWND h : {label, field, button}) {
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(WindowText(h), "");
    DestroyWindow(h);
  }
}

TEST_F(GadgetCreateTest, DestroyingTheParentReleasesEveryGadget) {
  ParentWindow inner;
  ObjectNumber autos[4];
  HWND made[4] = {(HWND)MakeLabel(40, 0), (HWND)MakeField(41, 0), (HWND)MakeButton(42, 0),
                  (HWND)MakeDropList(43, 0)};
  autos[0] = MakeLabel(AUTO_NUMBER, 0);
  autos[1] = MakeField(AUTO_NUMBER, 0);
  autos[2] = MakeButton(AUTO_NUMBER, 0);
  autos[3] = MakeDropList(AUTO_NUMBER, 0);
  for (int i = 0; i < 4; i++) {
    EXPECT_EQ(GadgetHandle(40 + i), made[i]);
    EXPECT_NE(GadgetFind(autos[i]), nullptr);
  }
  DestroyWindow(inner.handle);
  for (int i = 0; i < 4; i++) {
    EXPECT_EQ(GadgetFind(40 + i), nullptr);
    EXPECT_EQ(GadgetFind(autos[i]), nullptr);
  }
}

}  // namespace
