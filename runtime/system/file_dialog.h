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

char* FileDialogRun(const char* title, const char* defaultFile, const char* pattern, LONG position,
                    BOOL save, DWORD flags);
char* FileDialogOpen(const char* title, const char* defaultFile, const char* pattern, LONG position,
                     DWORD flags = 0);
char* FileDialogSave(const char* title, const char* defaultFile, const char* pattern, LONG position);
char* FileDialogNextSelected();
LONG FileDialogSelectedPattern();
LONG FileNameValid(const char* name);
