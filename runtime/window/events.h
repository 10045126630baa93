// Turning messages into events: the window procedure of every runtime window
// with its WM_COMMAND translation and the data of data events (window_proc.cpp),
// the pending-event queue and the event wait (event_wait.cpp), and the focus
// traversal of Tab and Shift+Tab (focus.cpp). ActiveAccelerators lives with the
// windows that own the tables (window.cpp).
#pragma once
#include "runtime/common.h"
#include "runtime/event_codes.h"

typedef LRESULT (*MessageCallback)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

struct PendingEvent {
  PendingEvent* next;  // next newer entry
  LONG code;
  ObjectNumber window;
};

struct EventState {
  ObjectNumber source;     // gadget, menu item or tray icon of the last direct event
  ObjectNumber window;     // window of the last handled message, -1 without a number
  LONG type;               // event type of the last event, -1 when it has none
  LONG code;               // direct event stored during a dispatch; 0 = none
  WPARAM wParam;           // of the last raw message returned
  LPARAM lParam;
  PendingEvent* queueHead; // oldest
  PendingEvent* queueTail; // newest
  // Sees the messages of every runtime window without a callback of its own;
  // nothing in this program sets it, the window procedure honours it if set.
  MessageCallback callback;
  void* eventData;         // record of events 13105 and 13106, owned until the next WaitEvent
};

extern EventState* Events;

// Makes the event state on the MainHeap, or points Events at a static spare
// when the heap has no room; run once by WindowInit.
void EventStateInit();

LRESULT CALLBACK RuntimeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT RuntimeWindowHandler(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PendingEventAppend(EventState* state, LONG code, ObjectNumber window);
// -1 waits for ever, 0 only looks; 0 on a time-out.
LONG WaitEvent(LONG timeout = -1);
ObjectNumber EventSource();
HACCEL ActiveAccelerators(HWND window);
void FocusTraverse(BOOL backward);
// Enter and Space before they are dispatched (focus.cpp): Enter presses the
// focused push button, or else, from a text field or a closed drop list, the
// window's default button; a held-down Enter presses nothing again, and a
// held-down Space does not press a button that never saw it pressed. TRUE
// when the key was taken (it is then not dispatched).
BOOL FocusKeyTaken(const MSG* msg);
// Frees the data record of the last data event, if any.
void EventDataFree(EventState* state);
