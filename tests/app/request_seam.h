// Services and readers for the compress request that record every call and
// answer as the test says: sizes come from the test (or from the real size
// query), the run can change them, and boxes are only recorded (their texts as UTF-8).
#pragma once
#include <string>
#include <vector>

#include "app/compression_request.h"

struct SeenRun {
  std::string program, parameters, directory;  // the program's full name, as the directory is
  bool endAsked;   // the request gave the run a record of its end to fill
};
struct SeenDialog {
  std::string caption, text;  // UTF-8, from the request's Windows-1250 bytes
  UINT flags;
};

struct RequestSeam {
  // Readers: the path answers in turn (the last one repeats); the level likewise.
  std::vector<std::string> paths{""};
  std::vector<LONG> levels{9};
  bool nullPath = false;
  std::wstring widePath;  // when not empty, the path every read gives, in UTF-16
  int pathReads = 0, levelReads = 0;

  // Sizes: before the run, and after it; realSizes asks PathSize instead.
  int64_t sizeBeforeRun = 900, sizeAfterRun = 500;
  bool realSizes = false;
  intptr_t runResult = 1;
  // How the run ends: its exit code and its first line on the error stream.
  DWORD exitCode = 0;
  std::string errorLine;
  void (*onRun)(const std::string& parameters) = nullptr;

  std::vector<std::string> sizeQueries;
  std::vector<SeenRun> runs;
  std::vector<SeenDialog> dialogs;

  RequestSeam();
  ~RequestSeam();
  void Run();
};
