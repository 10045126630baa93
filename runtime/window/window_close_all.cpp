#include "runtime/window/window_internal.h"

// Numbered windows by ascending number, then automatic ones oldest first.
void WindowCloseAll() {
  ObjectTableEnumStart(WindowTable);
  ObjectNumber number;
  while (ObjectTableEnumNext(WindowTable, &number)) WindowClose(number);
  if (Events) EventDataFree(Events);
}
