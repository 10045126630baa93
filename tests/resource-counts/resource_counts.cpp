// The counts of resource_counts.h, each in a way that also works under Wine.
#include "tests/resource-counts/resource_counts.h"

#include <psapi.h>
#include <tlhelp32.h>

namespace {

BOOL CALLBACK CountOne(HWND, LPARAM count) {
  ++*(int*)count;
  return TRUE;
}

BOOL CALLBACK CountWithDescendants(HWND window, LPARAM count) {
  *(int*)count += 1 + ChildWindowCount(window);
  return TRUE;
}

bool IsThisProcess(HANDLE process) { return GetProcessId(process) == GetCurrentProcessId(); }

// Whether value names a handle in process: asked directly in this process,
// elsewhere by duplicating it into this one.
bool HandleLive(HANDLE process, bool self, ULONG_PTR value) {
  if (self) {
    DWORD flags;
    return GetHandleInformation((HANDLE)value, &flags) != 0;
  }
  HANDLE copy = 0;
  if (!DuplicateHandle(process, (HANDLE)value, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS))
    return false;
  CloseHandle(copy);
  return true;
}

// The GDI handle table that the system keeps for each process, found through
// its PEB (GdiSharedHandleTable at 0x94 on 32-bit): one 24-byte entry per
// handle, live while its type byte is not zero.
struct GdiEntry {
  unsigned long long object;
  unsigned long owner;
  unsigned short unique;
  unsigned char type, flags;
  unsigned long long user;
};
static_assert(sizeof(GdiEntry) == 24, "a GDI table entry is 24 bytes");
const size_t GDI_ENTRIES = 0x10000;
const size_t GDI_PEB_OFFSET = 0x94;

struct BasicInformation {  // PROCESS_BASIC_INFORMATION
  LONG exitStatus;
  void* peb;
  ULONG_PTR affinity;
  LONG basePriority;
  ULONG_PTR processId;
  ULONG_PTR parentProcessId;
};

BYTE* GdiTable(HANDLE process) {
  typedef LONG(WINAPI * Query)(HANDLE, int, void*, ULONG, ULONG*);
  Query query = (Query)(void*)GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess");
  BasicInformation basic = {};
  if (!query || query(process, 0, &basic, sizeof basic, 0) != 0 || !basic.peb) return 0;
  BYTE* table = 0;
  SIZE_T got = 0;
  if (!ReadProcessMemory(process, (BYTE*)basic.peb + GDI_PEB_OFFSET, &table, sizeof table, &got)) return 0;
  return table;
}

// USER handles are 16-bit indexes (0x20, 0x22, ...) that the system accepts
// without their upper generation bits.
long ProbeUserHandles(DWORD processId, bool menusAndKeys) {
  long count = 0;
  for (ULONG_PTR h = 0x20; h < 0xFFF0; h += 2) {
    if (IsWindow((HWND)h)) {
      DWORD owner = 0;
      if (GetWindowThreadProcessId((HWND)h, &owner) && owner == processId) count++;
    } else if (menusAndKeys && (IsMenu((HMENU)h) || CopyAcceleratorTableA((HACCEL)h, 0, 0) > 0)) {
      count++;
    }
  }
  return count;
}

}  // namespace

int ChildWindowCount(HWND window) {
  int count = 0;
  EnumChildWindows(window, CountOne, (LPARAM)&count);
  return count;
}

int ThreadWindowCount() {
  int count = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountWithDescendants, (LPARAM)&count);
  return count;
}

long ProcessHandleCount(HANDLE process, bool* walked) {
  DWORD n = 0;
  if (GetProcessHandleCount(process, &n) && n) return (long)n;
  if (walked) *walked = true;
  // Wine hands out the lowest free slot, so the table is dense and a run of
  // 1024 values that name nothing marks its end.
  bool self = IsThisProcess(process);
  long count = 0, empty = 0;
  for (ULONG_PTR value = 4; empty < 1024; value += 4) {
    if (HandleLive(process, self, value)) {
      count++;
      empty = 0;
    } else {
      empty++;
    }
  }
  return count;
}

long ProcessGdiObjectCount(HANDLE process, bool* walked) {
  DWORD n = GetGuiResources(process, GR_GDIOBJECTS);
  if (n) return (long)n;
  if (walked) *walked = true;
  BYTE* table = GdiTable(process);
  if (!table) return -1;
  // Read a piece at a time, so that counting takes no memory of its own.
  GdiEntry piece[512];
  long count = 0;
  for (size_t at = 0; at < GDI_ENTRIES; at += sizeof piece / sizeof *piece) {
    SIZE_T got = 0;
    if (!ReadProcessMemory(process, table + at * sizeof(GdiEntry), piece, sizeof piece, &got)) {
      if (at == 0) return -1;
      break;
    }
    for (size_t i = 0; i < got / sizeof(GdiEntry); i++)
      if (piece[i].type) count++;
  }
  return count;
}

long ProcessUserObjectCount(HANDLE process, DWORD processId, bool* walked) {
  DWORD n = GetGuiResources(process, GR_USEROBJECTS);
  if (n) return (long)n;
  if (walked) *walked = true;
  return ProbeUserHandles(processId, true);
}

long ProcessWindowCount(DWORD processId) { return ProbeUserHandles(processId, false); }

long long ProcessCommittedPrivateBytes(HANDLE process) {
  long long total = 0;
  MEMORY_BASIC_INFORMATION info;
  for (BYTE* at = 0; VirtualQueryEx(process, at, &info, sizeof info) == sizeof info;) {
    if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
    BYTE* next = (BYTE*)info.BaseAddress + info.RegionSize;
    if (next <= at) break;
    at = next;
  }
  return total;
}

ProcessCounts CountProcess(HANDLE process, DWORD processId) {
  ProcessCounts c;
  PROCESS_MEMORY_COUNTERS_EX memory = {};
  memory.cb = sizeof memory;
  if (GetProcessMemoryInfo(process, (PROCESS_MEMORY_COUNTERS*)&memory, sizeof memory) && memory.PrivateUsage)
    c.privateBytes = (long long)memory.PrivateUsage;
  else
    c.privateBytes = ProcessCommittedPrivateBytes(process);
  c.handles = ProcessHandleCount(process);
  c.gdiObjects = ProcessGdiObjectCount(process);
  c.windows = ProcessWindowCount(processId);
  return c;
}

std::vector<std::string> ProcessModuleNames(DWORD processId) {
  std::vector<std::string> names;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId);
  if (snapshot == INVALID_HANDLE_VALUE) return names;
  MODULEENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Module32First(snapshot, &entry); more; more = Module32Next(snapshot, &entry)) {
    CharLowerA(entry.szModule);
    names.push_back(entry.szModule);
  }
  CloseHandle(snapshot);
  return names;
}
