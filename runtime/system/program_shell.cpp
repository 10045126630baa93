// The shell's try of program_shell.h.
#include "runtime/system/program_shell.h"

#include <shellapi.h>
#include <string.h>

#include "runtime/system/late_library.h"

const wchar_t* ShellProgramFolder(const wchar_t* program, wchar_t* buffer) {
  bool quoted = program[0] == '"';
  const wchar_t* name = program + quoted;
  size_t last = 0;
  for (size_t i = 0; name[i] && !(quoted && name[i] == '"'); ++i)
    if (i && name[i] == '\\') last = i;
  if (!last) return 0;
  memcpy(buffer, name, (last + 1) * sizeof(wchar_t));
  buffer[last + 1] = 0;
  return buffer;
}

bool ShellStart(const wchar_t* file, const wchar_t* parameters, const wchar_t* directory, int show,
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
