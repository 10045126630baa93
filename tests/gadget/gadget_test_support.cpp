// The parent windows, creation log and look-ups of gadget_test_support.h.
#include "tests/gadget/gadget_test_support.h"

static ParentWindow* parentOf(HWND window) { return (ParentWindow*)GetPropA(window, "TestParent"); }

static LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && lParam) {
    if (ParentWindow* parent = parentOf(window)) parent->notifications.push_back(HIWORD(wParam));
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

ParentWindow::ParentWindow(bool runtime, bool visible) {
  static ATOM atom;
  if (!atom) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ParentProc;
    wc.hInstance = InstanceHandle;
    wc.lpszClassName = "GadgetTestParent";
    wc.hCursor = LoadCursor(0, IDC_ARROW);
    atom = RegisterClassA(&wc);
  }
  static HWND shown;
  kept = visible;
  if (visible && shown) {
    handle = shown;
  } else {
    handle = CreateWindowExA(0, "GadgetTestParent", "parent", WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), 10,
                             10, 400, 300, 0, 0, InstanceHandle, 0);
    if (visible) shown = handle;
  }
  SetPropA(handle, "TestParent", this);
  if (runtime) SetPropA(handle, "Kel_WindowID", (HANDLE)1);
  previousParent = Gadgets->parent;
  GadgetListUse(handle);
}

ParentWindow::~ParentWindow() {
  GadgetListUse(previousParent);
  RemovePropA(handle, "TestParent");
  RemovePropA(handle, "Kel_WindowID");
  if (!kept) {
    DestroyWindow(handle);
    return;
  }
  while (HWND child = GetWindow(handle, GW_CHILD)) DestroyWindow(child);
}

static thread_local CreationLog* currentLog;

static LRESULT CALLBACK LogHook(int code, WPARAM wParam, LPARAM lParam) {
  if (currentLog && (code == HCBT_CREATEWND || code == HCBT_DESTROYWND)) {
    CreationLog::Entry entry = {code == HCBT_CREATEWND, (HWND)wParam, "", 0, 0, false, ""};
    if (entry.created) {
      const CREATESTRUCTA* cs = ((CBT_CREATEWNDA*)lParam)->lpcs;
      if (HIWORD((ULONG_PTR)cs->lpszClass)) entry.className = cs->lpszClass;
      entry.style = (DWORD)cs->style;
      entry.exStyle = cs->dwExStyle;
      entry.textGiven = cs->lpszName != nullptr;
      if (entry.textGiven) entry.text = cs->lpszName;
    }
    currentLog->entries.push_back(entry);
  }
  return CallNextHookEx(0, code, wParam, lParam);
}

CreationLog::CreationLog() {
  currentLog = this;
  hook = SetWindowsHookExA(WH_CBT, LogHook, 0, GetCurrentThreadId());
}

CreationLog::~CreationLog() {
  UnhookWindowsHookEx(hook);
  currentLog = nullptr;
}

const CreationLog::Entry* CreationLog::FindCreated(HWND window) const {
  for (const Entry& e : entries)
    if (e.created && e.window == window) return &e;
  return nullptr;
}

GadgetRecord* GadgetFind(ObjectNumber gadget) { return (GadgetRecord*)ObjectTableFind(GadgetTable, gadget); }

HWND GadgetHandle(ObjectNumber gadget) {
  GadgetRecord* record = GadgetFind(gadget);
  return record ? record->handle : nullptr;
}

std::string WindowText(HWND window) {
  wchar_t text[512] = L"";
  GetWindowTextW(window, text, 512);
  return Utf8FromWide(text);
}
