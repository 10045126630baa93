// The system's open and save dialogs as single calls. Results are temporary
// texts of at most 259 characters; "" when cancelled or refused.
#pragma once
#include "runtime/common.h"

const DWORD FILE_MULTISELECT = 1;
const int FILE_DIALOG_BUFFER = 10000;
const int FILE_PATH_ROOM = 260;

struct FileDialogState {
  char buffer[FILE_DIALOG_BUFFER];
  char directory[FILE_PATH_ROOM];
  LONG chosenPattern;   // 1-based filter index of the last successful dialog; 0 after a cancel
  LONG nextName;        // offset in buffer of the next name to hand out; 0 when none
};

extern FileDialogState FileDialog;

// A path, a directory or a directory plus name longer than 259 characters is
// refused as a whole ("" and no pattern), never cut. Every dialog ends the
// names still pending from an earlier multiple selection.
char* FileDialogRun(const char* title, const char* defaultFile, const char* pattern, LONG position,
                    BOOL save, DWORD flags);
char* FileDialogOpen(const char* title, const char* defaultFile, const char* pattern, LONG position,
                     DWORD flags = 0);
char* FileDialogSave(const char* title, const char* defaultFile, const char* pattern, LONG position);
char* FileDialogNextSelected();
LONG FileDialogSelectedPattern();
LONG FileNameValid(const char* name);

// Splits a default file into the folder the dialog opens in and the name it
// proposes. name (room for FILE_DIALOG_BUFFER bytes) receives the name part,
// or "" when that is empty, not a valid file name or too long. The folder is
// returned as a MainHeap block for the caller to release: "" when the default
// file has no folder part, a drive's root keeps its backslash ("C:\"); null
// when defaultFile is null or the copy cannot be made.
char* FileDialogSplitDefault(const char* defaultFile, char* name);
