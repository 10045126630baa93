// The command line a program is started with: its first word, then its
// parameters, made in UTF-16 for the system's UTF-16 start.
#pragma once
#include "runtime/common.h"

// A command line holds at most 32767 characters with its NUL. CreateProcessW
// refuses a longer one, and the shell would start the program with the line
// cut short, so such a line is not started at all.
const size_t RUN_COMMAND_LINE_LIMIT = 32767;

// The line's length without its NUL. Its first word is the application's own
// name (the letters after its last backslash), quoted, when an application is
// given (not null); else the program text, quoted unless it already begins
// with a quote. Then one space and the parameters, when there are any.
size_t CommandLineLength(const wchar_t* application, const char* program, const char* parameters);

// That line in UTF-16 in wide, which holds room letters; with no application
// it is made in the system's code page in line first. Each must hold at least
// the line's length (CommandLineLength) and its NUL, in letters or bytes.
// The parameters are the code page's bytes, which the program reads back as
// they were. False when they cannot be converted.
bool CommandLineBuild(const wchar_t* application, const char* program, const char* parameters, char* line,
                      wchar_t* wide, size_t room);
