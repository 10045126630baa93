// The program runner of program_runner.h: the direct start, the shell's try
// (program_shell.h) and the kept programs.
#include "runtime/system/program_runner.h"

#include <string.h>

#include "runtime/memory/heaps.h"
#include "runtime/system/late_library.h"
#include "runtime/system/message_wait.h"
#include "runtime/system/owners.h"
#include "runtime/system/program_line.h"
#include "runtime/system/program_shell.h"
#include "runtime/text/code_pages.h"

ListNode* ProcessList;
// Guards only the linking and unlinking of ProcessList nodes.
static CRITICAL_SECTION ProcessListLock;

void ProgramRunnerInit() { InitializeCriticalSection(&ProcessListLock); }

// One call as ProgramRun or ProgramRunIn has settled it.
struct RunCall {
  // ProgramRunIn's program by its full name, started by that name alone;
  // null for ProgramRun, whose program text is looked for as the system looks.
  const wchar_t* application;
  const char* program;     // ProgramRun's program text; never null
  const char* parameters;  // never null
  const wchar_t* directory;  // null: the program inherits the caller's current directory
  DWORD flags;
  int show;                // SW_HIDE or SW_SHOWNORMAL
  ProcessRecord* sender;   // RUN_CONNECT's earlier program, or null
  ProcessRecord* record;   // reserved for RUN_OPEN, else null
  // ProgramRun's line in the system's code page, then room for `room`
  // letters of UTF-16: the line as the direct start takes it, and once that
  // has failed, the texts the shell is given.
  char* line;
  wchar_t* wide;
  size_t room;
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

// text (the system's code page) in UTF-16 at *at, which then moves past it;
// null when it cannot be converted.
static const wchar_t* Widen(const char* text, wchar_t** at, const wchar_t* end) {
  int n = MultiByteToWideChar(CP_ACP, 0, text, -1, *at, (int)(end - *at));
  if (n <= 0) return 0;
  const wchar_t* widened = *at;
  *at += n;
  return widened;
}

// The second try, through the shell, which also opens documents by their
// association. ProgramRunIn's program goes by its full name, in the caller's
// current directory as the direct start; ProgramRun's program text in its
// own folder when no directory was given. The texts are made in the room
// that the line held.
static intptr_t ShellRun(const RunCall* call) {
  wchar_t *at = call->wide, *end = call->wide + call->room;
  const wchar_t* file = call->application ? call->application : Widen(call->program, &at, end);
  const wchar_t* parameters = Widen(call->parameters, &at, end);
  const wchar_t* directory = call->directory;
  if (!file || !parameters) return 0;
  if (!directory && !call->application) directory = ShellProgramFolder(file, at);
  HANDLE process;
  if (!ShellStart(file, parameters, directory, call->show, &process)) return 0;
  return Started(process, -1, call->flags, call->record);
}

// The run of ProgramRun and ProgramRunIn; shell: whether the shell may be tried.
static intptr_t Run(RunCall* call, bool shell) {
  DWORD flags = call->flags;
  call->show = (flags & RUN_HIDE) ? SW_HIDE : (flags & RUN_INACTIVE) ? SW_SHOWNOACTIVATE : SW_SHOWNORMAL;
  call->record = 0;
  // No program names nothing to start (the shell would be asked to open "").
  size_t length = call->application ? (size_t)lstrlenW(call->application) : strlen(call->program);
  if (!length || CommandLineLength(call->application, call->program, call->parameters) >= RUN_COMMAND_LINE_LIMIT)
    return 0;

  // The line in the code page, then room for it in UTF-16 twice over (at an
  // even offset): the shell's texts need as much.
  size_t room = (length + strlen(call->parameters) + 5) & ~(size_t)1;
  call->line = (char*)HeapAllocate(MainHeap, 0, 5 * room);
  if (!call->line) return 0;
  call->wide = (wchar_t*)(call->line + room);
  call->room = 2 * room;
  intptr_t result = 0;
  if (flags & RUN_OPEN) call->record = ReserveRecord();
  if ((call->record || !(flags & RUN_OPEN)) &&
      CommandLineBuild(call->application, call->program, call->parameters, call->line, call->wide, call->room)) {
    result = StartDirectly(call);
    // A program that does not start is tried once more through the shell,
    // which may still find or open it; not so when streams were to be
    // redirected, which the shell cannot hand over.
    if (!result && shell && !(flags & RUN_REDIRECTS)) result = ShellRun(call);
  }
  // The one way out once the buffer is made: a record reserved for a program
  // that never started is unlinked, and the buffer freed.
  if (!result && call->record) DropRecord(call->record);
  HeapRelease(MainHeap, call->line);
  return result;
}

intptr_t ProgramRun(const char* program, const char* parameters, const char* workingDirectory, DWORD flags,
                    ProcessRecord* senderProgram) {
  RunCall call;
  call.application = 0;
  call.program = program ? program : "";
  call.parameters = parameters ? parameters : "";
  call.directory = workingDirectory && workingDirectory[0] ? WideFromAnsi(workingDirectory) : 0;
  call.flags = flags;
  call.sender = senderProgram;
  return Run(&call, true);
}

intptr_t ProgramRunIn(const wchar_t* program, const char* parameters, const wchar_t* workingDirectory,
                      DWORD flags) {
  RunCall call;
  call.application = program ? program : L"";
  call.program = "";
  call.parameters = parameters ? parameters : "";
  call.directory = workingDirectory && workingDirectory[0] ? workingDirectory : 0;
  call.flags = flags;
  call.sender = 0;
  // The shell only in the caller's own directory, as the watched run has it.
  return Run(&call, !call.directory);
}

// The room of ProgramBesideThis: a name for a start, which is used at once.
static wchar_t besideThis[MAX_PATH];

PathText ProgramBesideThis(const wchar_t* name) {
  // A name cut short to the room (MAX_PATH, and no NUL before Vista) is no name.
  DWORD n = GetModuleFileNameW(0, besideThis, MAX_PATH);
  if (n >= MAX_PATH) n = 0;
  while (n && besideThis[n - 1] != '\\') --n;
  size_t length = lstrlenW(name);
  if (!n || n + length >= MAX_PATH) n = 0, length = 0;
  memcpy(besideThis + n, name, length * sizeof(wchar_t));
  besideThis[n + length] = 0;
  return PathText(besideThis);
}
