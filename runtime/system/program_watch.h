// Running a program to its end while its error stream is read: what it wrote
// first on that stream and its exit code come back with the end of the run.
#pragma once
#include "runtime/common.h"
#include "runtime/text/text_kinds.h"

// Room for the first line the program writes on its error stream, NUL included.
const int PROGRAM_ERROR_LINE_ROOM = 512;

struct ProgramEnd {
  // The program's exit code; 0 when it could not be read (started through
  // the shell).
  DWORD exitCode;
  // Its first line on the error stream, without the line break and cut to
  // the room; "" when it wrote none or the stream could not be read.
  char errorLine[PROGRAM_ERROR_LINE_ROOM];
};

// Starts the program, given by its full name, as ProgramRunIn does with
// RUN_WAIT (from that file alone, its own name first on its command line;
// shown without taking the activation), with its standard error on a pipe and
// its standard input and output as this program has them, and returns once it
// has ended. The pipe is read while waiting, so a program that writes much
// never stops on a full pipe; the wait ends when the program ends, whoever
// else still holds its stream. Meanwhile the thread's messages are
// dispatched (message_wait.h), on the shell's road too. The working
// directory ("": this program's own) is given in UTF-16, as it is. Without a
// working directory, a program that does not start directly is tried through
// the shell by the same full name, without the pipe; with one, it is not.
// Parameters that could not be made are not started.
// 0: not started; 1: started and ended, *end filled in.
intptr_t ProgramRunWatched(PathText program, ProgramParameters parameters, PathText workingDirectory,
                           ProgramEnd* end);

// The process handle of the program that ProgramRunWatched waits for, while
// it waits on the direct road; else 0. A window procedure that runs inside
// the wait (at the session's end) can wait for the program itself.
extern HANDLE WatchedProgram;
