// Parent windows, a creation log and small look-ups shared by the gadget tests.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/resource-counts/resource_counts.h"
#include "runtime/gadget/gadget.h"
#include "tests/support/win_test.h"

// A plain top-level window (raw RegisterClassA/CreateWindowExA) that carries
// "Kel_WindowID" like a runtime window, made the gadget list's parent while
// alive; the previous parent comes back afterwards. Hidden unless asked:
// under Wine without a window manager, destroying a shown window waits 2 s,
// so the shown one is made once and kept (its children are destroyed instead).
struct ParentWindow {
  explicit ParentWindow(bool runtime = true, bool visible = false);
  ~ParentWindow();
  HWND handle;
  HWND previousParent;
  bool kept;
  // WM_COMMAND notification codes this window received from its children, in order.
  std::vector<WORD> notifications;
};

// Every window this thread creates or destroys while alive, in order, as seen
// by a thread-local WH_CBT hook (HCBT_CREATEWND gives what reached CreateWindowExA).
struct CreationLog {
  struct Entry {
    bool created;
    HWND window;
    std::string className;
    DWORD style;
    DWORD exStyle;
    bool textGiven;     // a window text pointer, even "", as against null
    std::string text;
  };
  CreationLog();
  ~CreationLog();
  std::vector<Entry> entries;
  const Entry* FindCreated(HWND window) const;
  HHOOK hook;
};

// The control of a gadget, or null.
HWND GadgetHandle(ObjectNumber gadget);
GadgetRecord* GadgetFind(ObjectNumber gadget);
// A window's text, read as UTF-16, as UTF-8.
std::string WindowText(HWND window);

class GadgetTest : public testing::Test {
 protected:
  ParentWindow parent;
};
