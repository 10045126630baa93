// Shared by the files of the window module only: the count that tells the
// window procedure's memory of the last window number when it is out of date.
#pragma once
#include "runtime/window/events.h"
#include "runtime/window/window.h"

// Counts every setting and removal of the window-number property (WindowOpen,
// WindowClose) and every destruction of a runtime window (the window
// procedure); the window procedure trusts the number it remembers for a
// window only while this count stays the same.
extern LONG WindowIdChanges;
