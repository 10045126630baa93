// The program's own texts, as Windows-1250 bytes. They are written as letters in
// app/texts.txt; the build makes the header included here from it (scripts/texts.py).
#pragma once
#include "app/texts_cp1250.h"
