// Pieces shared by the files of the window module; not for other modules.
#pragma once
#include "runtime/window/events.h"
#include "runtime/window/window.h"

// Room for "WindowClass_" and any signed 32-bit number.
const int WINDOW_CLASS_NAME_SIZE = 32;
void WindowClassName(ObjectNumber number, char* buffer);

// The number of the runtime window that window belongs to (its own
// "Kel_WindowID" or the nearest ancestor's), -1 for none.
ObjectNumber WindowNumberOf(HWND window);
// Counts every setting and removal of the window-number property and every
// destruction of a runtime window; WindowNumberOf's memory lasts until it moves.
extern LONG WindowIdChanges;

// WM_COMMAND of a runtime window: a gadget's class may take it, else it
// becomes a gadget or menu event or a focus move.
void EventCommand(EventState* state, HWND window, WPARAM wParam, LPARAM lParam);

// Takes over the data record of events 13105 and 13106, freeing the one it
// replaces; a value that is not a MainHeap block is not taken.
void EventDataAdopt(EventState* state, LPARAM data);

