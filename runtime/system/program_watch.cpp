// The watched run of program_watch.h, on the program runner's own start.
#include "runtime/system/program_watch.h"

#include "runtime/system/message_wait.h"
#include "runtime/system/program_runner.h"

// How long the wait looks away from the pipe while the program writes
// nothing; a program that ends is seen at once, whatever this is.
const DWORD WATCH_POLL_MS = 10;

HANDLE WatchedProgram;

intptr_t ProgramRunWatched(PathText program, ProgramParameters parameters, PathText workingDirectory,
                           ProgramEnd* end) {
  end->exitCode = 0;
  end->errorLine[0] = 0;
  // Kept only for this run: its record is handed back below, whatever happened.
  // Its console window, when it gets one, comes up without taking the
  // activation: the caller's window stays the active one, and its box after
  // the run comes up in front and active. Parameters that could not be made
  // start nothing, on either road.
  ProcessRecord* record =
      (ProcessRecord*)ProgramRunIn(program, parameters, workingDirectory, RUN_OPEN | RUN_ERROR | RUN_INACTIVE);
  // The pipe rules the shell out; without the direct start, the shell's try
  // runs as a plain run would, and nothing is read. Only in this program's
  // own directory, where the runner keeps the shell's try.
  if (!record && workingDirectory.Wide()[0]) return 0;
  if (!record) return ProgramRunIn(program, parameters, workingDirectory, RUN_WAIT | RUN_INACTIVE);

  DWORD kept = 0, waiting, got;
  char dropped[256];
  WatchedProgram = record->processHandle;
  for (bool ended = false;;) {
    // Whatever the pipe holds now is read, never waiting for more: the
    // program, or one it started, may hold the stream open without writing.
    // The first bytes fill the line's room; the rest is read only to be
    // dropped, so that the program never waits on a full pipe, and while it
    // writes, the pipe is looked at again soon. A pipe that could not be
    // made (0) is never read.
    DWORD pause = WATCH_POLL_MS;
    while (record->errorRead && PeekNamedPipe(record->errorRead, 0, 0, 0, &waiting, 0) && waiting) {
      DWORD room = PROGRAM_ERROR_LINE_ROOM - 1 - kept;
      char* into = room ? end->errorLine + kept : dropped;
      if (!room) room = sizeof dropped;
      if (!ReadFile(record->errorRead, into, waiting < room ? waiting : room, &got, 0) || !got) break;
      if (into != dropped) kept += got;
      pause = 1;
    }
    if (ended) break;
    // Woken by the program's end, the time to look at the pipe again, or a
    // message for the windows, which is dispatched.
    ended = WaitDispatching(record->processHandle, pause);
  }
  WatchedProgram = 0;
  GetExitCodeProcess(record->processHandle, &end->exitCode);
  ProgramRelease(record);
  // The first line, without its line break.
  end->errorLine[kept] = 0;
  char* at = end->errorLine;
  while (*at && *at != '\r' && *at != '\n') ++at;
  *at = 0;
  return 1;
}
