// The packer's reasons, its cancel and its temporary file, and the sentences
// for a failed file step, of packer_outcome.h.
#include "app/packer_outcome.h"

#include <string.h>

#include "app/file_step.h"
#include "app/texts.h"

// ---- the temporary file --------------------------------------------------------

static bool Exists(const wchar_t* name) { return GetFileAttributesW(name) != INVALID_FILE_ATTRIBUTES; }

void PackerTempName(PathText folder, PathText path, wchar_t* name) {
  name[0] = 0;
  int used = lstrlenW(folder.Wide());
  const char* bytes = path.Ansi();
  int length = bytes ? lstrlenA(bytes) : PACKER_TEMP_ROOM;
  if (used + length > PACKER_TEMP_ROOM - 5) return;
  for (int i = 0; i < used; ++i) name[i] = folder.Wide()[i];
  // Read byte by byte, as the packer reads it: its file name follows a drive's
  // colon and the last '/' or '\' (in a double-byte code page also a second
  // byte that looks like one), and its extension begins at the name's last '.'.
  int extension = length;
  for (int i = 0; i < length; ++i) {
    char c = bytes[i];
    if (c == '.') extension = i;
    else if (c == '/' || c == '\\' || (c == ':' && i == 1)) extension = length;
  }
  // The same place in the path's letters: what comes before a '.' or the end
  // is whole letters, which the code page holds exactly.
  wchar_t* suffix = name + used;
  suffix += MultiByteToWideChar(CP_ACP, 0, bytes, extension, suffix, PACKER_TEMP_ROOM - 5 - used);
  for (int i = 0; i < 5; ++i) suffix[i] = L".upx"[i];
  for (int n = 0; Exists(name); ++n) {
    if (n > 998) {
      name[0] = 0;
      return;
    }
    suffix[1] = (wchar_t)('0' + n / 100);
    suffix[2] = (wchar_t)('0' + n / 10 % 10);
    suffix[3] = (wchar_t)('0' + n % 10);
  }
}

// ---- cancel --------------------------------------------------------------------

// Windows ends a console program with this code when its user closes its
// window or presses Ctrl+C (Wine ends it with 0 instead: there the temporary
// file it leaves tells).
const DWORD EXIT_CONSOLE_CLOSED = 0xC000013A;

bool PackerRunCancelled(const ProgramEnd& end, PathText tempName, PathText input, int* left) {
  const wchar_t* name = tempName.Wide();
  bool found = Exists(name);  // "" (no name could be made) names no file
  *left = PACKER_TEMP_NONE;
  if (found && !Exists(input.Wide())) {
    // The packer had removed its input and was ended before it renamed its
    // temporary file: that file is the packed program, the only copy. It
    // takes the input's name, never over a file made there meanwhile.
    if (!FileStepTried(FileMoveNew, name, input.Wide())) *left = PACKER_TEMP_PACKED;
    return false;
  }
  // The input is there: the temporary file is an unfinished copy.
  if (found && !FileStepTried(FileRemove, name, 0)) *left = PACKER_TEMP_STUCK;
  // An access violation and its kin (0xC...) is a crash, not a cancel, even
  // when the crash left the temporary file.
  return end.exitCode == EXIT_CONSOLE_CLOSED || (found && end.exitCode < 0xC0000000);
}

// ---- reasons -------------------------------------------------------------------

// What the packer writes on its error stream when it does not pack a file:
// "upx: <file>: <Kind>: <message>", the message left out for some kinds. A
// row's words are looked for in what follows the file: the kind, then the
// message. The message repeats the file's name only after a failed open
// ("<file>: Permission denied"), so that row comes before any words that a
// name could also hold.
const ProgramText PACKER_FILE_IN_USE = TEXT_REASON_IN_USE;
const ProgramText PACKER_WRITE_PROTECTED = TEXT_REASON_WRITE_PROTECTED;

struct ReasonRow {
  const char* words;
  ProgramText text;
};

static const ReasonRow REASON_ROWS[] = {
    // The file could not be opened: another program holds it without sharing.
    {"Permission denied", TEXT_REASON_IN_USE},
    // The volume is full (or the user's quota is used up).
    {"No space left on device", TEXT_DISK_FULL},
    {"AlreadyPacked", TEXT_NOT_COMPRESSIBLE},
    {"NotCompressible", TEXT_REASON_NOT_COMPRESSIBLE},
    {"UnknownExecutableFormat", TEXT_REASON_UNKNOWN_FORMAT},
    {".NET", TEXT_REASON_DOTNET},
    {"packed/protected", TEXT_REASON_PROTECTED},
    {"write protected", TEXT_REASON_WRITE_PROTECTED},
    {"too small", TEXT_REASON_TOO_SMALL},
};

const DWORD ERROR_QUOTA = 1295;  // ERROR_DISK_QUOTA_EXCEEDED

ProgramText FileFailureText(DWORD error) {
  if (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL || error == ERROR_QUOTA) return TEXT_DISK_FULL;
  // 1177: the replacement stopped half-way, the stand-in held where it was.
  if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2)
    return TEXT_HELD;
  if (error == ERROR_FILE_READ_ONLY) return TEXT_REASON_WRITE_PROTECTED;
  return TEXT_FOLDER_LOCKED;
}

// Our sentence, then the packer's words, in room (cut to its size). Only
// printable ASCII of the packer's words is kept as it came: they are in the
// system's code page, which the box does not read.
static ProgramText WithPackerWords(const char* words, char* room) {
  ProgramTextBuilder text(room, PACKER_WARNING_ROOM);
  text.Append(TEXT_REASON_OTHER);
  text.Append(AsciiText(words));
  return text.Text();
}

ProgramText PackerWarningText(const ProgramEnd& end, bool cancelled, char* room) {
  if (cancelled) return TEXT_CANCELLED;
  // A file name on Windows holds no ": ", so the first one after the
  // packer's name ends the file.
  const char* kind = strncmp(end.errorLine, "upx: ", 5) ? 0 : strstr(end.errorLine + 5, ": ");
  if (!kind || !kind[2]) return TEXT_NOT_COMPRESSIBLE;
  kind += 2;
  for (const ReasonRow& row : REASON_ROWS)
    if (strstr(kind, row.words)) return row.text;
  // Any other reason: the packer's message, or its kind when it gave none.
  const char* message = strstr(kind, ": ");
  return WithPackerWords(message ? message + 2 : kind, room);
}
