// The program runner's second try (program_runner_internal.h): a program, or
// a document by its association, started through the shell
// (ShellExecuteExW), all in UTF-16.
#include "runtime/system/program_runner_internal.h"

#include <shellapi.h>
#include <string.h>

#include "runtime/system/late_library.h"

// text (the system's code page) in UTF-16 at *at, which then moves past it;
// null when it cannot be converted into the room left before end.
static const wchar_t* Widen(const char* text, wchar_t** at, const wchar_t* end) {
  int n = MultiByteToWideChar(CP_ACP, 0, text, -1, *at, (int)(end - *at));
  if (n <= 0) return 0;
  const wchar_t* widened = *at;
  *at += n;
  return widened;
}

// The folder of a program text (up to and including its last backslash, when
// that is not its first character), written at `at`, before end; null when
// there is none or it does not fit. A quoted program text is read inside its
// quotes.
static const wchar_t* ProgramFolder(const wchar_t* program, wchar_t* at, const wchar_t* end) {
  bool quoted = program[0] == '"';
  const wchar_t* name = program + quoted;
  size_t last = 0;
  for (size_t i = 0; name[i] && !(quoted && name[i] == '"'); ++i)
    if (i && name[i] == '\\') last = i;
  if (!last || last + 2 > (size_t)(end - at)) return 0;
  memcpy(at, name, (last + 1) * sizeof(wchar_t));
  at[last + 1] = 0;
  return at;
}

// Starts file with parameters in directory (null: the caller's current one),
// shown as show (SW_...). A directory that is not there fails the start: the
// shell would start the program in the caller's directory instead. *process
// is the program's handle, or 0 when the shell handed the file to a program
// that already ran. False when nothing started.
static bool ShellStart(const wchar_t* file, const wchar_t* parameters, const wchar_t* directory, int show,
                       HANDLE* process) {
  *process = 0;
  if (directory) {
    DWORD attributes = GetFileAttributesW(directory);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  }
  SHELLEXECUTEINFOW info;
  memset(&info, 0, sizeof info);
  info.cbSize = sizeof info;
  // The caller reports a failure in its own words; the shell shows nothing.
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = L"Open";
  info.lpFile = file;
  info.lpParameters = parameters;
  info.lpDirectory = directory;
  info.nShow = show;
  // The shell's library is loaded only now: a program that starts directly,
  // as the packer does, never needs it. Without it the program did not start.
  auto start = Late<LATE_SHELL_EXECUTE_EX>();
  if (!start || !start(&info)) return false;
  *process = info.hProcess;
  return true;
}

// ProgramRunIn's program goes by its full name, in the caller's current
// directory as the direct start; ProgramRun's program text in its own folder
// when no directory was given.
intptr_t ShellRun(const RunCall* call) {
  wchar_t *at = call->wide, *end = call->wide + call->room;
  const wchar_t* file = call->application ? call->application : Widen(call->program, &at, end);
  const wchar_t* parameters = Widen(call->parameters, &at, end);
  const wchar_t* directory = call->directory;
  if (!file || !parameters) return 0;
  if (!directory && !call->application) directory = ProgramFolder(file, at, end);
  HANDLE process;
  if (!ShellStart(file, parameters, directory, call->show, &process)) return 0;
  return ProgramStarted(process, -1, call->flags, call->record);
}
