// The compress action of compression_request.h, one named step at a time.
#include "app/compression_request.h"

#include "app/decimal_text.h"
#include "app/packer_outcome.h"
#include "app/stand_in.h"
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
// The stand-in of a file whose name the system's code page cannot hold, for
// the run under way; kept here for the same reason.
static StandIn standIn;

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
static bool IsWildcardOrQuote(unsigned c) { return c == '*' || c == '?' || c == '<' || c == '>' || c == '"'; }

static bool PathIsPackable(const char* path) {
  const char* last = 0;
  const char* p = path;
  for (; *p; p = CharNextA(p)) {
    if (p - path >= REQUEST_PATH_MAX || IsWildcardOrQuote((unsigned char)*p)) return false;
    last = p;
  }
  return last && p - path <= REQUEST_PATH_MAX && *last != '\\';
}

// The same for a path that the code page cannot hold, which reaches the
// packer under a stand-in's name (stand_in.h): its letters are looked up by
// the wide file functions, which take fewer than MAX_PATH of them without the
// long-path prefix, and by the size query, which expands wildcards too.
static bool LettersArePackable(const wchar_t* path) {
  int n = 0;
  for (; path[n]; ++n)
    if (n >= MAX_PATH - 1 || IsWildcardOrQuote(path[n])) return false;
  return n && path[n - 1] != '\\';
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

// The text is there, fit to be packed, and names a non-empty file; its copy
// goes into checked (room for REQUEST_PATH_MAX letters and the NUL: a
// packable path has no more bytes in the system's code page, and so no more
// letters, or fewer than MAX_PATH letters).
static bool CheckPath(const CompressionReaders& readers, const CompressionServices& services, wchar_t* checked) {
  if (!ReadPath(readers).Wide()[0]) return false;
  PathText path = ReadPath(readers);
  const char* view = path.Ansi();
  if (view ? !PathIsPackable(view) : !LettersArePackable(path.Wide())) return false;
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
    for (int i = 0; (levelSwitch[i] = row.packerSwitch[i]) != 0; ++i) {
    }
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

// Runs the packer on given (in folder, its working directory; "": the
// program's current one); false when it did not start. Its temporary file is
// removed if the run left it; *cancelled tells whether its user ended it.
static bool RunPacker(const CompressionServices& services, ProgramParameters parameters, PathText folder,
                      PathText given, ProgramEnd* end, bool* cancelled) {
  PackerTempName(folder, given, packerTemp);
  // Filled by the run; a run that tells nothing leaves no reason.
  end->exitCode = 0;
  end->errorLine[0] = 0;
  if (!services.programRun("upx.exe", parameters, folder, end)) return false;
  *cancelled = PackerRunCancelled(*end, PathText(packerTemp));
  return true;
}

// A stand-in (stand_in.h) for the checked path, whose name the system's code
// page cannot hold: *given becomes its name, *folder its folder, where the
// packer runs. False, with the write-protected warning, when none can be made:
// no new file can be made beside the file (the packer could not make its own
// temporary file there either), or its folder is too long to work in.
static bool MakeStandIn(const CompressionServices& services, const wchar_t* checked, PathText* given,
                        PathText* folder) {
  if (StandInMake(checked, &standIn) != 1) {
    ShowBox(services, TEXT_ERROR_CAPTION, PACKER_WRITE_PROTECTED, MB_ICONEXCLAMATION);
    return false;
  }
  *given = PathText(standIn.wideName);
  *folder = PathText(standIn.folder);
  return true;
}

// After a run on a stand-in: its bytes replace the original's when the packer
// changed its size (one that the packer removed or emptied replaces nothing),
// and it goes either way. False, with the in-use warning, when the
// replacement failed, which leaves the original as it was.
static bool EndStandIn(const CompressionServices& services) {
  int64_t packed = services.pathSize(PathText(standIn.path));
  if (StandInFinish(&standIn, packed > 0 && packed != sizeBeforeFull) >= 0) return true;
  ShowBox(services, TEXT_ERROR_CAPTION, PACKER_FILE_IN_USE, MB_ICONEXCLAMATION);
  return false;
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
  // The packer is given the checked path, read afresh just before: never a
  // text other than the one that passed the checks. A name that the system's
  // code page cannot hold goes to it as a stand-in's, in the stand-in's folder.
  PathText given(checked), folder(L"");
  bool standing = !given.Ansi();
  if (standing && !MakeStandIn(services, checked, &given, &folder)) return;
  // levelSwitch, then the path in double quotes; its view is had again, which
  // fails only when memory has run out. One room for the command line and,
  // once the packer has ended with it, for the warning's words: the frame
  // stays small.
  char room[REQUEST_PARAMETERS_ROOM > PACKER_WARNING_ROOM ? REQUEST_PARAMETERS_ROOM : PACKER_WARNING_ROOM];
  ProgramParameters parameters = ParametersWithPath(PackerSwitches(levelSwitch), given, room, sizeof room);
  ProgramEnd end;
  bool cancelled = false;
  if (!parameters.Bytes() || !RunPacker(services, parameters, folder, given, &end, &cancelled)) {
    if (standing) StandInFinish(&standIn, false);
    if (parameters.Bytes()) ShowBox(services, TEXT_ERROR_CAPTION, TEXT_PACKER_MISSING, MB_ICONEXCLAMATION);
    else RefuseFile(services);
    return;
  }
  // A stand-in ends first; the original is then measured as any file is.
  if (standing && !EndStandIn(services)) return;
  // Whether it packed is told by the size alone; what it wrote and how it
  // ended only choose the words of the warning. Whole 64-bit sizes: a file of
  // 2 GiB or more is neither taken for changed when it is not, nor reported
  // with a size folded into 32 bits.
  if (services.pathSize(MeasuredAfterRun(readers, checked)) == sizeBeforeFull) {
    ShowBox(services, TEXT_ERROR_CAPTION, PackerWarningText(end, cancelled, room), MB_ICONEXCLAMATION);
    return;
  }
  ReportSizes(services, services.pathSize(MeasuredAfterRun(readers, checked)));
}

const CompressionServices RealCompressionServices = {PathSize, ProgramRunWatched, MessageDialog};
