// The file steps of a request's end (removing, moving and replacing the
// packer's and the stand-in's files), tried again while another program holds
// a file for a moment, as a virus scanner holds a fresh program. The sentence
// the box gives for a step that failed is packer_outcome.h's FileFailureText.
#pragma once
#include "runtime/common.h"
#include "runtime/text/text_kinds.h"

// One step on the file from (to: where it goes, when it goes anywhere);
// nonzero when done, else GetLastError tells why.
typedef BOOL (*FileStep)(const wchar_t* from, const wchar_t* to);
BOOL FileRemove(const wchar_t* from, const wchar_t* to);   // from removed, or not there (to unused)
BOOL FileMoveNew(const wchar_t* from, const wchar_t* to);  // from renamed to, never over a file of that name

// Runs step. While it fails because a file is held (a sharing, access or lock
// violation, or 1175: the replaced file could not be removed), it runs again
// every 250 ms for up to 2 s. True when done; else it returns right after the
// last failure, whose code GetLastError still tells.
bool FileStepTried(FileStep step, const wchar_t* from, const wchar_t* to);

// The bare name of path: what follows its last backslash.
PathText BareName(const wchar_t* path);
