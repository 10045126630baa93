// Starting outside programs: directly through CreateProcessW (waiting,
// hidden, kept open with their streams on pipes, or chained to read an
// earlier program's output), with the shell as a second try, and the list of
// programs kept open. The run and its doors are program_runner.cpp; its parts
// are named in program_runner_internal.h.
#pragma once
#include "runtime/common.h"
#include "runtime/memory/node_list.h"
#include "runtime/text/text_kinds.h"

// The program's one caller is the watched run (program_watch.h), which asks
// for RUN_OPEN, RUN_ERROR and RUN_INACTIVE, and for RUN_WAIT and RUN_INACTIVE
// on the shell's road; the other flags are the runner's whole interface and
// are kept working for any caller.
const DWORD RUN_WAIT = 1;     // return only once the program has ended; messages are dispatched meanwhile
const DWORD RUN_HIDE = 2;     // start it hidden (and detached, unless a stream is redirected)
const DWORD RUN_OPEN = 4;     // keep it: a ProcessRecord is made and returned
const DWORD RUN_READ = 8;     // with RUN_OPEN: its standard output on a pipe to the caller
const DWORD RUN_WRITE = 16;   // with RUN_OPEN: its standard input on a pipe from the caller
const DWORD RUN_ERROR = 32;   // with RUN_OPEN: its standard error on a pipe to the caller
const DWORD RUN_CONNECT = 64; // its standard input is senderProgram's output
// Its window (a console program's console window) is shown without taking the
// activation from the caller's window; RUN_HIDE goes before it.
const DWORD RUN_INACTIVE = 128;
// Any of these rules out the shell fallback, even where no pipe was made.
const DWORD RUN_REDIRECTS = RUN_READ | RUN_WRITE | RUN_ERROR | RUN_CONNECT;

struct ProcessRecord {
  HANDLE processHandle;
  LONG processId;       // -1 when started through the shell
  HANDLE inputWrite;    // the caller's ends of the pipes, or 0
  HANDLE outputRead;
  HANDLE errorRead;
};

// Records of programs started with RUN_OPEN, newest first. A record lasts
// until its caller hands it back with ProgramRelease; until then the caller
// may use it.
extern ListNode* ProcessList;

void ProgramRunnerInit();
// 0: not started; the ProcessRecord's address with RUN_OPEN; 1 otherwise.
// Whether the program succeeded is never asked: its exit code is not read.
// The program text is the command line's first word and is looked for as the
// system looks (a bare name also in the current directory and on PATH): a
// program that must come from one file alone goes through ProgramRunIn.
intptr_t ProgramRun(const char* program, const char* parameters = "", const char* workingDirectory = "",
                    DWORD flags = 0, ProcessRecord* senderProgram = 0);
// The same for a program given by its full name, which is started from that
// file alone: it is never looked for elsewhere (not in the current
// directory, nor on PATH). Its command line begins with its own name (the
// letters after the last backslash), quoted, then the parameters. Parameters
// that could not be made (null bytes) start nothing. A working directory of
// "" is the caller's. The shell is tried, with the same full name, only when
// no working directory is given, in the caller's current directory as the
// direct start. The system's code page need hold neither the name nor the
// directory. No RUN_CONNECT. The program's only door to a run: it hands over
// no raw bytes.
intptr_t ProgramRunIn(PathText program, ProgramParameters parameters, PathText workingDirectory, DWORD flags);
// The full name of the file `name` in this program's own folder (the folder
// of its .exe, as GetModuleFileNameW tells it), in one room that the next call
// fills again; "" when that folder cannot be told or the name does not fit
// in MAX_PATH letters.
PathText ProgramBesideThis(const wchar_t* name);
// Closes the record's handles and unlinks it; the record is gone afterwards.
// The program itself runs on, if it still runs.
void ProgramRelease(ProcessRecord* record);
