// The size of the file a path names.
#pragma once
#include "runtime/common.h"
#include "runtime/text/text_kinds.h"

const int64_t PATH_MISSING = -1;     // no path, or nothing found
const int64_t PATH_DIRECTORY = -2;   // a directory, or the root of an existing drive

// Size in bytes, PATH_MISSING or PATH_DIRECTORY. Only the first 260
// characters of the path are looked up.
int64_t PathSize(PathText path);
