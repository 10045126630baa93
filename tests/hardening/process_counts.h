// What another process holds, measured from outside through its process
// handle (which needs PROCESS_QUERY_INFORMATION, PROCESS_VM_READ and
// PROCESS_DUP_HANDLE access). Wine answers GetProcessHandleCount and
// GetGuiResources with 0, so each count has a way that works there too.
#pragma once
#include <windows.h>

struct ProcessCounts {
  long long privateBytes = -1;  // PrivateUsage, else the committed private pages
  long handles = -1;            // kernel handles
  long gdiObjects = -1;         // live entries of its GDI handle table
  long windows = -1;            // USER windows it owns, top-level, child and message-only
};

ProcessCounts CountProcess(HANDLE process, DWORD processId);
