// Shared by the files of the window module only: the notice that tells the
// window procedure's memory of the last window number that it is out of date.
#pragma once
#include "runtime/window/events.h"
#include "runtime/window/window.h"

// Called by WindowOpen and WindowClose at every setting and removal of the
// window-number property; the window procedure (window_proc.cpp), which keeps
// the count of such changes, then no longer trusts the number it remembers.
void WindowIdChanged();
