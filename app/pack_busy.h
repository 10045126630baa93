// The main window while the packer works: it stays alive (the wait dispatches
// its messages, runtime/system/message_wait.h) yet takes no request. Its
// gadgets and its close box are greyed, the pointer over it shows work in
// the background, the taskbar button shows progress where the system has it,
// and a log-off waits. When the pack has ended, its box waits for the
// window's activation if the user went on in another program meanwhile.
#pragma once
#include "runtime/common.h"

// Before the packer starts: the window goes busy.
void PackBusyBegin();
// Once the packer has ended: what came meanwhile is dispatched while the
// window is still greyed, so that keys start nothing; the taskbar and the
// log-off are released. If the window is minimised or another program is in front, the
// taskbar button flashes and the box waits (PackBusyBeforeBox); otherwise the
// window comes to the front for the box at once.
void PackBusyAfterRun();
// Before a box: waits while the box waits for the window's activation, then
// gives the window back as it was before the pack (the gadgets enabled as
// they were, the focus where it was), dropping a button's press that Wine
// delivered from a greyed button meanwhile. False when the session ended during the
// pack: no box is shown then. Without a pack, only true.
bool PackBusyBeforeBox();
// The window's messages while busy (its pointer, the session's end), else PASS_ON.
LRESULT PackBusyMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Whether a pack holds the window (a drop is then refused).
bool PackBusy();
// At shut-down: the taskbar's interface and COM, if the first pack made them.
void PackBusyShutDown();
