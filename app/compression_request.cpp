#include "app/compression_request.h"

#include "app/decimal_text.h"
#include "app/texts.h"
#include "runtime/system/modal.h"
#include "runtime/system/path_size.h"
#include "runtime/system/program_runner.h"

#include <string.h>

char levelSwitch[16];
LONG sizeBefore;
int64_t sizeBeforeFull;

// The longest path handed to the packer. The size query looks at no more than
// this, so anything longer would be measured as one file and packed as another.
const int PACKABLE_PATH_MAX = 260;

// The command line and the report are built in fixed buffers.
const int PARAMETERS_ROOM = sizeof levelSwitch + 2 + PACKABLE_PATH_MAX + 1;
const int REPORT_ROOM = sizeof TEXT_REPORT_BEFORE + sizeof TEXT_REPORT_AFTER + 2 * DECIMAL_TEXT_ROOM;

static const char* ReadPath(const CompressionReaders& readers) {
  const char* text = readers.pathText(readers.context);
  return text ? text : "";
}

// Whether the packer can be given this path as one quoted argument naming
// exactly the file that was measured:
// - no more than PACKABLE_PATH_MAX characters;
// - no '*' or '?': the packer expands them itself and would rewrite every
//   matching file while the size query looked at only the first;
// - no '<', '>' or '"': the file search reads these as wildcards too, and a
//   '"' would also end the quoted argument early;
// - no '\' at the end: it would escape the closing quote.
static bool PathIsPackable(const char* path) {
  int n = 0;
  for (; path[n]; ++n) {
    if (n >= PACKABLE_PATH_MAX) return false;
    char c = path[n];
    if (c == '*' || c == '?' || c == '<' || c == '>' || c == '"') return false;
  }
  return n > 0 && path[n - 1] != '\\';
}

static void Append(char* out, int room, int* used, const char* text) {
  while (*text && *used < room - 1) out[(*used)++] = *text++;
  out[*used] = 0;
}

static void BuildSwitch(const CompressionReaders& readers) {
  LONG index = readers.levelIndex(readers.context);
  if (index >= 0 && index <= 8) {
    index = readers.levelIndex(readers.context);
    char digits[DECIMAL_TEXT_ROOM];
    int used = 0;
    levelSwitch[0] = 0;
    Append(levelSwitch, sizeof levelSwitch, &used, "-");
    Append(levelSwitch, sizeof levelSwitch, &used, DecimalText((int64_t)index + 1, digits));
    Append(levelSwitch, sizeof levelSwitch, &used, " ");
  } else if (index == 9) {
    lstrcpyA(levelSwitch, "--best ");
  } else if (index == 10) {
    lstrcpyA(levelSwitch, "--brute ");
  }
}

// The path is read afresh for every use, yet the request measures, packs and
// reports only the text it checked: a later read can differ from it only when
// the read itself failed (a text that could not be copied reads as ""), since
// no event is handled while the request runs. Before the packer runs, such a
// read ends the request as a refused path; after it, the checked text, which
// is what the packer was given, is measured.
static bool RereadMatches(const CompressionReaders& readers, const char* checked) {
  return strcmp(ReadPath(readers), checked) == 0;
}

static const char* MeasuredAfterRun(const CompressionReaders& readers, const char* checked) {
  ReadPath(readers);
  return checked;
}

void CompressionRequest(const CompressionReaders& readers, const CompressionServices& services) {
  if (!ReadPath(readers)[0]) {
    services.messageDialog(TEXT_NO_FILE_CAPTION, TEXT_NO_FILE, MB_ICONEXCLAMATION);
    return;
  }
  const char* path = ReadPath(readers);
  char checked[PACKABLE_PATH_MAX + 1];
  if (!PathIsPackable(path)) {
    services.messageDialog(TEXT_NO_FILE_CAPTION, TEXT_NO_FILE, MB_ICONEXCLAMATION);
    return;
  }
  lstrcpynA(checked, path, sizeof checked);  // a packable path always fits
  if (services.pathSize(checked) <= 0) {
    services.messageDialog(TEXT_NO_FILE_CAPTION, TEXT_NO_FILE, MB_ICONEXCLAMATION);
    return;
  }

  BuildSwitch(readers);
  if (!RereadMatches(readers, checked)) {
    services.messageDialog(TEXT_NO_FILE_CAPTION, TEXT_NO_FILE, MB_ICONEXCLAMATION);
    return;
  }
  sizeBeforeFull = services.pathSize(checked);
  sizeBefore = (LONG)(uint32_t)(uint64_t)sizeBeforeFull;

  // Read afresh for the command line: the packer never gets a text other
  // than the one that passed the checks above.
  if (!RereadMatches(readers, checked)) {
    services.messageDialog(TEXT_NO_FILE_CAPTION, TEXT_NO_FILE, MB_ICONEXCLAMATION);
    return;
  }
  char parameters[PARAMETERS_ROOM];
  int used = 0;
  parameters[0] = 0;
  Append(parameters, sizeof parameters, &used, levelSwitch);
  Append(parameters, sizeof parameters, &used, "\"");
  Append(parameters, sizeof parameters, &used, checked);
  Append(parameters, sizeof parameters, &used, "\"");

  if (!services.programRun("upx.exe", parameters, "", RUN_WAIT)) {
    services.messageDialog(TEXT_ERROR_CAPTION, TEXT_PACKER_MISSING, MB_ICONEXCLAMATION);
    return;
  }

  // Whole 64-bit sizes: a file of 2 GiB or more is neither taken for changed
  // when it is not, nor reported with a size folded into 32 bits.
  if (services.pathSize(MeasuredAfterRun(readers, checked)) == sizeBeforeFull) {
    services.messageDialog(TEXT_ERROR_CAPTION, TEXT_NOT_COMPRESSIBLE, MB_ICONEXCLAMATION);
    return;
  }
  int64_t sizeAfter = services.pathSize(MeasuredAfterRun(readers, checked));

  char report[REPORT_ROOM];
  char digits[DECIMAL_TEXT_ROOM];
  used = 0;
  report[0] = 0;
  Append(report, sizeof report, &used, TEXT_REPORT_BEFORE);
  Append(report, sizeof report, &used, DecimalText(sizeBeforeFull, digits));
  Append(report, sizeof report, &used, TEXT_REPORT_AFTER);
  Append(report, sizeof report, &used, DecimalText(sizeAfter, digits));
  services.messageDialog(TEXT_REPORT_CAPTION, report, MB_ICONINFORMATION);
}

static intptr_t RunAndWaitForPacker(const char* program, const char* parameters, const char* workingDirectory,
                                    DWORD flags) {
  return ProgramRun(program, parameters, workingDirectory, flags);
}

static int ShowBox(const char* caption, const char* text, UINT flags) {
  return MessageDialog(caption, text, flags);
}

const CompressionServices RealCompressionServices = {PathSize, RunAndWaitForPacker, ShowBox};
