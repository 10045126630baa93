// The recording services and readers of request_seam.h.
#include "tests/app/request_seam.h"

#include "runtime/system/path_size.h"
#include "tests/support/utf8.h"

static RequestSeam* active;

static const char* ReadPath(void* context) {
  RequestSeam* s = (RequestSeam*)context;
  size_t i = s->pathReads < (int)s->paths.size() ? s->pathReads : s->paths.size() - 1;
  ++s->pathReads;
  return s->nullPath ? nullptr : s->paths[i].c_str();
}

static LONG ReadLevel(void* context) {
  RequestSeam* s = (RequestSeam*)context;
  size_t i = s->levelReads < (int)s->levels.size() ? s->levelReads : s->levels.size() - 1;
  ++s->levelReads;
  return s->levels[i];
}

static int64_t SeamSize(const char* path) {
  active->sizeQueries.push_back(path);
  if (active->realSizes) return PathSize(path);
  return active->runs.empty() ? active->sizeBeforeRun : active->sizeAfterRun;
}

static intptr_t SeamRun(const char* program, const char* parameters, const char* directory, ProgramEnd* end) {
  active->runs.push_back({program, parameters, directory, end != nullptr});
  if (active->onRun) active->onRun(parameters);
  if (end) {
    end->exitCode = active->exitCode;
    lstrcpynA(end->errorLine, active->errorLine.c_str(), sizeof end->errorLine);
  }
  return active->runResult;
}

// The request hands its box the program's own Windows-1250 bytes; they are
// kept as the letters they stand for, to be compared with the expected texts.
static int SeamDialog(const char* caption, const char* text, UINT flags) {
  active->dialogs.push_back({Utf8FromCodePage(1250, caption), Utf8FromCodePage(1250, text), flags});
  return IDOK;
}

RequestSeam::RequestSeam() { active = this; }
RequestSeam::~RequestSeam() { active = nullptr; }

void RequestSeam::Run() {
  CompressionReaders readers = {ReadPath, ReadLevel, this};
  CompressionServices services = {SeamSize, SeamRun, SeamDialog};
  CompressionRequest(readers, services);
}
