#include "tests/hardening/process_counts.h"

#include <psapi.h>

#include <vector>

namespace {

long long PrivateBytes(HANDLE process) {
  PROCESS_MEMORY_COUNTERS_EX memory = {};
  memory.cb = sizeof memory;
  if (GetProcessMemoryInfo(process, (PROCESS_MEMORY_COUNTERS*)&memory, sizeof memory) && memory.PrivateUsage)
    return (long long)memory.PrivateUsage;
  // The committed private pages of its address space, region by region.
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

// Wine hands out the lowest free handle slot, so the table is dense: each
// value is probed by duplicating it into this process, until a long run of
// values that name nothing.
long Handles(HANDLE process) {
  DWORD n = 0;
  if (GetProcessHandleCount(process, &n) && n) return (long)n;
  long count = 0, empty = 0;
  for (ULONG_PTR value = 4; empty < 1024; value += 4) {
    HANDLE copy = 0;
    if (DuplicateHandle(process, (HANDLE)value, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
      CloseHandle(copy);
      count++;
      empty = 0;
    } else {
      empty++;
    }
  }
  return count;
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

struct BasicInformation {
  LONG exitStatus;
  void* peb;
  ULONG_PTR affinity;
  LONG basePriority;
  ULONG_PTR processId;
  ULONG_PTR parentProcessId;
};

long GdiObjects(HANDLE process) {
  DWORD n = GetGuiResources(process, GR_GDIOBJECTS);
  if (n) return (long)n;
  typedef LONG(WINAPI * Query)(HANDLE, int, void*, ULONG, ULONG*);
  Query query = (Query)(void*)GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess");
  BasicInformation basic = {};
  if (!query || query(process, 0, &basic, sizeof basic, 0) != 0 || !basic.peb) return -1;
  void* table = 0;
  SIZE_T got = 0;
  if (!ReadProcessMemory(process, (BYTE*)basic.peb + 0x94, &table, sizeof table, &got) || !table) return -1;
  std::vector<GdiEntry> entries(GDI_ENTRIES);
  if (!ReadProcessMemory(process, table, entries.data(), entries.size() * sizeof(GdiEntry), &got)) return -1;
  long count = 0;
  for (size_t i = 0; i < got / sizeof(GdiEntry); i++)
    if (entries[i].type) count++;
  return count;
}

// USER handles are 16-bit indexes that the system accepts without their
// upper generation bits; each is asked whether it is a window of the process.
long Windows(DWORD processId) {
  long count = 0;
  for (ULONG_PTR h = 0x20; h < 0xFFF0; h += 2) {
    DWORD owner = 0;
    if (IsWindow((HWND)h) && GetWindowThreadProcessId((HWND)h, &owner) && owner == processId) count++;
  }
  return count;
}

}  // namespace

ProcessCounts CountProcess(HANDLE process, DWORD processId) {
  ProcessCounts c;
  c.privateBytes = PrivateBytes(process);
  c.handles = Handles(process);
  c.gdiObjects = GdiObjects(process);
  c.windows = Windows(processId);
  return c;
}
