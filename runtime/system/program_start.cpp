// The program runner's first try (program_runner_internal.h): the program
// started directly, through CreateProcessW, with its standard streams on
// pipes or taken from an earlier program as the flags ask.
#include "runtime/system/program_runner_internal.h"

#include <string.h>

#include "runtime/system/owners.h"

// The handles one start makes, in two rows of owners with lives of their own;
// rows rather than records of named owners, since a row is closed by one loop
// where named ones are closed one by one on every way out. The program's
// ends, with SENDER_INPUT (an inheritable copy of the sender's output), are
// closed as soon as the program has started, or has failed to.
enum ProgramStreamEnd { INPUT_READ, OUTPUT_WRITE, ERROR_WRITE, SENDER_INPUT, PROGRAM_ENDS };
// The caller's ends, non-inheritable: they go to the record once the program
// has started, and are closed when it has not.
enum CallerStreamEnd { INPUT_WRITE, OUTPUT_READ, ERROR_READ, CALLER_ENDS };

static HANDLE MakeNonInheritable(HANDLE* handle) {
  HANDLE copy = 0;
  if (!DuplicateHandle(GetCurrentProcess(), *handle, GetCurrentProcess(), &copy, 0, FALSE,
                       DUPLICATE_SAME_ACCESS))
    return 0;
  CloseHandle(*handle);
  *handle = copy;
  return copy;
}

// An anonymous pipe whose program end is inheritable and whose caller end is
// not; false leaves both ends 0. A caller end that stayed inheritable would go
// to the program as well, which would then hold its own pipe open: its input
// would never end, and the caller would never see the end of its output.
static bool MakePipe(HANDLE* read, HANDLE* write, HANDLE* callerEnd) {
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, 0, TRUE};
  if (!CreatePipe(read, write, &attributes, 0)) {
    *read = *write = 0;
    return false;
  }
  if (!MakeNonInheritable(callerEnd)) {
    CloseHandle(*read);
    CloseHandle(*write);
    *read = *write = 0;
    return false;
  }
  return true;
}

// The standard streams are handed over: the program inherits handles and
// cannot be detached from the console that carries them.
static void UseStdHandles(STARTUPINFOW* start, BOOL* inherit, DWORD* creationFlags) {
  start->dwFlags |= STARTF_USESTDHANDLES;
  *creationFlags &= ~(DWORD)DETACHED_PROCESS;
  *inherit = TRUE;
}

// The sender's output end is kept non-inheritable in its record; the new
// program receives an inheritable copy of it.
static HANDLE InheritableCopy(HANDLE handle) {
  HANDLE copy = 0;
  if (!DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, TRUE,
                       DUPLICATE_SAME_ACCESS))
    return 0;
  return copy;
}

static void SetUpStreams(DWORD flags, ProcessRecord* sender, OwnedHandle* program, OwnedHandle* caller,
                         STARTUPINFOW* start, BOOL* inherit, DWORD* creationFlags) {
  bool open = (flags & RUN_OPEN) != 0;
  HANDLE* input = &caller[INPUT_WRITE].handle;
  HANDLE* output = &caller[OUTPUT_READ].handle;
  HANDLE* error = &caller[ERROR_READ].handle;
  if ((flags & RUN_CONNECT) && sender && sender->outputRead &&
      (program[SENDER_INPUT].handle = InheritableCopy(sender->outputRead)) != 0) {
    start->hStdInput = program[SENDER_INPUT].handle;
    UseStdHandles(start, inherit, creationFlags);
  } else if (open && (flags & RUN_WRITE) && MakePipe(&program[INPUT_READ].handle, input, input)) {
    start->hStdInput = program[INPUT_READ].handle;
    UseStdHandles(start, inherit, creationFlags);
  }
  if (open && (flags & RUN_READ) && MakePipe(output, &program[OUTPUT_WRITE].handle, output)) {
    start->hStdOutput = program[OUTPUT_WRITE].handle;
    UseStdHandles(start, inherit, creationFlags);
  }
  if (open && (flags & RUN_ERROR) && MakePipe(error, &program[ERROR_WRITE].handle, error)) {
    start->hStdError = program[ERROR_WRITE].handle;
    UseStdHandles(start, inherit, creationFlags);
  }
  if (start->dwFlags & STARTF_USESTDHANDLES) {
    // A stream that is not redirected goes to the program as the caller has
    // it. A caller without a console (started from Explorer) has null ones:
    // Windows 8 and later (and Wine) then give a console program its new
    // console's own, so its output still shows there; Vista and 7 hand on null.
    if (!start->hStdInput) start->hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    if (!start->hStdOutput) start->hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    if (!start->hStdError) start->hStdError = GetStdHandle(STD_ERROR_HANDLE);
  }
}

// The program made with its streams as the call asks, the caller's ends of
// its pipes in caller. Whatever the outcome, the program's ends are closed
// here, before any wait for the program.
static BOOL CreateProgram(const RunCall* call, OwnedHandle* caller, PROCESS_INFORMATION* info) {
  OwnedHandle program[PROGRAM_ENDS];
  BOOL inherit = FALSE;
  DWORD creationFlags = NORMAL_PRIORITY_CLASS;
  if (call->flags & RUN_HIDE) creationFlags |= DETACHED_PROCESS;
  // The UTF-16 call's own start information, as CreateProcessW takes it.
  STARTUPINFOW start;
  memset(&start, 0, sizeof start);
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESHOWWINDOW;
  start.wShowWindow = (WORD)call->show;
  SetUpStreams(call->flags, call->sender, program, caller, &start, &inherit, &creationFlags);
  // Through the UTF-16 call, which takes a working directory and a program's
  // full name that the system's code page cannot hold. A program given by its
  // full name is started from that file alone: the system looks for no other
  // file of its name (the current directory, PATH).
  return CreateProcessW(call->application, call->wide, 0, 0, inherit, creationFlags, 0, call->directory, &start,
                        info);
}

intptr_t StartDirectly(const RunCall* call) {
  OwnedHandle caller[CALLER_ENDS];
  PROCESS_INFORMATION info;
  memset(&info, 0, sizeof info);
  if (!CreateProgram(call, caller, &info)) return 0;
  CloseHandle(info.hThread);
  intptr_t result = ProgramStarted(info.hProcess, (LONG)info.dwProcessId, call->flags, call->record);
  if (call->record) {
    call->record->inputWrite = caller[INPUT_WRITE].release();
    call->record->outputRead = caller[OUTPUT_READ].release();
    call->record->errorRead = caller[ERROR_READ].release();
  }
  return result;
}
