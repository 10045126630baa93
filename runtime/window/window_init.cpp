#include "runtime/memory/record.h"
#include "runtime/window/sizing.h"
#include "runtime/window/window_internal.h"

static_assert(sizeof(WindowRecord) == 36, "a window record is 36 bytes");
static_assert(sizeof(SizingState) == 92, "the sizing state is 92 bytes");

ObjectTable* WindowTable;
HICON WindowClassIcon;
HCURSOR WindowClassCursor;

// Used when the heap cannot give the records: the subsystem then still works
// and nothing dereferences a null record.
static EventState spareEvents;
static SizingState spareSizing;

void WindowInit() {
  WindowTable = ObjectTableNew(sizeof(WindowRecord), 16, WindowClose);
  Events = (EventState*)RecordNew(sizeof(EventState), 0);
  if (!Events) Events = &spareEvents;
  WindowClassIcon = LoadIconA(InstanceHandle, MAKEINTRESOURCEA(1));
  WindowClassCursor = LoadCursorA(0, IDC_ARROW);
  Sizing = (SizingState*)RecordNew(sizeof(SizingState), 0);
  if (!Sizing) Sizing = &spareSizing;
}
