// Starting outside programs: waiting, hidden, kept open with pipes, chained,
// with the shell as a second try.
#pragma once
#include "runtime/common.h"
#include "runtime/memory/node_list.h"

const DWORD RUN_WAIT = 1;
const DWORD RUN_HIDE = 2;
const DWORD RUN_OPEN = 4;
const DWORD RUN_READ = 8;
const DWORD RUN_WRITE = 16;
const DWORD RUN_ERROR = 32;
const DWORD RUN_CONNECT = 64;
const DWORD RUN_REDIRECTS = RUN_READ | RUN_WRITE | RUN_ERROR | RUN_CONNECT;  // no shell fallback

struct ProcessRecord {
  HANDLE processHandle;
  LONG processId;       // -1 when started through the shell
  HANDLE inputWrite;    // the caller's ends of the pipes, or 0
  HANDLE outputRead;
  HANDLE errorRead;
};

extern ListNode* ProcessList;
extern CRITICAL_SECTION ProcessListLock;

void ProgramRunnerInit();
// 0: not started; the ProcessRecord's address with RUN_OPEN; 1 otherwise.
intptr_t ProgramRun(const char* program, const char* parameters = "", const char* workingDirectory = "",
                    DWORD flags = 0, ProcessRecord* senderProgram = 0);
HANDLE MakeNonInheritable(HANDLE* handle);
