// The kept programs of program_runner.h: their records and the list that
// holds them, and a started program handed to its record.
#include "runtime/system/program_runner_internal.h"

#include "runtime/system/message_wait.h"

ListNode* ProcessList;
// Guards only the linking and unlinking of ProcessList nodes.
static CRITICAL_SECTION ProcessListLock;

void ProgramRunnerInit() { InitializeCriticalSection(&ProcessListLock); }

static void CloseAndClear(HANDLE* handle) {
  if (*handle) CloseHandle(*handle);
  *handle = 0;
}

ProcessRecord* RecordReserve() {
  EnterCriticalSection(&ProcessListLock);
  ProcessRecord* record = (ProcessRecord*)NodeListInsert(&ProcessList, sizeof(ProcessRecord));
  LeaveCriticalSection(&ProcessListLock);
  return record;
}

void RecordDrop(ProcessRecord* record) {
  EnterCriticalSection(&ProcessListLock);
  NodeListRemove(&ProcessList, record);
  LeaveCriticalSection(&ProcessListLock);
}

void ProgramRelease(ProcessRecord* record) {
  if (!record) return;
  CloseAndClear(&record->processHandle);
  CloseAndClear(&record->inputWrite);
  CloseAndClear(&record->outputRead);
  CloseAndClear(&record->errorRead);
  RecordDrop(record);
}

intptr_t ProgramStarted(HANDLE process, LONG id, DWORD flags, ProcessRecord* record) {
  if ((flags & RUN_WAIT) && process)
    while (!WaitDispatching(process, INFINITE)) {
    }
  if (!record) {
    if (process) CloseHandle(process);
    return 1;
  }
  record->processHandle = process;
  record->processId = id;
  return (intptr_t)record;
}
