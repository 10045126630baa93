// The compress action of compression_request.h, one named step at a time.
#include "app/compression_request.h"

#include "app/decimal_text.h"
#include "app/packer_outcome.h"
#include "app/texts.h"
#include "runtime/system/modal.h"
#include "runtime/system/path_size.h"
#include "runtime/system/program_watch.h"


char levelSwitch[LEVEL_SWITCH_ROOM];
LONG sizeBefore;
int64_t sizeBeforeFull;

// The name of the packer's temporary file for the run under way. Kept here
// rather than on the stack, which holds the request's other rooms: one
// request runs at a time.
static wchar_t packerTemp[PACKER_TEMP_ROOM];

// The longest path handed to the packer. The size query looks at no more than
// this, so anything longer would be measured as one file and packed as another.
const int REQUEST_PATH_MAX = 260;

// The command line and the report are built in fixed buffers.
const int REQUEST_PARAMETERS_ROOM = sizeof levelSwitch + 2 + REQUEST_PATH_MAX + 1;
const int REQUEST_REPORT_ROOM = sizeof TEXT_REPORT_BEFORE + sizeof TEXT_REPORT_AFTER + 2 * DECIMAL_TEXT_ROOM;

static PathText ReadPath(const CompressionReaders& readers) { return readers.pathText(readers.context); }

// Whether the packer can be given this path as one quoted argument naming
// exactly the file that was measured:
// - no more than REQUEST_PATH_MAX characters;
// - no '*' or '?': the packer expands them itself and would rewrite every
//   matching file while the size query looked at only the first;
// - no '<', '>' or '"': the file search reads these as wildcards too, and a
//   '"' would also end the quoted argument early;
// - no '\' at the end: it would escape the closing quote.
// The path is in the system's code page and walked a character at a time: in
// a double-byte code page the second byte of a letter may be 0x5C, the byte
// of '\', and a letter that ends in it is no closing backslash. The limit
// counts bytes, the size of what is measured and packed.
static bool PathIsPackable(const char* path) {
  const char* last = 0;
  const char* p = path;
  for (; *p; p = CharNextA(p)) {
    if (p - path >= REQUEST_PATH_MAX) return false;
    char c = *p;
    if (c == '*' || c == '?' || c == '<' || c == '>' || c == '"') return false;
    last = p;
  }
  return last && p - path <= REQUEST_PATH_MAX && *last != '\\';
}

// The box of the services. Its texts are passed through a call of this
// function, not through the services' pointer: a call through a pointer
// turns a literal into a bare char* first, which is no program text.
static void ShowBox(const CompressionServices& services, ProgramText caption, ProgramText text, UINT flags) {
  services.messageDialog(caption, text, flags);
}

// The one answer to every path that is refused, whatever the reason.
static void RefuseFile(const CompressionServices& services) {
  ShowBox(services, TEXT_NO_FILE_CAPTION, TEXT_NO_FILE, MB_ICONEXCLAMATION);
}

// The text is there, held exactly by the system's code page (the packer reads
// nothing else), fit to be packed, and names a non-empty file; its copy goes
// into checked (room for REQUEST_PATH_MAX letters and the NUL: a packable
// path has no more bytes in that code page, and so no more letters).
static bool CheckPath(const CompressionReaders& readers, const CompressionServices& services, wchar_t* checked) {
  if (!ReadPath(readers).Wide()[0]) return false;
  PathText path = ReadPath(readers);
  const char* view = path.Ansi();
  if (!view || !PathIsPackable(view)) return false;
  const wchar_t* letters = path.Wide();
  int i = 0;
  for (; i < REQUEST_PATH_MAX && letters[i]; ++i) checked[i] = letters[i];
  checked[i] = 0;
  return services.pathSize(PathText(checked)) > 0;
}

// levelSwitch for the selected level; an index outside the list leaves the
// switch of the last request that had one (none before the first).
static void BuildSwitch(const CompressionReaders& readers) {
  LONG index = readers.levelIndex(readers.context);
  if (index < 0 || index >= LEVEL_COUNT) return;
  const LevelRow& row = LEVEL_ROWS[index];
  if (row.packerSwitch[0]) {
    lstrcpyA(levelSwitch, row.packerSwitch);
    return;
  }
  // A numbered level. Asked once more for the number: every use of the
  // window's state is a fresh read, and the list cannot change while the
  // request runs.
  index = readers.levelIndex(readers.context);
  char digits[DECIMAL_TEXT_ROOM];
  char* at = levelSwitch;
  *at++ = '-';
  for (const char* digit = DecimalText((int64_t)index + 1, digits); *digit;) *at++ = *digit++;
  *at++ = ' ';
  *at = 0;
}

// The path is read afresh for every use, yet the request measures, packs and
// reports only the text it checked: a later read can differ from it only when
// the read itself failed (a text that could not be copied reads as ""), since
// no event is handled while the request runs. Before the packer runs, such a
// read ends the request as a refused path; after it, the checked text, which
// is what the packer was given, is measured.
static bool RereadMatches(const CompressionReaders& readers, const wchar_t* checked) {
  const wchar_t* again = ReadPath(readers).Wide();
  while (*again && *again == *checked) ++again, ++checked;
  return *again == *checked;
}

static PathText MeasuredAfterRun(const CompressionReaders& readers, const wchar_t* checked) {
  ReadPath(readers);  // read as every use is, but not used: the checked text is measured
  return PathText(checked);
}

static bool TakeSizeBefore(const CompressionReaders& readers, const CompressionServices& services,
                           const wchar_t* checked) {
  if (!RereadMatches(readers, checked)) return false;
  sizeBeforeFull = services.pathSize(PathText(checked));
  // The program's 32-bit record of the size before, kept beside the whole
  // size; the comparison and the report use the whole one.
  sizeBefore = (LONG)(uint32_t)(uint64_t)sizeBeforeFull;
  return true;
}

static void ReportSizes(const CompressionServices& services, int64_t sizeAfter) {
  char report[REQUEST_REPORT_ROOM];
  char digits[DECIMAL_TEXT_ROOM];
  ProgramTextBuilder text(report, sizeof report);
  text.Append(TEXT_REPORT_BEFORE);
  text.Append(AsciiText(DecimalText(sizeBeforeFull, digits)));
  text.Append(TEXT_REPORT_AFTER);
  text.Append(AsciiText(DecimalText(sizeAfter, digits)));
  ShowBox(services, TEXT_REPORT_CAPTION, text.Text(), MB_ICONINFORMATION);
}

void CompressionRequest(const CompressionReaders& readers, const CompressionServices& services) {
  wchar_t checked[REQUEST_PATH_MAX + 1];
  if (!CheckPath(readers, services, checked)) {
    RefuseFile(services);
    return;
  }
  BuildSwitch(readers);
  if (!TakeSizeBefore(readers, services, checked) || !RereadMatches(readers, checked)) {
    RefuseFile(services);
    return;
  }
  // levelSwitch, then the checked path in double quotes, read afresh just
  // before: the packer never gets a text other than the one that passed the
  // checks. The path's view is had again, which fails only when memory has
  // run out.
  // One room for the command line and, once the packer has ended with it,
  // for the warning's words: the frame stays small.
  char room[REQUEST_PARAMETERS_ROOM > PACKER_WARNING_ROOM ? REQUEST_PARAMETERS_ROOM : PACKER_WARNING_ROOM];
  ProgramParameters parameters = ParametersWithPath(levelSwitch, PathText(checked), room, sizeof room);
  if (!parameters.Bytes()) {
    RefuseFile(services);
    return;
  }

  // Whether it packed is told by the size alone; what it wrote and how it
  // ended only choose the words of the warning.
  // No working directory: the packer runs in the program's current one.
  PackerTempName(PathText(checked), packerTemp);
  // Filled by the run; a run that tells nothing leaves no reason.
  ProgramEnd end;
  end.exitCode = 0;
  end.errorLine[0] = 0;
  if (!services.programRun("upx.exe", parameters, PathText(L""), &end)) {
    ShowBox(services, TEXT_ERROR_CAPTION, TEXT_PACKER_MISSING, MB_ICONEXCLAMATION);
    return;
  }
  bool cancelled = PackerRunCancelled(end, PathText(packerTemp));

  // Whole 64-bit sizes: a file of 2 GiB or more is neither taken for changed
  // when it is not, nor reported with a size folded into 32 bits.
  if (services.pathSize(MeasuredAfterRun(readers, checked)) == sizeBeforeFull) {
    ShowBox(services, TEXT_ERROR_CAPTION, PackerWarningText(end, cancelled, room), MB_ICONEXCLAMATION);
    return;
  }
  ReportSizes(services, services.pathSize(MeasuredAfterRun(readers, checked)));
}

const CompressionServices RealCompressionServices = {PathSize, ProgramRunWatched, MessageDialog};
