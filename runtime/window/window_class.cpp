#include "runtime/window/window_internal.h"


void WindowClassName(ObjectNumber number, char* buffer) {
  wsprintfA(buffer, "WindowClass_%ld", (long)number);
}

LONG WindowIdChanges;

// Every message to a runtime window asks for its number, and each property
// read is a trip to the window server under Wine: the last window whose own
// property answered is remembered, until a property is set or removed
// (WindowOpen, WindowClose) or a runtime window is destroyed.
static HWND lastWindow;
static ObjectNumber lastNumber;
static LONG lastChanges = -1;

ObjectNumber WindowNumberOf(HWND window) {
  if (window && window == lastWindow && lastChanges == WindowIdChanges) return lastNumber;
  ObjectNumber own = window ? (ObjectNumber)GetPropA(window, PROPERTY_WINDOW_ID) : 0;
  if (own) {
    lastWindow = window;
    lastNumber = own - 1;
    lastChanges = WindowIdChanges;
    return own - 1;
  }
  for (HWND w = window ? GetParent(window) : 0; w; w = GetParent(w)) {
    ObjectNumber stored = (ObjectNumber)GetPropA(w, PROPERTY_WINDOW_ID);
    if (stored) return stored - 1;
  }
  return -1;
}
