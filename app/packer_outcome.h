// What a run of the packer tells besides the file's size: the reason it gave
// for leaving the file as it was, whether it was cancelled, and the temporary
// file that it leaves behind only when it is ended from outside.
// Also the sentence for a file step of the run's end that failed.
#pragma once
#include "runtime/common.h"
#include "runtime/system/program_watch.h"

// Room for the name of the packer's temporary file: a path of up to 260
// letters whose extension becomes ".upx" (4 more at most), and the NUL. A
// folder and a name given apart fit it when the folder and the name do.
const int PACKER_TEMP_ROOM = 260 + 4 + 1;

// The name the packer will give its temporary file for path, as it makes it:
// the path with the file name's last extension replaced by ".upx", or by
// ".000" to ".998" when that is taken, in folder (with its closing backslash;
// "": the path is whole) when the packer runs there and is given path within
// it. The first that does not exist now is the one a run started now writes;
// "" when all are taken, when it would not fit the room, or when the system's
// code page cannot hold the path (the packer is never given one).
void PackerTempName(PathText folder, PathText path, wchar_t* name);

// After the run: whether it was cancelled, and what became of its temporary
// file (tempName, from PackerTempName before the run). The packer writes that
// file, removes its input, then gives the file the input's name; it deletes
// its own on every error it handles, so only a packer ended from outside
// leaves one. While the input (the full path it was given) is still there,
// the temporary file is an unfinished copy and is removed, and the run was
// cancelled when it ended as a console program ends whose window its user
// closed (or that got Ctrl+C), or when it left the file and did not crash.
// Once the input is gone, the temporary file is the packed program: it is
// moved back under the input's name (never over a file), and the run counts
// as not cancelled, its box following from the size. *left: what stays.
const int PACKER_TEMP_NONE = 0;    // nothing
const int PACKER_TEMP_STUCK = 1;   // an unfinished copy that could not be removed
const int PACKER_TEMP_PACKED = 2;  // the packed program, which could not be moved back
bool PackerRunCancelled(const ProgramEnd& end, PathText tempName, PathText input, int* left);

// The warnings for a file that another program holds and for one that cannot
// be written, also given where no reason of the packer's is read: the same
// texts as its reasons (one copy each in the program).
extern const ProgramText PACKER_FILE_IN_USE;
extern const ProgramText PACKER_WRITE_PROTECTED;

// The sentence for a file step (file_step.h) that failed with error: no room
// on the disk, a file held by another program (also 1177, a replacement whose
// stand-in could not be moved), a read-only file (ERROR_FILE_READ_ONLY), or
// else a folder that cannot be written. Kept with the packer's reasons, whose
// sentences for a full disk and a read-only file it shares.
ProgramText FileFailureText(DWORD error);

// Room for a warning built from the packer's own words.
const int PACKER_WARNING_ROOM = 64 + PROGRAM_ERROR_LINE_ROOM;

// The warning box's text for a file that kept its size: the cancelled text,
// the sentence for the reason the packer gave, the packer's own words after a
// sentence of ours (built in room, shown as ASCII), or, without any reason,
// the warning that the file may be packed already.
ProgramText PackerWarningText(const ProgramEnd& end, bool cancelled, char* room);
