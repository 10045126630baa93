// What the compress request is given: readers of the window's state, and the
// services it uses, which tests can watch or replace. The request and its
// path checks both take them.
#pragma once
#include "runtime/common.h"
#include "runtime/system/program_watch.h"
#include "runtime/text/text_kinds.h"

// What the request reads from the window; each call is a fresh read.
struct CompressionReaders {
  PathText (*pathText)(void* context);      // the path field's text ("" when empty)
  LONG (*levelIndex)(void* context);        // the selected level, 0-based
  void* context;
};

// The services the request uses; the program uses the real ones, tests can
// put watchers in between.
struct CompressionServices {
  int64_t (*pathSize)(PathText path);
  // Runs the program, given by its full name, to its end; 0 when it did not
  // start, else *end tells its exit code and the first line it wrote on its
  // error stream.
  intptr_t (*programRun)(PathText program, ProgramParameters parameters, PathText workingDirectory,
                         ProgramEnd* end);
  int (*messageDialog)(ProgramText caption, ProgramText text, UINT flags);
  // The box for a text that names a file (text_kinds.h).
  int (*boxDialog)(ProgramText caption, BoxText text, UINT flags);
};
