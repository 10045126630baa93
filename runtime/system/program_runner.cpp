#include "runtime/system/program_runner.h"

#include <shellapi.h>
#include <string.h>

#include "runtime/memory/heaps.h"

ListNode* ProcessList;
CRITICAL_SECTION ProcessListLock;

void ProgramRunnerInit() { InitializeCriticalSection(&ProcessListLock); }

HANDLE MakeNonInheritable(HANDLE* handle) {
  HANDLE copy = 0;
  if (!DuplicateHandle(GetCurrentProcess(), *handle, GetCurrentProcess(), &copy, 0, FALSE,
                       DUPLICATE_SAME_ACCESS))
    return 0;
  CloseHandle(*handle);
  *handle = copy;
  return copy;
}

namespace {

// The handles one start makes. The caller's ends (inputWrite, outputRead,
// errorRead) are non-inheritable; the program's ends and senderInput (an
// inheritable copy of the sender's output) are closed as soon as the program
// has started, or has failed to.
struct StartHandles {
  HANDLE inputRead, inputWrite;
  HANDLE outputRead, outputWrite;
  HANDLE errorRead, errorWrite;
  HANDLE senderInput;
};

void CloseAndClear(HANDLE* handle) {
  if (*handle) CloseHandle(*handle);
  *handle = 0;
}

// An anonymous pipe whose program end is inheritable and whose caller end is
// not; false leaves both ends 0. A caller end that stayed inheritable would go
// to the program as well, which would then hold its own pipe open: its input
// would never end, and the caller would never see the end of its output.
bool MakePipe(HANDLE* read, HANDLE* write, HANDLE* callerEnd) {
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
void UseStdHandles(STARTUPINFOA* start, BOOL* inherit, DWORD* creationFlags) {
  start->dwFlags |= STARTF_USESTDHANDLES;
  *creationFlags &= ~(DWORD)DETACHED_PROCESS;
  *inherit = TRUE;
}

// The sender's output end is kept non-inheritable in its record; the new
// program receives an inheritable copy of it.
HANDLE InheritableCopy(HANDLE handle) {
  HANDLE copy = 0;
  if (!DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, TRUE,
                       DUPLICATE_SAME_ACCESS))
    return 0;
  return copy;
}

void SetUpStreams(DWORD flags, ProcessRecord* sender, StartHandles* h, STARTUPINFOA* start, BOOL* inherit,
                  DWORD* creationFlags) {
  bool open = (flags & RUN_OPEN) != 0;
  if ((flags & RUN_CONNECT) && sender && sender->outputRead &&
      (h->senderInput = InheritableCopy(sender->outputRead)) != 0) {
    start->hStdInput = h->senderInput;
    UseStdHandles(start, inherit, creationFlags);
  } else if (open && (flags & RUN_WRITE) && MakePipe(&h->inputRead, &h->inputWrite, &h->inputWrite)) {
    start->hStdInput = h->inputRead;
    UseStdHandles(start, inherit, creationFlags);
  }
  if (open && (flags & RUN_READ) && MakePipe(&h->outputRead, &h->outputWrite, &h->outputRead)) {
    start->hStdOutput = h->outputWrite;
    UseStdHandles(start, inherit, creationFlags);
  }
  if (open && (flags & RUN_ERROR) && MakePipe(&h->errorRead, &h->errorWrite, &h->errorRead)) {
    start->hStdError = h->errorWrite;
    UseStdHandles(start, inherit, creationFlags);
  }
  if (start->dwFlags & STARTF_USESTDHANDLES) {
    if (!start->hStdInput) start->hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    if (!start->hStdOutput) start->hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    if (!start->hStdError) start->hStdError = GetStdHandle(STD_ERROR_HANDLE);
  }
}

// A command line holds at most 32767 characters with its NUL. CreateProcessA
// refuses a longer one, and the shell would start the program with the line
// cut short, so such a line is not started at all.
const size_t COMMAND_LINE_LIMIT = 32767;

size_t CommandLineLength(const char* program, const char* parameters) {
  size_t length = strlen(program) + (program[0] != '"' ? 2 : 0);
  if (parameters[0]) length += 1 + strlen(parameters);
  return length;
}

// The quoted program name (unless it already begins with a quote), then one
// space and the parameters when there are any.
void BuildCommandLine(char* line, const char* program, const char* parameters) {
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
const char* ProgramFolder(const char* program, char* buffer) {
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

// A record is linked in before the program is started, so that a program
// never runs without the record its caller asked for: when the node cannot be
// made, nothing is started.
ProcessRecord* ReserveRecord() {
  EnterCriticalSection(&ProcessListLock);
  ProcessRecord* record = (ProcessRecord*)NodeListInsert(&ProcessList, sizeof(ProcessRecord));
  LeaveCriticalSection(&ProcessListLock);
  return record;
}

void DropRecord(ProcessRecord* record) {
  EnterCriticalSection(&ProcessListLock);
  NodeListRemove(&ProcessList, record);
  LeaveCriticalSection(&ProcessListLock);
}

// Waits when asked, then hands the process handle to the record or closes it.
intptr_t Started(HANDLE process, LONG id, DWORD flags, ProcessRecord* record) {
  if ((flags & RUN_WAIT) && process) WaitForSingleObject(process, INFINITE);
  if (!record) {
    if (process) CloseHandle(process);
    return 1;
  }
  record->processHandle = process;
  record->processId = id;
  return (intptr_t)record;
}

// The second try, through the shell, which also opens documents by their
// association. A working directory that is not there is not handed on: the
// shell would start the program in the caller's directory instead.
intptr_t ShellRun(const char* program, const char* parameters, const char* directory, int show, DWORD flags,
                  ProcessRecord* record, char* buffer) {
  if (directory) {
    DWORD attributes = GetFileAttributesA(directory);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return 0;
  } else {
    directory = ProgramFolder(program, buffer);
  }
  SHELLEXECUTEINFOA info;
  memset(&info, 0, sizeof info);
  info.cbSize = sizeof info;
  // The caller reports a failure in its own words; the shell shows nothing.
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = "Open";
  info.lpFile = program;
  info.lpParameters = parameters;
  info.lpDirectory = directory;
  info.nShow = show;
  if (!ShellExecuteExA(&info)) return 0;
  return Started(info.hProcess, -1, flags, record);
}

}  // namespace

intptr_t ProgramRun(const char* program, const char* parameters, const char* workingDirectory, DWORD flags,
                    ProcessRecord* senderProgram) {
  if (!program) program = "";
  if (!parameters) parameters = "";
  if (workingDirectory && !workingDirectory[0]) workingDirectory = 0;
  // No program names nothing to start (the shell would be asked to open "").
  if (!program[0] || CommandLineLength(program, parameters) >= COMMAND_LINE_LIMIT) return 0;

  char* line = (char*)HeapAllocate(MainHeap, 0, strlen(program) + strlen(parameters) + 4);
  if (!line) return 0;
  ProcessRecord* record = 0;
  if (flags & RUN_OPEN) {
    record = ReserveRecord();
    if (!record) {
      HeapRelease(MainHeap, line);
      return 0;
    }
  }

  StartHandles h;
  memset(&h, 0, sizeof h);
  BOOL inherit = FALSE;
  DWORD creationFlags = NORMAL_PRIORITY_CLASS;
  STARTUPINFOA start;
  memset(&start, 0, sizeof start);
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESHOWWINDOW;
  int show = SW_SHOWNORMAL;
  if (flags & RUN_HIDE) {
    show = SW_HIDE;
    creationFlags |= DETACHED_PROCESS;
  }
  start.wShowWindow = (WORD)show;
  SetUpStreams(flags, senderProgram, &h, &start, &inherit, &creationFlags);

  BuildCommandLine(line, program, parameters);
  PROCESS_INFORMATION info;
  memset(&info, 0, sizeof info);
  BOOL ok = CreateProcessA(0, line, 0, 0, inherit, creationFlags, 0, workingDirectory, &start, &info);

  CloseAndClear(&h.outputWrite);
  CloseAndClear(&h.inputRead);
  CloseAndClear(&h.errorWrite);
  CloseAndClear(&h.senderInput);
  intptr_t result = 0;
  if (ok) {
    CloseHandle(info.hThread);
    result = Started(info.hProcess, (LONG)info.dwProcessId, flags, record);
    if (record) {
      record->inputWrite = h.inputWrite;
      record->outputRead = h.outputRead;
      record->errorRead = h.errorRead;
    }
  } else {
    CloseAndClear(&h.outputRead);
    CloseAndClear(&h.inputWrite);
    CloseAndClear(&h.errorRead);
    if (!(flags & RUN_REDIRECTS))
      result = ShellRun(program, parameters, workingDirectory, show, flags, record, line);
    if (!result && record) DropRecord(record);
  }
  HeapRelease(MainHeap, line);
  return result;
}
