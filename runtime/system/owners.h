// Owners of one system resource each, for the scope they are made in: the
// resource goes when its owner does, whichever way the scope is left, so no
// way out needs clean-up of its own. None is copied: two owners of one
// resource would free it twice.
#pragma once
#include "runtime/common.h"
#include "runtime/system/late_library.h"

// A kernel handle, closed at the end. 0 and INVALID_HANDLE_VALUE (the failure
// answer of CreateFile and its kin) hold nothing.
struct OwnedHandle {
  explicit OwnedHandle(HANDLE handle = 0) : handle(handle) {}
  ~OwnedHandle() {
    if (handle && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  // The handle for whoever keeps it from now on; the owner is left empty.
  HANDLE release() {
    HANDLE kept = handle;
    handle = 0;
    return kept;
  }
  HANDLE handle;
};

// A GDI object (font, brush, pen, bitmap, region) deleted at the end; 0
// holds nothing.
template <typename Object>
struct OwnedGdiObject {
  explicit OwnedGdiObject(Object object = 0) : object(object) {}
  ~OwnedGdiObject() {
    if (object) DeleteObject(object);
  }
  OwnedGdiObject(const OwnedGdiObject&) = delete;
  OwnedGdiObject& operator=(const OwnedGdiObject&) = delete;
  Object object;
};

// COM started on this thread for the scope, through the late door (ole32 is
// not loaded before). started: false when ole32 or its start failed, and
// nothing is ended then; an earlier start on the thread (S_FALSE) counts, and
// is ended in turn, as COM asks.
struct ComStart {
  ComStart() {
    auto start = Late<LATE_CO_INITIALIZE>();
    started = start && SUCCEEDED(start(0));
  }
  ~ComStart() {
    if (started) Late<LATE_CO_UNINITIALIZE>()();
  }
  ComStart(const ComStart&) = delete;
  ComStart& operator=(const ComStart&) = delete;
  bool started;
};

// A COM interface pointer, released at the end; null holds nothing. Made
// after the ComStart it depends on, so it is released before COM ends.
template <typename Interface>
struct OwnedInterface {
  OwnedInterface() : pointer(0) {}
  ~OwnedInterface() {
    if (pointer) pointer->Release();
  }
  OwnedInterface(const OwnedInterface&) = delete;
  OwnedInterface& operator=(const OwnedInterface&) = delete;
  Interface* operator->() const { return pointer; }
  // Where a call that makes the object writes the pointer.
  void** out() { return (void**)&pointer; }
  Interface* pointer;
};
