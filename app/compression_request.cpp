// The compress action of compression_request.h, one named step at a time.
#include "app/compression_request.h"

#include "app/decimal_text.h"
#include "app/file_step.h"
#include "app/packer_outcome.h"
#include "app/path_check.h"
#include "app/stand_in.h"
#include "app/texts.h"
#include "runtime/system/modal.h"
#include "runtime/system/path_size.h"
#include "runtime/system/program_runner.h"
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
// The files of this run that could not be removed (the packer's temporary
// file, the stand-in, its backup): each is named in the run's box.
static const wchar_t* unremoved[3];
static int unremovedCount;
// Room for a box text that names files: a few sentences and three names.
const int NAMED_BOX_ROOM = 1200;

// The command line and the report are built in fixed buffers.
const int REQUEST_PARAMETERS_ROOM = sizeof levelSwitch + 2 + REQUEST_PATH_MAX + 1;
const int REQUEST_REPORT_ROOM = sizeof TEXT_REPORT_BEFORE + sizeof TEXT_REPORT_AFTER + 2 * DECIMAL_TEXT_ROOM;

static PathText ReadPath(const CompressionReaders& readers) { return readers.pathText(readers.context); }

// The box of the services. Its texts are passed through a call of this
// function, not through the services' pointer: a call through a pointer
// turns a literal into a bare char* first, which is no program text.
static void ShowBox(const CompressionServices& services, ProgramText caption, ProgramText text, UINT flags) {
  services.messageDialog(caption, text, flags);
}

// The no-file box, with the sentence that tells what is wrong with the path.
static void RefuseFile(const CompressionServices& services, ProgramText sentence) {
  ShowBox(services, TEXT_NO_FILE_CAPTION, sentence, MB_ICONEXCLAMATION);
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

// The box: text, then reason, then named's bare name ("" for none), then a
// line for each file that could not be removed.
static void ShowNamed(const CompressionServices& services, ProgramText caption, ProgramText text,
                      ProgramText reason, const wchar_t* named, UINT flags) {
  static wchar_t room[NAMED_BOX_ROOM];
  BoxTextBuilder box(room, NAMED_BOX_ROOM);
  box.Append(text);
  box.Append(reason);
  box.Append(BareName(named));
  for (int i = 0; i < unremovedCount; ++i) {
    box.Append(TEXT_NOT_REMOVED);
    box.Append(BareName(unremoved[i]));
  }
  services.boxDialog(caption, box.Text(), flags);
}

// The box for a text, through ShowNamed only when files are to be named.
static void ShowText(const CompressionServices& services, ProgramText caption, ProgramText text, UINT flags) {
  if (!unremovedCount) return ShowBox(services, caption, text, flags);
  ShowNamed(services, caption, text, "", L"", flags);
}

static void Unremoved(bool left, const wchar_t* name) {
  if (left) unremoved[unremovedCount++] = name;
}

static void ReportSizes(const CompressionServices& services, int64_t sizeAfter) {
  char report[REQUEST_REPORT_ROOM];
  char digits[DECIMAL_TEXT_ROOM];
  ProgramTextBuilder text(report, sizeof report);
  text.Append(TEXT_REPORT_BEFORE);
  text.Append(AsciiText(DecimalText(sizeBeforeFull, digits)));
  text.Append(TEXT_REPORT_AFTER);
  text.Append(AsciiText(DecimalText(sizeAfter, digits)));
  ShowText(services, TEXT_REPORT_CAPTION, text.Text(), MB_ICONINFORMATION);
}

// The run under way, for the steps that end it: taken by the request once the
// packer has ended, or, when the session ends while the request still waits,
// by the session's end, since Windows may end the program
// as soon as that is answered. Its pointers point into the request's frame,
// which lasts as long as the run.
struct RunUnderWay {
  const CompressionServices* services;  // null when no run is under way
  ProgramEnd* end;
  const wchar_t* input;  // the file the packer is given, by its full path
  bool standing;         // on a stand-in
  bool ended;            // the end steps are taken
  bool cancelled;        // its user ended it (packer_outcome.h)
  int tempLeft;          // what became of its temporary file (packer_outcome.h)
  int replaced;          // StandInFinish's result, on a stand-in
};
static RunUnderWay run;

// The packer's temporary file is removed or put back; a stand-in replaces the
// original when the packer changed its size (one that the packer removed or
// emptied replaces nothing), and goes either way. Files that could not be
// removed are named in the box. Taken once.
void CompressionRunEnd() {
  if (!run.services || run.ended) return;
  run.ended = true;
  run.cancelled = PackerRunCancelled(*run.end, PathText(packerTemp), PathText(run.input), &run.tempLeft);
  Unremoved(run.tempLeft == PACKER_TEMP_STUCK, packerTemp);
  if (!run.standing) return;
  int64_t packed = run.services->pathSize(PathText(standIn.path));
  run.replaced = StandInFinish(&standIn, packed > 0 && packed != sizeBeforeFull);
  Unremoved(standIn.backupLeft, standIn.backup);
  Unremoved(standIn.standInLeft, standIn.path);
}


// Runs the packer on given (in folder, its working directory; "": the
// program's current one); false when it did not start. The run's end steps
// are taken once it has ended.
static bool RunPacker(const CompressionServices& services, ProgramParameters parameters, PathText folder,
                      PathText given, ProgramEnd* end) {
  PackerTempName(folder, given, packerTemp);
  // Filled by the run; a run that tells nothing leaves no reason.
  end->exitCode = 0;
  end->errorLine[0] = 0;
  run.services = &services;
  run.end = end;
  run.ended = false;
  // The packer beside this program and nowhere else: a "upx.exe" in the
  // current directory or on PATH is never run.
  bool started = services.programRun(ProgramBesideThis(L"upx.exe"), parameters, folder, end) != 0;
  if (started) CompressionRunEnd();
  run.services = 0;
  return started;
}

// A stand-in (stand_in.h) for the checked path, whose name the system's code
// page cannot hold: *given becomes its name, *folder its folder, where the
// packer runs. False, with the box that says why, when none can be made: the
// folder takes no new file (the packer could not make its own temporary file
// there either) or the file cannot be read, or its folder is too long to work in.
static bool MakeStandIn(const CompressionServices& services, const wchar_t* checked, PathText* given,
                        PathText* folder) {
  int made = StandInMake(checked, &standIn);
  if (made != 1) {
    Unremoved(standIn.standInLeft, standIn.path);
    ShowText(services, TEXT_ERROR_CAPTION, made ? PACKER_WRITE_PROTECTED : FileFailureText(standIn.error),
             MB_ICONEXCLAMATION);
    return false;
  }
  *given = PathText(standIn.wideName);
  *folder = PathText(standIn.folder);
  return true;
}

// After a run on a stand-in, whose end steps have replaced the original or
// not: false, with a box, when the replacement failed: the original kept and
// why, or where the original is when its name holds no program.
static bool StandInEnded(const CompressionServices& services) {
  if (run.replaced >= 0) return true;
  ProgramText text = TEXT_NOT_REPLACED, reason = FileFailureText(standIn.error);
  const wchar_t* original = L"";
  if (run.replaced == -2) text = TEXT_ORIGINAL_AT, reason = "", original = standIn.backup;
  ShowNamed(services, TEXT_ERROR_CAPTION, text, reason, original, MB_ICONEXCLAMATION);
  return false;
}

void CompressionRequest(const CompressionReaders& readers, const CompressionServices& services) {
  wchar_t checked[REQUEST_PATH_MAX + 1];
  char refusal[PATH_REFUSAL_ROOM];
  ProgramTextBuilder why(refusal, sizeof refusal);
  if (!CheckPath(readers, services, checked, &why)) {
    RefuseFile(services, why.Text());
    return;
  }
  BuildSwitch(readers);
  if (!TakeSizeBefore(readers, services, checked) || !RereadMatches(readers, checked)) {
    RefuseFile(services, TEXT_NO_FILE);
    return;
  }
  // The packer is given the checked path, read afresh just before: never a
  // text other than the one that passed the checks. A name that the system's
  // code page cannot hold goes to it as a stand-in's, in the stand-in's folder.
  PathText given(checked), folder(L"");
  bool standing = !given.InCodePage();
  unremovedCount = 0;
  if (standing && !MakeStandIn(services, checked, &given, &folder)) return;
  // levelSwitch, then the path in double quotes; its view is had again, which
  // fails only when memory has run out. One room for the command line and,
  // once the packer has ended with it, for the warning's words: the frame
  // stays small.
  char room[REQUEST_PARAMETERS_ROOM > PACKER_WARNING_ROOM ? REQUEST_PARAMETERS_ROOM : PACKER_WARNING_ROOM];
  ProgramParameters parameters = ParametersWithPath(PackerSwitches(levelSwitch), given, room, sizeof room);
  ProgramEnd end;
  run.standing = standing;
  run.input = standing ? standIn.path : checked;
  if (!parameters.Bytes() || !RunPacker(services, parameters, folder, given, &end)) {
    if (standing) StandInFinish(&standIn, false);
    if (parameters.Bytes()) ShowBox(services, TEXT_ERROR_CAPTION, TEXT_PACKER_MISSING, MB_ICONEXCLAMATION);
    else RefuseFile(services, TEXT_NO_FILE);
    return;
  }
  // A stand-in ends first; the original is then measured as any file is. A
  // packed program that could not take its input's name back is named.
  if (standing && !StandInEnded(services)) return;
  if (run.tempLeft == PACKER_TEMP_PACKED)
    return ShowNamed(services, TEXT_ERROR_CAPTION, TEXT_PACKED_AT, "", packerTemp, MB_ICONEXCLAMATION);
  // Whether it packed is told by the size alone; what it wrote and how it
  // ended only choose the words of the warning. Whole 64-bit sizes: a file of
  // 2 GiB or more is neither taken for changed when it is not, nor reported
  // with a size folded into 32 bits. A cancel the user asked for is no error.
  if (services.pathSize(MeasuredAfterRun(readers, checked)) == sizeBeforeFull) {
    ProgramText caption = TEXT_ERROR_CAPTION;
    if (run.cancelled) caption = TEXT_CANCELLED_CAPTION;
    ShowText(services, caption, PackerWarningText(end, run.cancelled, room),
             run.cancelled ? MB_ICONINFORMATION : MB_ICONEXCLAMATION);
    return;
  }
  ReportSizes(services, services.pathSize(MeasuredAfterRun(readers, checked)));
}

const CompressionServices RealCompressionServices = {PathSize, ProgramRunWatched, MessageDialog, BoxDialog};
