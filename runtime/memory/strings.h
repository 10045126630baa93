// String support on the StringHeap: temporary texts handed out by the
// runtime (gadget texts, dialog results). A text stays valid until
// STRING_TEMP_SLOTS further temporary texts have been asked for, so callers use
// it at once or copy it; the buffers are reused and never pile up.
#pragma once
#include "runtime/common.h"

const int STRING_TEMP_SLOTS = 8;

// Creates the StringHeap (not serialised, 4096 bytes) and its first 16-byte
// buffer: the last step of start-up. 0 on failure.
BOOL StringHeapCreate();
// An empty, NUL-terminated buffer with room for length characters and the
// NUL; null when memory runs out.
char* StringTemp(size_t length);
// A temporary copy of text (null counts as ""); "" (static) when memory runs out.
char* StringTempCopy(const char* text);
