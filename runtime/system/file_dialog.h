// The system's open and save dialogs as single calls, shown modally over the
// thread's windows, with the files of a multiple selection handed out one by
// one. Titles and patterns are the program's texts (Windows-1250), default
// files paths, split in UTF-16 as given. Results are temporary UTF-16 texts
// (runtime/memory/strings.h) of at most 259 characters, as chosen, whatever
// the system's code page holds; "" when cancelled or refused.
#pragma once
#include "runtime/common.h"
#include "runtime/text/text_kinds.h"

const DWORD FILE_MULTISELECT = 1;
const int FILE_DIALOG_BUFFER = 10000;
const int FILE_PATH_ROOM = 260;

// What the last dialog left behind: the buffer it filled, and for a multiple
// selection the folder and the offset of the next name to hand out.
struct FileDialogState {
  wchar_t buffer[FILE_DIALOG_BUFFER];
  wchar_t directory[FILE_PATH_ROOM];
  LONG chosenPattern;   // 1-based filter index of the last successful dialog; 0 after a cancel
  LONG nextName;        // offset in buffer of the next name to hand out; 0 when none
};

extern FileDialogState FileDialog;

// pattern: "Description|*.ext|..."; position: the 0-based pattern shown
// first. A path, a directory or a directory plus name longer than 259
// characters is refused as a whole ("" and no pattern), never cut. Every
// dialog ends the names still pending from an earlier multiple selection.
wchar_t* FileDialogOpen(ProgramText title, PathText defaultFile, ProgramText pattern, LONG position,
                        DWORD flags = 0);
wchar_t* FileDialogSave(ProgramText title, PathText defaultFile, ProgramText pattern, LONG position);
// After FILE_MULTISELECT: the next chosen file, "" when there is none left.
wchar_t* FileDialogNextSelected();
// The 0-based pattern chosen in the last dialog; -1 after a cancel or refusal.
LONG FileDialogSelectedPattern();
// 1 for a non-empty name with no control or reserved character (so no folder
// part either), else 0.
LONG FileNameValid(const wchar_t* name);

// Splits a default file into the folder the dialog opens in and the name it
// proposes. name (room for FILE_PATH_ROOM letters) receives the name part,
// or "" when that is empty, not a valid file name or too long. The folder is
// returned as a MainHeap block for the caller to release: "" when the default
// file has no folder part, a drive's root keeps its backslash ("C:\"); null
// when defaultFile is null or the copy cannot be made.
wchar_t* FileDialogSplitDefault(const wchar_t* defaultFile, wchar_t* name);
