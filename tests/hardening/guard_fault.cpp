// The guard run's fault of guard_fault.h: a stand-in for EnumWindows that
// fails the target window's node, and this program's import pointed at it.
#include "tests/hardening/guard_fault.h"

#include "runtime/memory/heaps.h"

GuardFault guardFault;

static BOOL CALLBACK VisitFailingTheNode(HWND w, LPARAM parameter) {
  if (w != guardFault.target || guardFault.at) return guardFault.visit(w, parameter);
  long next = AllocCount() + 1;
  AllocFaultArm(1);
  BOOL more = guardFault.visit(w, parameter);
  AllocFaultArm(0);
  if (AllocCount() >= next) guardFault.at = next;
  return more;
}

static BOOL WINAPI EnumWindowsFailingTheNode(WNDENUMPROC visit, LPARAM parameter) {
  if (!guardFault.target) return guardFault.enumWindows(visit, parameter);
  guardFault.visit = visit;
  BOOL done = guardFault.enumWindows(VisitFailingTheNode, parameter);
  guardFault.visit = 0;
  return done;
}

bool StandInForEnumWindows() {
  BYTE* base = (BYTE*)GetModuleHandleA(0);
  IMAGE_NT_HEADERS* nt = (IMAGE_NT_HEADERS*)(base + ((IMAGE_DOS_HEADER*)base)->e_lfanew);
  IMAGE_DATA_DIRECTORY imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (IMAGE_IMPORT_DESCRIPTOR* d = (IMAGE_IMPORT_DESCRIPTOR*)(base + imports.VirtualAddress); d->Name; d++) {
    if (lstrcmpiA((char*)(base + d->Name), "user32.dll") || !d->OriginalFirstThunk) continue;
    IMAGE_THUNK_DATA* names = (IMAGE_THUNK_DATA*)(base + d->OriginalFirstThunk);
    IMAGE_THUNK_DATA* slots = (IMAGE_THUNK_DATA*)(base + d->FirstThunk);
    for (; names->u1.AddressOfData; names++, slots++) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      IMAGE_IMPORT_BY_NAME* name = (IMAGE_IMPORT_BY_NAME*)(base + names->u1.AddressOfData);
      if (lstrcmpA((char*)name->Name, "EnumWindows")) continue;
      DWORD access;
      if (!VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &access)) return false;
      guardFault.enumWindows = (BOOL(WINAPI*)(WNDENUMPROC, LPARAM))slots->u1.Function;
      slots->u1.Function = (DWORD_PTR)EnumWindowsFailingTheNode;
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, access, &access);
      return true;
    }
  }
  return false;
}
