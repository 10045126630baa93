// The run of program_runner.h: a call settled, its line made, then the direct
// start (program_start.cpp) and the shell's try (program_shell.cpp), the
// record of a kept program reserved (program_record.cpp); and a program
// beside this one by its full name.
#include "runtime/system/program_runner.h"

#include <string.h>

#include "runtime/memory/heaps.h"
#include "runtime/system/program_line.h"
#include "runtime/system/program_runner_internal.h"
#include "runtime/text/code_pages.h"

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
  if (flags & RUN_OPEN) call->record = RecordReserve();
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
  if (!result && call->record) RecordDrop(call->record);
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

intptr_t ProgramRunIn(PathText program, ProgramParameters parameters, PathText workingDirectory, DWORD flags) {
  if (!parameters.Bytes()) return 0;
  RunCall call;
  call.application = program.Wide();
  call.program = "";
  call.parameters = parameters.Bytes();
  call.directory = workingDirectory.Wide()[0] ? workingDirectory.Wide() : 0;
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
