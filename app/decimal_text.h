// Plain signed decimal text: "-" before a negative value, no grouping.
#pragma once
#include "runtime/common.h"

// Longest: "-9223372036854775808" and the NUL.
const int DECIMAL_TEXT_ROOM = 21;

// Writes the text of value into out (room for DECIMAL_TEXT_ROOM bytes) and returns out.
char* DecimalText(int64_t value, char* out);
