// The path that the compress request is given: the path a field's text
// stands for, the checks it must pass before the packer is run on it, and the
// sentence of the no-file box that tells which check it failed.
#pragma once
#include "app/request_services.h"

// The longest path handed to the packer, MAX_PATH less its NUL: the packer
// opens its file by name, and Windows takes no longer name without the
// long-path prefix. The size query looks at the first MAX_PATH letters only,
// so a longer path could be measured as one file and packed as another.
const int REQUEST_PATH_MAX = MAX_PATH - 1;

// Room for the no-file box's sentence, its two numbers included.
const int PATH_REFUSAL_ROOM = 112;

// The path that text, the field's own copy, stands for: without one pair of
// quotes around all of it (Explorer's "Copy as path" gives a path so; a quote
// anywhere else stays, and the checks refuse it), and without the spaces
// before and after it (a pasted path often has some) when the path without
// them names a file and the path with them does not. text may be cut short.
PathText PathInText(wchar_t* text);

// Reads the path (each read a fresh one: first whether there is any, then the
// path itself) and checks it. True when it is fit to be packed and names a
// non-empty file: its letters are copied into checked (room for
// REQUEST_PATH_MAX letters and the NUL). False otherwise, with the no-file
// box's sentence for the first failed check appended to refusal, in this
// order: no text or only spaces; too long; a wildcard or a quote; a folder or
// a drive; no such file; an empty file.
bool CheckPath(const CompressionReaders& readers, const CompressionServices& services, wchar_t* checked,
               ProgramTextBuilder* refusal);
