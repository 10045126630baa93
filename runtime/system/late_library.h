// The functions of the system libraries that start-up does not use, loaded at
// their first call: the open and save dialogs (comdlg32), the shell's start
// and its file drops (shell32), and OLE for drop targets and shortcuts
// (ole32). Linked directly, each of them, and all they pull in, would load
// before the window shows, to be used (if ever) only after a press of a
// button, a failed direct start or a drop. A library once loaded stays loaded.
#pragma once
#include "runtime/common.h"

// One name each in late_library.cpp.
enum LateFunctionId {
  LATE_GET_OPEN_FILE_NAME,   // comdlg32: GetOpenFileNameW
  LATE_GET_SAVE_FILE_NAME,   // comdlg32: GetSaveFileNameW
  LATE_SHELL_EXECUTE_EX,     // shell32: ShellExecuteExA
  LATE_DRAG_QUERY_FILE,      // shell32: DragQueryFileW
  LATE_DRAG_FINISH,          // shell32: DragFinish
  LATE_REVOKE_DRAG_DROP,     // ole32: RevokeDragDrop
  LATE_CO_INITIALIZE,        // ole32: CoInitialize
  LATE_CO_CREATE_INSTANCE,   // ole32: CoCreateInstance
  LATE_CO_UNINITIALIZE,      // ole32: CoUninitialize
  LATE_FUNCTION_COUNT
};

// The function's address, its library loaded first if it is not yet; null
// when the library cannot be loaded or lacks the function, and the caller
// then does what it does on the function's own failure. A failed load is
// tried again at the next call.
void* LateFunction(LateFunctionId id);

// The function as a pointer of its own type F, null as above.
template <typename F>
inline F LateFunctionAs(LateFunctionId id) {
  return (F)LateFunction(id);
}

// RevokeDragDrop(window) for a window or control that carries the drop mark.
// Without OLE nothing could have been registered, so nothing is revoked.
void RevokeDropTarget(HWND window);
