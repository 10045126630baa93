// Shared by the program runner's files only: one call as ProgramRun or
// ProgramRunIn has settled it, and the steps each file gives the run
// (program_runner.cpp): the kept programs' records (program_record.cpp), the
// direct start with its streams (program_start.cpp) and the shell's try
// (program_shell.cpp).
#pragma once
#include "runtime/system/program_runner.h"

struct RunCall {
  // ProgramRunIn's program by its full name, started by that name alone;
  // null for ProgramRun, whose program text is looked for as the system looks.
  const wchar_t* application;
  const char* program;     // ProgramRun's program text; never null
  const char* parameters;  // never null
  const wchar_t* directory;  // null: the program inherits the caller's current directory
  DWORD flags;
  int show;                // SW_HIDE, SW_SHOWNOACTIVATE or SW_SHOWNORMAL
  ProcessRecord* sender;   // RUN_CONNECT's earlier program, or null
  ProcessRecord* record;   // reserved for RUN_OPEN, else null
  // ProgramRun's line in the system's code page, then room for `room`
  // letters of UTF-16: the line as the direct start takes it, and once that
  // has failed, the texts the shell is given.
  char* line;
  wchar_t* wide;
  size_t room;
};

// ---- program_record.cpp ------------------------------------------------------
// A record linked in for RUN_OPEN before the program is started, so that a
// program never runs without the record its caller asked for; null when the
// node cannot be made, and then nothing is started.
ProcessRecord* RecordReserve();
// Unlinks a record, here one reserved for a program that never started.
void RecordDrop(ProcessRecord* record);
// A started program: waited for when the flags ask (the caller's windows stay
// alive meanwhile), then its handle handed to the record or closed. Never 0:
// the record's address, or 1 without one.
intptr_t ProgramStarted(HANDLE process, LONG id, DWORD flags, ProcessRecord* record);

// ---- program_start.cpp -------------------------------------------------------
// The first try, through CreateProcessW with the streams the flags ask for,
// the line in call->wide. The caller's ends of the pipes go to the record, or
// are closed when the program did not start. 0 when it did not start.
intptr_t StartDirectly(const RunCall* call);

// ---- program_shell.cpp -------------------------------------------------------
// The second try, through the shell, which also opens documents by their
// association; the texts it is given are made in the room the line held.
// 0 when nothing started.
intptr_t ShellRun(const RunCall* call);
