// Runs one compress request with the real services, so that tests can watch it
// from outside: in a folder of their choosing, with or without a packer beside it.
//   request-probe.exe LEVEL PATH
// Every box the request shows is read, closed, and written to standard output
// as three lines: "box ICON BUTTONS", then the caption and the text as read
// from the box (UTF-16), each written as the hex of its UTF-8 bytes.
// The exit code is the number of boxes.
#include <stdio.h>
#include <stdlib.h>

#include "app/compression_request.h"
#include "runtime/memory/heaps.h"
#include "runtime/memory/strings.h"
#include "runtime/system/program_runner.h"
#include "runtime/text/raw_bytes.h"
#include "tests/support/win_test.h"

static const char* path = "";
static LONG level;

// The path as the command line gave it, in the system's code page.
static PathText ReadPath(void*) { return RawPath(path); }
static LONG ReadLevel(void*) { return level; }

static void PrintHex(const std::string& bytes) {
  for (unsigned char c : bytes) printf("%02x", c);
  printf("\n");
}

int main(int argc, char** argv) {
  if (argc != 3) return -1;
  level = atol(argv[1]);
  path = argv[2];
  // Only what the request itself uses, not the whole runtime's start: no
  // window is made, so the probe shows nothing but the request's boxes.
  InstanceHandle = GetModuleHandleA(0);
  MainHeap = HeapCreate(0, 4096, 0);
  ListHeapCreate();
  // The ring of temporary texts: a path's view in the code page is made there.
  StringHeapCreate();
  ProgramRunnerInit();
  BoxCatcher catcher;
  CompressionRequest({ReadPath, ReadLevel, 0});
  for (const SeenBox& box : catcher.boxes()) {
    printf("box %ld %d\n", box.icon, box.buttons);
    PrintHex(box.caption);
    PrintHex(box.text);
  }
  fflush(stdout);
  return (int)catcher.boxes().size();
}
