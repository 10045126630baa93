// The compress action: check the path and copy it, pick the level switch,
// build the packer's command line, run upx.exe, wait, and tell the outcome in
// one message box: the sizes, or why the file kept its size.
#pragma once
#include "app/level_table.h"
#include "runtime/common.h"
#include "runtime/system/program_watch.h"

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

extern const CompressionServices RealCompressionServices;

// The switch of the last request whose level index was known; never cleared,
// so a request with an unknown index uses it again.
extern char levelSwitch[LEVEL_SWITCH_ROOM];
extern LONG sizeBefore;          // low 32 bits of the size before
extern int64_t sizeBeforeFull;   // the whole size before: compared with the size after and reported

void CompressionRequest(const CompressionReaders& readers,
                        const CompressionServices& services = RealCompressionServices);
// The steps that end the run under way once the packer has ended (its
// temporary file, the stand-in's replacement), taken now rather than when the
// request sees the run end: for the session's end, after which Windows may
// end the program before the request goes on. Nothing without a run, and
// nothing the second time.
void CompressionRunEnd();
