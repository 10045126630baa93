// The one way around the kinds of text_kinds.h, for tests that must hand raw
// bytes: a text built at run time, a path in the system's code page as a test
// writes it, a command line made by hand. No file of the program includes
// this header (a check of the test run says so): the program's texts come
// from its sources, its paths from the user.
#pragma once
#include "runtime/text/code_pages.h"
#include "runtime/text/text_kinds.h"

// bytes (Windows-1250) taken as a text of the program.
inline ProgramText RawProgramText(const char* bytes) { return ProgramText(bytes ? bytes : ""); }
// bytes (the system's code page) taken as a path: converted to UTF-16 as the
// system reads them, into a temporary text.
inline PathText RawPath(const char* bytes) { return PathText(WideFromAnsi(bytes)); }
// bytes taken as a program's parameters as they are.
inline ProgramParameters RawProgramParameters(const char* bytes) { return ProgramParameters(bytes); }
