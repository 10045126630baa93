// The program runner's second try: a program, or a document by its
// association, started through the shell (ShellExecuteExW), all in UTF-16.
#pragma once
#include "runtime/common.h"

// The folder of a program text (up to and including its last backslash, when
// that is not its first character), written into buffer; null when there is
// none. A quoted program text is read inside its quotes.
const wchar_t* ShellProgramFolder(const wchar_t* program, wchar_t* buffer);

// Starts file with parameters in directory (null: the caller's current one),
// shown as show (SW_...). A directory that is not there fails the start: the
// shell would start the program in the caller's directory instead. *process
// is the program's handle, or 0 when the shell handed the file to a program
// that already ran. False when nothing started.
bool ShellStart(const wchar_t* file, const wchar_t* parameters, const wchar_t* directory, int show,
                HANDLE* process);
