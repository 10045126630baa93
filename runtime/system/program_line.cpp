// The command line of program_line.h.
#include "runtime/system/program_line.h"

#include <string.h>

// The letters after the last backslash of a full name: the program's own name.
static const wchar_t* OwnName(const wchar_t* application) {
  const wchar_t* name = application;
  for (const wchar_t* at = application; *at; ++at)
    if (*at == '\\') name = at + 1;
  return name;
}

size_t CommandLineLength(const wchar_t* application, const char* program, const char* parameters) {
  size_t length = application ? (size_t)lstrlenW(OwnName(application)) + 2 : strlen(program) + (program[0] != '"' ? 2 : 0);
  if (parameters[0]) length += 1 + strlen(parameters);
  return length;
}

// The program text quoted (unless it already begins with a quote), then one
// space and the parameters when there are any.
static void BuildLine(char* line, const char* program, const char* parameters) {
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

bool CommandLineBuild(const wchar_t* application, const char* program, const char* parameters, char* line,
                      wchar_t* wide, size_t room) {
  const char* rest = parameters;
  size_t at = 0;
  if (application) {
    wide[at++] = '"';
    for (const wchar_t* name = OwnName(application); *name;) wide[at++] = *name++;
    wide[at++] = '"';
    if (rest[0]) wide[at++] = ' ';
  } else {
    BuildLine(line, program, parameters);
    rest = line;
  }
  return MultiByteToWideChar(CP_ACP, 0, rest, -1, wide + at, (int)(room - at)) > 0;
}
