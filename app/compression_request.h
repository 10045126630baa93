// The compress action: check the path and copy it, pick the level switch,
// build the packer's command line, run upx.exe, wait, and tell the outcome in
// one message box: the sizes, or why the file kept its size.
#pragma once
#include "app/level_table.h"
#include "app/request_services.h"

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
