// The file that a drop of files from the shell names (the HDROP of
// WM_DROPFILES), read as UTF-16: the ANSI reading would hand over the
// system's best fit for a letter its code page lacks, that is, another name.
// A shortcut (.lnk) dropped stands for the file it leads to; one on the
// network is taken unchecked, a shortcut to a shortcut not at all.
#pragma once
#include "runtime/common.h"

#include <shellapi.h>

// The full path of the one existing file the drop names, at most 259
// characters, valid until the next drop is taken; null for several names, a
// folder, a name that is no existing file, a longer path, a shortcut that
// leads to no existing file or to another shortcut, or when the shell's
// library is missing. A shortcut's target on the network (a UNC path, or a
// drive the system maps to a share) is handed out without a look at it. With
// read false nothing is read, and the answer is null. Either way the drop is
// finished: its data, which the sender handed over with the message, is freed.
wchar_t* DroppedFileTake(HDROP drop, BOOL read);
