// What a thread or a process holds: windows, kernel handles, GDI objects,
// USER objects and private memory, counted the same way by the tests and the
// benchmarks. A process is named by a handle with PROCESS_QUERY_INFORMATION,
// PROCESS_VM_READ and PROCESS_DUP_HANDLE access (GetCurrentProcess() for this
// one). Wine answers GetProcessHandleCount and GetGuiResources with 0 and
// leaves PrivateUsage at 0, so each count has a way that works there too.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// Every window of the calling thread: its top-level windows and all their
// descendants.
int ThreadWindowCount();

// Every descendant of window: its children, their children, and so on.
int ChildWindowCount(HWND window);

// The process's kernel handles. Where the system gives no count, its handle
// table is walked; *walked (when given) then becomes true.
long ProcessHandleCount(HANDLE process, bool* walked = nullptr);

// The process's GDI objects. Where the system gives no count, the live entries
// of its GDI handle table are counted; *walked (when given) then becomes true.
// -1 when neither works.
long ProcessGdiObjectCount(HANDLE process, bool* walked = nullptr);

// The process's USER objects. Where the system gives no count, every USER
// handle is probed for a window of the process, a menu or an accelerator
// table (menus and tables of any owner: the system does not say whose they
// are; icons and cursors are not counted); *walked (when given) then becomes true.
long ProcessUserObjectCount(HANDLE process, DWORD processId, bool* walked = nullptr);

// The windows of the process, top-level, child and message-only, found by
// probing every USER handle.
long ProcessWindowCount(DWORD processId);

// The modules (the program and its libraries) loaded in the process, file
// names in lower case ("comdlg32.dll"); empty when they cannot be read.
std::vector<std::string> ProcessModuleNames(DWORD processId);

// The committed private pages of the process's address space, region by region.
long long ProcessCommittedPrivateBytes(HANDLE process);

// Everything above at once, for a process measured from outside.
struct ProcessCounts {
  long long privateBytes = -1;  // PrivateUsage, else the committed private pages
  long handles = -1;            // kernel handles
  long gdiObjects = -1;         // GDI objects
  long windows = -1;            // USER windows it owns, top-level, child and message-only
};
ProcessCounts CountProcess(HANDLE process, DWORD processId);
