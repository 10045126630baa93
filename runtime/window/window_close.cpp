#include <ole2.h>

#include "runtime/memory/heaps.h"
#include "runtime/window/window_internal.h"

HWND WindowHandle(ObjectNumber number) {
  WindowRecord* record = (WindowRecord*)ObjectTableFind(WindowTable, number);
  return record ? record->handle : 0;
}

void WindowClose(ObjectNumber number) {
  WindowRecord* record = (WindowRecord*)ObjectTableFind(WindowTable, number);
  if (!record) return;
  // The record's resources are taken out before anything is destroyed, so a
  // close that runs again from inside the destruction cannot free them twice.
  const HWND handle = record->handle;
  const HWND mdiClient = record->mdiClient;
  ACCEL* accelerators = record->accelerators;
  const HACCEL acceleratorTable = record->acceleratorTable;
  const HBRUSH backBrush = record->backBrush;
  record->accelerators = 0;
  record->acceleratorTable = 0;
  record->backBrush = 0;

  // The owner becomes active before its owned window goes, so the activation
  // does not wander off to some other program.
  const HWND owner = GetWindow(handle, GW_OWNER);
  if (owner && !mdiClient) SetActiveWindow(owner);

  WindowIdChanges++;
  RemovePropA(handle, PROPERTY_WINDOW_ID);
  if (RemovePropA(handle, PROPERTY_DROP_ACCEPT)) RevokeDragDrop(handle);

  if (mdiClient) {
    SendMessageA(mdiClient, WM_MDIDESTROY, (WPARAM)handle, 0);
  } else {
    DestroyWindow(handle);
    char className[WINDOW_CLASS_NAME_SIZE];
    WindowClassName(number, className);
    UnregisterClassA(className, InstanceHandle);
  }
  HeapRelease(MainHeap, accelerators);
  if (acceleratorTable) DestroyAcceleratorTable(acceleratorTable);
  if (backBrush) DeleteObject(backBrush);
  ObjectTableRelease(WindowTable, number);
}
