#include "runtime/window/window_internal.h"

const char WINDOW_ID_PROPERTY[] = "Kel_WindowID";

void WindowClassName(ObjectNumber number, char* buffer) {
  wsprintfA(buffer, "WindowClass_%ld", (long)number);
}

ObjectNumber WindowNumberOf(HWND window) {
  for (HWND w = window; w; w = GetParent(w)) {
    ObjectNumber stored = (ObjectNumber)GetPropA(w, WINDOW_ID_PROPERTY);
    if (stored) return stored - 1;
  }
  return -1;
}
