// The functions of the system libraries that start-up does not use, loaded at
// their first call: the open and save dialogs (comdlg32), the shell's start
// and its file drops (shell32), and OLE for drop targets and shortcuts
// (ole32). Linked directly, each of them, and all they pull in, would load
// before the window shows, to be used (if ever) only after a press of a
// button, a failed direct start or a drop. A library once loaded stays loaded.
#pragma once
#include "runtime/common.h"

// The declarations give each function its type (decltype below); naming a
// function there does not link it, so none of the three is imported.
#include <commdlg.h>
#include <ole2.h>
#include <shellapi.h>

// Each late function once: its number, its library (0 comdlg32, 1 shell32,
// 2 ole32, in the order of the library names of late_library.cpp) and its
// name, which is also the declaration its type comes from. Those of kernel32
// (3) and user32 (4) are looked up by name since older systems lack them.
#define LATE_FUNCTIONS(X)                              \
  X(LATE_GET_OPEN_FILE_NAME, 0, GetOpenFileNameW)      \
  X(LATE_GET_SAVE_FILE_NAME, 0, GetSaveFileNameW)      \
  X(LATE_SHELL_EXECUTE_EX, 1, ShellExecuteExW)         \
  X(LATE_DRAG_QUERY_FILE, 1, DragQueryFileW)           \
  X(LATE_DRAG_FINISH, 1, DragFinish)                   \
  X(LATE_REVOKE_DRAG_DROP, 2, RevokeDragDrop)          \
  X(LATE_CO_INITIALIZE, 2, CoInitialize)               \
  X(LATE_CO_CREATE_INSTANCE, 2, CoCreateInstance)      \
  X(LATE_CO_UNINITIALIZE, 2, CoUninitialize)           \
  X(LATE_SET_DEFAULT_DLL_DIRECTORIES, 3, SetDefaultDllDirectories) \
  X(LATE_SHUTDOWN_BLOCK_REASON_CREATE, 4, ShutdownBlockReasonCreate) \
  X(LATE_SHUTDOWN_BLOCK_REASON_DESTROY, 4, ShutdownBlockReasonDestroy)

enum LateFunctionId {
#define LATE_FUNCTION_ID(id, library, name) id,
  LATE_FUNCTIONS(LATE_FUNCTION_ID)
#undef LATE_FUNCTION_ID
  LATE_FUNCTION_COUNT
};

// The function's address, its library loaded first if it is not yet; null
// when the library cannot be loaded or lacks the function, and the caller
// then does what it does on the function's own failure. A failed load is
// tried again at the next call.
void* LateFunction(LateFunctionId id);

// The type of a pointer to the function numbered id, as its declaration has it.
template <LateFunctionId id>
struct LateFunctionType;
#define LATE_FUNCTION_TYPE(id, library, name) \
  template <>                                 \
  struct LateFunctionType<id> {               \
    typedef decltype(&::name) Type;           \
  };
LATE_FUNCTIONS(LATE_FUNCTION_TYPE)
#undef LATE_FUNCTION_TYPE

// The function numbered id as a pointer of its own type, null as above:
// Late<LATE_DRAG_FINISH>() is a pointer to DragFinish.
template <LateFunctionId id>
inline typename LateFunctionType<id>::Type Late() {
  return (typename LateFunctionType<id>::Type)LateFunction(id);
}

// One of two functions of one type, chosen at run time (second when
// takeSecond): a single call of LateFunction for both. Two functions of
// different types do not compile.
template <LateFunctionId first, LateFunctionId second>
inline typename LateFunctionType<first>::Type Late(bool takeSecond) {
  typename LateFunctionType<first>::Type sameType = typename LateFunctionType<second>::Type();
  (void)sameType;
  return (typename LateFunctionType<first>::Type)LateFunction(takeSecond ? second : first);
}

// From now on, a library loaded by name, and any library that it loads by name
// in turn, is looked for in the system folder alone: never in the program's
// own folder, where a library of a system's name may have been planted beside
// it (in a Downloads folder, say). Where the system lacks the call (Windows 7
// without its update), the search stays as it was; the three libraries above
// are known to the system, which takes them from its own folder whatever the
// search.
void LibrarySearchRestrict();

// RevokeDragDrop(window) for a window or control that carries the drop mark.
// Without OLE nothing could have been registered, so nothing is revoked.
void RevokeDropTarget(HWND window);
