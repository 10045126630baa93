// The program runner of program_runner.h: the direct start, the shell's try and the kept programs.
#include "runtime/system/program_runner.h"

#include <shellapi.h>
#include <string.h>

#include "runtime/memory/heaps.h"
#include "runtime/system/late_library.h"
#include "runtime/system/message_wait.h"
#include "runtime/system/owners.h"
#include "runtime/text/code_pages.h"

ListNode* ProcessList;
// Guards only the linking and unlinking of ProcessList nodes.
static CRITICAL_SECTION ProcessListLock;

void ProgramRunnerInit() { InitializeCriticalSection(&ProcessListLock); }

// A command line holds at most 32767 characters with its NUL. CreateProcessA
// refuses a longer one, and the shell would start the program with the line
// cut short, so such a line is not started at all.
const size_t RUN_COMMAND_LINE_LIMIT = 32767;

// One call as ProgramRun has settled it.
struct RunCall {
  const char* program;     // never null
  const char* parameters;  // never null
  const char* directory;   // for the shell; null: the program inherits the caller's current directory
  const wchar_t* wideDirectory;  // the same for the direct start, in UTF-16
  DWORD flags;
  int show;                // SW_HIDE or SW_SHOWNORMAL
  ProcessRecord* sender;   // RUN_CONNECT's earlier program, or null
  ProcessRecord* record;   // reserved for RUN_OPEN, else null
  // The command-line buffer; being longer than the program text, it also
  // holds the folder that the shell is given. The line in UTF-16 follows it.
  char* line;
  wchar_t* wideLine;
};

// The handles one start makes, in two rows of owners with lives of their own;
// rows rather than records of named owners, since a row is closed by one loop
// where named ones are closed one by one on every way out. The program's
// ends, with SENDER_INPUT (an inheritable copy of the sender's output), are
// closed as soon as the program has started, or has failed to.
enum ProgramEnd { INPUT_READ, OUTPUT_WRITE, ERROR_WRITE, SENDER_INPUT, PROGRAM_ENDS };
// The caller's ends, non-inheritable: they go to the record once the program
// has started, and are closed when it has not.
enum CallerEnd { INPUT_WRITE, OUTPUT_READ, ERROR_READ, CALLER_ENDS };

// ---- streams -----------------------------------------------------------------

static void CloseAndClear(HANDLE* handle) {
  if (*handle) CloseHandle(*handle);
  *handle = 0;
}

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
    CloseAndClear(read);
    CloseAndClear(write);
    return false;
  }
  return true;
}

// The standard streams are handed over: the program inherits handles and
// cannot be detached from the console that carries them.
static void UseStdHandles(STARTUPINFOA* start, BOOL* inherit, DWORD* creationFlags) {
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
                         STARTUPINFOA* start, BOOL* inherit, DWORD* creationFlags) {
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

// ---- command line ------------------------------------------------------------

static size_t CommandLineLength(const char* program, const char* parameters) {
  size_t length = strlen(program) + (program[0] != '"' ? 2 : 0);
  if (parameters[0]) length += 1 + strlen(parameters);
  return length;
}

// The quoted program name (unless it already begins with a quote), then one
// space and the parameters when there are any.
static void BuildCommandLine(char* line, const char* program, const char* parameters) {
  char* at = line;
  bool quote = program[0] != '"';
  if (quote) *at++ = '"';
  size_t n = strlen(program);
  memcpy(at, program, n);
  at += n;
  if (quote) *at++ = '"';
  if (parameters[0]) {
    *at++ = ' ';
    n = strlen(parameters);
    memcpy(at, parameters, n);
    at += n;
  }
  *at = 0;
}

// For the shell: the folder of the program text (up to and including its last
// backslash, when that is not its first character), written into buffer;
// null when there is none. A quoted program text is read inside its quotes.
static const char* ProgramFolder(const char* program, char* buffer) {
  const char* name = program;
  size_t end;
  if (name[0] == '"') {
    ++name;
    const char* close = strchr(name, '"');
    end = close ? (size_t)(close - name) : strlen(name);
  } else {
    end = strlen(name);
  }
  size_t last = 0;
  for (size_t i = 1; i < end; ++i)
    if (name[i] == '\\') last = i;
  if (!last) return 0;
  memcpy(buffer, name, last + 1);
  buffer[last + 1] = 0;
  return buffer;
}

// ---- kept programs -----------------------------------------------------------

// A record is linked in before the program is started, so that a program
// never runs without the record its caller asked for: when the node cannot be
// made, nothing is started.
static ProcessRecord* ReserveRecord() {
  EnterCriticalSection(&ProcessListLock);
  ProcessRecord* record = (ProcessRecord*)NodeListInsert(&ProcessList, sizeof(ProcessRecord));
  LeaveCriticalSection(&ProcessListLock);
  return record;
}

static void DropRecord(ProcessRecord* record) {
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
  DropRecord(record);
}

// Waits when asked (the caller's windows stay alive meanwhile), then hands
// the process handle to the record or closes it.
// Never 0: a started program is reported as started.
static intptr_t Started(HANDLE process, LONG id, DWORD flags, ProcessRecord* record) {
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

// ---- the two tries -----------------------------------------------------------

// The program made with its streams as the call asks, the caller's ends of
// its pipes in caller. Whatever the outcome, the program's ends are closed
// here, before any wait for the program.
static BOOL CreateProgram(const RunCall* call, OwnedHandle* caller, PROCESS_INFORMATION* info) {
  OwnedHandle program[PROGRAM_ENDS];
  BOOL inherit = FALSE;
  DWORD creationFlags = NORMAL_PRIORITY_CLASS;
  if (call->flags & RUN_HIDE) creationFlags |= DETACHED_PROCESS;
  STARTUPINFOA start;
  memset(&start, 0, sizeof start);
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESHOWWINDOW;
  start.wShowWindow = (WORD)call->show;
  SetUpStreams(call->flags, call->sender, program, caller, &start, &inherit, &creationFlags);
  BuildCommandLine(call->line, call->program, call->parameters);
  // Started through the UTF-16 call, which takes a working directory that the
  // system's code page cannot hold. The line is the same one: made from the
  // code page's bytes, it reads back as them in the program.
  MultiByteToWideChar(CP_ACP, 0, call->line, -1, call->wideLine, RUN_COMMAND_LINE_LIMIT);
  return CreateProcessW(0, call->wideLine, 0, 0, inherit, creationFlags, 0, call->wideDirectory,
                        (STARTUPINFOW*)&start, info);
}

// The first try. The caller's ends of the pipes go to the record, or are
// closed when the program did not start. 0 when it did not start.
static intptr_t StartDirectly(const RunCall* call) {
  OwnedHandle caller[CALLER_ENDS];
  PROCESS_INFORMATION info;
  memset(&info, 0, sizeof info);
  if (!CreateProgram(call, caller, &info)) return 0;
  CloseHandle(info.hThread);
  intptr_t result = Started(info.hProcess, (LONG)info.dwProcessId, call->flags, call->record);
  if (call->record) {
    call->record->inputWrite = caller[INPUT_WRITE].release();
    call->record->outputRead = caller[OUTPUT_READ].release();
    call->record->errorRead = caller[ERROR_READ].release();
  }
  return result;
}

// The second try, through the shell, which also opens documents by their
// association. A working directory that is not there is not handed on: the
// shell would start the program in the caller's directory instead.
static intptr_t ShellRun(const RunCall* call) {
  const char* directory = call->directory;
  if (directory) {
    DWORD attributes = GetFileAttributesW(call->wideDirectory);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return 0;
  } else {
    directory = ProgramFolder(call->program, call->line);
  }
  SHELLEXECUTEINFOA info;
  memset(&info, 0, sizeof info);
  info.cbSize = sizeof info;
  // The caller reports a failure in its own words; the shell shows nothing.
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = "Open";
  info.lpFile = call->program;
  info.lpParameters = call->parameters;
  info.lpDirectory = directory;
  info.nShow = call->show;
  // The shell's library is loaded only now: a program that starts directly,
  // as the packer does, never needs it. Without it the program did not start.
  auto start = Late<LATE_SHELL_EXECUTE_EX>();
  if (!start || !start(&info)) return 0;
  return Started(info.hProcess, -1, call->flags, call->record);
}

// The run of ProgramRun, with the working directory both ways: directory for
// the shell, wideDirectory for the direct start; shell: whether the shell may
// be tried.
static intptr_t Run(const char* program, const char* parameters, const char* directory,
                    const wchar_t* wideDirectory, DWORD flags, ProcessRecord* senderProgram, bool shell) {
  RunCall call;
  call.program = program ? program : "";
  call.parameters = parameters ? parameters : "";
  call.directory = directory;
  call.wideDirectory = wideDirectory;
  call.flags = flags;
  call.show = (flags & RUN_HIDE) ? SW_HIDE : (flags & RUN_INACTIVE) ? SW_SHOWNOACTIVATE : SW_SHOWNORMAL;
  call.sender = senderProgram;
  call.record = 0;
  // No program names nothing to start (the shell would be asked to open "").
  if (!call.program[0] || CommandLineLength(call.program, call.parameters) >= RUN_COMMAND_LINE_LIMIT) return 0;

  // The line, then the same line in UTF-16 (two bytes a character, at an even offset).
  size_t room = (strlen(call.program) + strlen(call.parameters) + 5) & ~(size_t)1;
  call.line = (char*)HeapAllocate(MainHeap, 0, 3 * room);
  if (!call.line) return 0;
  call.wideLine = (wchar_t*)(call.line + room);
  intptr_t result = 0;
  if (flags & RUN_OPEN) call.record = ReserveRecord();
  if (call.record || !(flags & RUN_OPEN)) {
    result = StartDirectly(&call);
    // A program that does not start is tried once more through the shell,
    // which may still find or open it; not so when streams were to be
    // redirected, which the shell cannot hand over.
    if (!result && shell && !(flags & RUN_REDIRECTS)) result = ShellRun(&call);
  }
  // The one way out once the buffer is made: a record reserved for a program
  // that never started is unlinked, and the buffer freed.
  if (!result && call.record) DropRecord(call.record);
  HeapRelease(MainHeap, call.line);
  return result;
}

intptr_t ProgramRun(const char* program, const char* parameters, const char* workingDirectory, DWORD flags,
                    ProcessRecord* senderProgram) {
  const char* directory = workingDirectory && workingDirectory[0] ? workingDirectory : 0;
  const wchar_t* wide = directory ? WideFromAnsi(directory) : 0;
  return Run(program, parameters, directory, wide, flags, senderProgram, true);
}

intptr_t ProgramRunIn(const char* program, const char* parameters, const wchar_t* workingDirectory, DWORD flags) {
  return Run(program, parameters, 0, workingDirectory && workingDirectory[0] ? workingDirectory : 0, flags, 0, false);
}
