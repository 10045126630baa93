// The door of late_library.h: the libraries and their functions by name, each
// library loaded once and kept.
#include "runtime/system/late_library.h"

// Each list is a row of NUL-ended names, in the order of its numbers; a
// function's name begins with the number of its library ('0' to '4'). The
// function names are made from LATE_FUNCTIONS, as the numbers are, so the two
// cannot fall out of step. Kept as plain bytes (not const): they lie in the
// room the program's data section leaves unused anyway, where a table of
// pointers to read-only strings would take a block of the file of its own.
// The first three are loaded after LibrarySearchRestrict, so from the system
// folder; they are Windows' known libraries too, which the loader takes from
// there in any case. The last two, kernel32 and user32, are in this process from
// its start: their names find them there, with no search. ".dll" is added by the loader.
static char lateLibraryNames[] = "comdlg32\0shell32\0ole32\0kernel32\0user32";
#define LATE_FUNCTION_NAME(id, library, name) #library #name "\0"
static char lateFunctionNames[] = LATE_FUNCTIONS(LATE_FUNCTION_NAME);
#undef LATE_FUNCTION_NAME

// Kept for the life of the process, never freed: a function handed out may
// be called at any later time. The functions' addresses are looked up at each
// call, which comes once per press of a button or per drop.
static HMODULE lateModules[5];

// The index-th name of a row of NUL-ended names.
static const char* NameAt(const char* names, int index) {
  for (; index; names++)
    if (!*names) index--;
  return names;
}

void* LateFunction(LateFunctionId id) {
  const char* name = NameAt(lateFunctionNames, id);
  int library = name[0] - '0';
  HMODULE& module = lateModules[library];
  if (!module) module = LoadLibraryExA(NameAt(lateLibraryNames, library), 0, 0);
  return module ? (void*)GetProcAddress(module, name + 1) : 0;
}

void LibrarySearchRestrict() {
  auto restrict = Late<LATE_SET_DEFAULT_DLL_DIRECTORIES>();
  if (restrict) restrict(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

void RevokeDropTarget(HWND window) {
  auto revoke = Late<LATE_REVOKE_DRAG_DROP>();
  if (revoke) revoke(window);
}
