// The recording services and readers of request_seam.h.
#include "tests/app/request_seam.h"

#include "runtime/system/path_size.h"
#include "runtime/text/raw_bytes.h"
#include "tests/support/utf8.h"

static RequestSeam* active;

// The test's paths are bytes in the system's code page, read as the field's
// UTF-16 would give them.
static PathText ReadPath(void* context) {
  RequestSeam* s = (RequestSeam*)context;
  size_t i = s->pathReads < (int)s->paths.size() ? s->pathReads : s->paths.size() - 1;
  ++s->pathReads;
  if (!s->widePath.empty()) return PathText(s->widePath.c_str());
  return s->nullPath ? PathText(nullptr) : RawPath(s->paths[i].c_str());
}

// What the path or the directory is to the system: its exact view.
static std::string View(PathText path) {
  const char* view = path.Ansi();
  return view ? view : "(no exact view)";
}

static LONG ReadLevel(void* context) {
  RequestSeam* s = (RequestSeam*)context;
  size_t i = s->levelReads < (int)s->levels.size() ? s->levelReads : s->levels.size() - 1;
  ++s->levelReads;
  return s->levels[i];
}

static int64_t SeamSize(PathText path) {
  active->sizeQueries.push_back(View(path));
  if (active->realSizes) return PathSize(path);
  return active->runs.empty() ? active->sizeBeforeRun : active->sizeAfterRun;
}

static intptr_t SeamRun(PathText program, ProgramParameters parameters, PathText directory, ProgramEnd* end) {
  const char* line = parameters.Bytes();
  active->runs.push_back({View(program), line ? line : "(none)", View(directory), end != nullptr});
  if (active->onRun) active->onRun(active->runs.back().parameters);
  if (end) {
    end->exitCode = active->exitCode;
    lstrcpynA(end->errorLine, active->errorLine.c_str(), sizeof end->errorLine);
  }
  return active->runResult;
}

// The request hands its box the program's own Windows-1250 bytes; they are
// kept as the letters they stand for, to be compared with the expected texts.
static int SeamDialog(ProgramText caption, ProgramText text, UINT flags) {
  active->dialogs.push_back({Utf8FromCodePage(1250, caption.Bytes()), Utf8FromCodePage(1250, text.Bytes()), flags});
  return IDOK;
}

// A text that names a file comes as UTF-16.
static int SeamBoxDialog(ProgramText caption, BoxText text, UINT flags) {
  active->dialogs.push_back({Utf8FromCodePage(1250, caption.Bytes()), Utf8FromWide(text.Wide()), flags});
  return IDOK;
}

RequestSeam::RequestSeam() { active = this; }
RequestSeam::~RequestSeam() { active = nullptr; }

void RequestSeam::Run() {
  CompressionReaders readers = {ReadPath, ReadLevel, this};
  CompressionServices services = {SeamSize, SeamRun, SeamDialog, SeamBoxDialog};
  CompressionRequest(readers, services);
}
