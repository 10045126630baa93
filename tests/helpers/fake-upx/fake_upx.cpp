// A stand-in for the packer. It appends its whole command line to a log, then
// acts on the file named by its last double-quoted argument as its mode says.
//
// Log: the file named by ZIMBREL_FAKE_UPX_LOG, else fake-upx.log beside the
// program. Mode: the text of ZIMBREL_FAKE_UPX_MODE, else of fake-upx.mode
// beside the program, else "shrink". Either way the program can be copied
// under any name (upx.exe) and steered without touching its command line.
//
// A mode is a list of steps run in order, each a word with an optional number:
//   shrink [N]  cut the file to N bytes (default: half its size)
//   keep        leave the file alone
//   delete      delete the file
//   truncate    cut the file to 0 bytes
//   grow [N]    add N zero bytes (default 4096)
//   crash       die of an access violation (ended at once, as with error reporting off)
//   fault       die of an access violation left to the system's own crash handling
//   sleep N     wait N milliseconds
//   print N     write N megabytes of text to standard output
//   spew N      write N megabytes of text to standard error
//   error       write a line to standard error: the text of ZIMBREL_FAKE_UPX_ERROR,
//               else of fake-upx.error beside the program (as the packer writes
//               its reason: "upx: <file>: <Kind>: <message>")
//   temp [N]    make the packer's temporary file beside the file (its name with
//               the last extension replaced by ".upx"), as a packer ended from
//               outside leaves it, of N bytes (default 4)
//   pack [N]    as UPX packs: write N bytes (default half the file's size) to
//               the temporary file, delete the file, and rename the temporary
//               file to the file's name (the file's other hard links keep
//               their bytes)
//   hold N      keep the file named by ZIMBREL_FAKE_UPX_HOLD (UTF-16) open
//               without sharing for N milliseconds from now, also once this
//               program has ended (a copy of it, in mode "grab N", holds it)
//   holdinput N as hold, for the file this program was given (as a virus
//               scanner holds a fresh program)
//   exit N      end at once with exit code N
// After the last step the program ends with exit code 0. An unknown word ends
// it with exit code 99, a file that cannot be opened with 98.
#include <windows.h>

static char besideSelf[MAX_PATH + 32];

// Path of `name` in the program's own folder.
static const char* Beside(const char* name) {
  DWORD n = GetModuleFileNameA(0, besideSelf, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return name;
  while (n && besideSelf[n - 1] != '\\' && besideSelf[n - 1] != '/') --n;
  lstrcpynA(besideSelf + n, name, 32);
  return besideSelf;
}

static void AppendLog(const char* line) {
  char path[MAX_PATH];
  DWORD n = GetEnvironmentVariableA("ZIMBREL_FAKE_UPX_LOG", path, sizeof path);
  const char* target = n > 0 && n < sizeof path ? path : Beside("fake-upx.log");
  HANDLE f = CreateFileA(target, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, 0, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, 0);
  if (f == INVALID_HANDLE_VALUE) return;
  DWORD written;
  WriteFile(f, line, lstrlenA(line), &written, 0);
  WriteFile(f, "\r\n", 2, &written, 0);
  CloseHandle(f);
}

static char mode[1024];

static void ReadMode() {
  DWORD n = GetEnvironmentVariableA("ZIMBREL_FAKE_UPX_MODE", mode, sizeof mode);
  if (n > 0 && n < sizeof mode) return;
  mode[0] = 0;
  HANDLE f = CreateFileA(Beside("fake-upx.mode"), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, 0,
                         OPEN_EXISTING, 0, 0);
  if (f != INVALID_HANDLE_VALUE) {
    DWORD got = 0;
    if (ReadFile(f, mode, sizeof mode - 1, &got, 0)) mode[got] = 0;
    CloseHandle(f);
  }
  if (!mode[0]) lstrcpyA(mode, "shrink");
}

// The text between the last pair of double quotes, unless that pair is the
// quoted program name at the start; "" when there is none.
static char target[4096];

static void FindTarget(const char* commandLine) {
  int close = -1, open = -1;
  for (int i = 0; commandLine[i]; ++i)
    if (commandLine[i] == '"') {
      open = close;
      close = i;
    }
  target[0] = 0;
  if (open <= 0 || close - open - 1 >= (int)sizeof target) return;
  lstrcpynA(target, commandLine + open + 1, close - open);
}

static bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Reads the next word and its number (or -1) from *p.
static bool NextStep(const char** p, char* word, int room, LONGLONG* number) {
  const char* s = *p;
  while (IsSpace(*s)) ++s;
  if (!*s) return false;
  int n = 0;
  while (*s && !IsSpace(*s)) {
    if (n < room - 1) word[n++] = *s;
    ++s;
  }
  word[n] = 0;
  while (IsSpace(*s)) ++s;
  *number = -1;
  if (*s >= '0' && *s <= '9') {
    *number = 0;
    while (*s >= '0' && *s <= '9') *number = *number * 10 + (*s++ - '0');
  }
  *p = s;
  return true;
}

static bool SetSize(LONGLONG size, bool relative) {
  HANDLE f = CreateFileA(target, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, 0, OPEN_EXISTING, 0, 0);
  if (f == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER now;
  bool ok = GetFileSizeEx(f, &now) != 0;
  if (ok) {
    LARGE_INTEGER at;
    at.QuadPart = relative ? now.QuadPart + size : size < 0 ? now.QuadPart / 2 : size;
    ok = SetFilePointerEx(f, at, 0, FILE_BEGIN) && SetEndOfFile(f);
  }
  CloseHandle(f);
  return ok;
}

static void Print(LONGLONG megabytes, DWORD stream) {
  static char block[65536];
  for (int i = 0; i < (int)sizeof block; ++i) block[i] = (i % 64 == 63) ? '\n' : (char)('a' + i % 26);
  HANDLE out = GetStdHandle(stream);
  for (LONGLONG i = 0; i < megabytes * 16; ++i) {
    DWORD written;
    if (!WriteFile(out, block, sizeof block, &written, 0)) return;
  }
}

// The line of the error step, read as the mode is.
static bool WriteError() {
  static char line[1024];
  DWORD n = GetEnvironmentVariableA("ZIMBREL_FAKE_UPX_ERROR", line, sizeof line - 2);
  if (n == 0 || n >= sizeof line - 2) {
    n = 0;
    HANDLE f = CreateFileA(Beside("fake-upx.error"), GENERIC_READ, FILE_SHARE_READ, 0, OPEN_EXISTING, 0, 0);
    if (f == INVALID_HANDLE_VALUE) return false;
    ReadFile(f, line, sizeof line - 2, &n, 0);
    CloseHandle(f);
  }
  line[n++] = '\n';
  DWORD written;
  return WriteFile(GetStdHandle(STD_ERROR_HANDLE), line, n, &written, 0) != 0;
}

// The packer's temporary file: the target with its last extension (in the
// file's name) replaced by ".upx".
static char tempName[sizeof target + 4];

static bool MakeTemp(LONGLONG size = 4) {
  char* name = tempName;
  lstrcpyA(name, target);
  char* dot = 0;
  for (char* p = name; *p; ++p) {
    if (*p == '.') dot = p;
    else if (*p == '\\' || *p == '/') dot = 0;
  }
  lstrcpyA(dot ? dot : name + lstrlenA(name), ".upx");
  HANDLE f = CreateFileA(name, GENERIC_WRITE, 0, 0, CREATE_NEW, 0, 0);
  if (f == INVALID_HANDLE_VALUE) return false;
  static char bytes[65536];
  lstrcpyA(bytes, "half");
  DWORD written = 0;
  bool ok = true;
  for (LONGLONG left = size; ok && left > 0; left -= written)
    ok = WriteFile(f, bytes, left < (LONGLONG)sizeof bytes ? (DWORD)left : sizeof bytes, &written, 0) != 0;
  CloseHandle(f);
  return ok;
}

// Written as UPX writes its output: into the temporary file, which then takes the file's name.
static bool Pack(LONGLONG size) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(target, GetFileExInfoStandard, &data)) return false;
  return MakeTemp(size < 0 ? data.nFileSizeLow / 2 : size) && DeleteFileA(target) && MoveFileA(tempName, target);
}

const char* const HELD_EVENT = "zimbrel-fake-upx-held";

// A copy of this program, in mode "grab N", holds the file; this one goes on
// once it does. The copy logs nowhere, so it is not counted as a run.
static bool Hold(LONGLONG ms, bool input = false) {
  if (input) {
    char full[MAX_PATH];
    wchar_t wide[MAX_PATH];
    DWORD n = GetFullPathNameA(target, MAX_PATH, full, 0);
    if (!n || n >= MAX_PATH || !MultiByteToWideChar(CP_ACP, 0, full, -1, wide, MAX_PATH)) return false;
    SetEnvironmentVariableW(L"ZIMBREL_FAKE_UPX_HOLD", wide);
  }
  HANDLE held = CreateEventA(0, TRUE, FALSE, HELD_EVENT);
  char copyMode[32], self[MAX_PATH], line[MAX_PATH + 2];
  wsprintfA(copyMode, "grab %lu", (DWORD)ms);
  GetModuleFileNameA(0, self, MAX_PATH);
  wsprintfA(line, "\"%s\"", self);
  SetEnvironmentVariableA("ZIMBREL_FAKE_UPX_MODE", copyMode);
  SetEnvironmentVariableA("ZIMBREL_FAKE_UPX_LOG", "NUL");
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi;
  bool ok = held && CreateProcessA(self, line, 0, 0, FALSE, DETACHED_PROCESS, 0, 0, &si, &pi);
  if (ok) {
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    ok = WaitForSingleObject(held, 10000) == WAIT_OBJECT_0;
  }
  if (held) CloseHandle(held);
  return ok;
}

static bool Grab(LONGLONG ms) {
  wchar_t path[MAX_PATH] = L"";
  GetEnvironmentVariableW(L"ZIMBREL_FAKE_UPX_HOLD", path, MAX_PATH);
  HANDLE f = CreateFileW(path, GENERIC_READ, 0, 0, OPEN_EXISTING, 0, 0);
  HANDLE held = OpenEventA(EVENT_MODIFY_STATE, FALSE, HELD_EVENT);
  if (held) SetEvent(held), CloseHandle(held);
  if (f == INVALID_HANDLE_VALUE) return false;
  Sleep((DWORD)ms);
  CloseHandle(f);
  return true;
}

// Volatile, so the compiler cannot see that the write below faults.
static volatile int* volatile nowhere = 0;

static LONG WINAPI EndOnFault(EXCEPTION_POINTERS*) { return EXCEPTION_EXECUTE_HANDLER; }

int main() {
  const char* commandLine = GetCommandLineA();
  AppendLog(commandLine);
  ReadMode();
  FindTarget(commandLine);
  const char* p = mode;
  char word[16];
  LONGLONG number;
  while (NextStep(&p, word, sizeof word, &number)) {
    bool ok = true;
    if (!lstrcmpA(word, "shrink")) ok = SetSize(number, false);
    else if (!lstrcmpA(word, "keep")) ok = true;
    else if (!lstrcmpA(word, "delete")) ok = DeleteFileA(target) != 0;
    else if (!lstrcmpA(word, "truncate")) ok = SetSize(0, false);
    else if (!lstrcmpA(word, "grow")) ok = SetSize(number < 0 ? 4096 : number, true);
    else if (!lstrcmpA(word, "crash")) {
      // The process ends with the fault's code; no debugger or crash dialog is started.
      SetUnhandledExceptionFilter(EndOnFault);
      *nowhere = 0;
    }
    else if (!lstrcmpA(word, "fault")) *nowhere = 0;
    else if (!lstrcmpA(word, "sleep")) Sleep(number < 0 ? 0 : (DWORD)number);
    else if (!lstrcmpA(word, "print")) Print(number, STD_OUTPUT_HANDLE);
    else if (!lstrcmpA(word, "spew")) Print(number, STD_ERROR_HANDLE);
    else if (!lstrcmpA(word, "error")) ok = WriteError();
    else if (!lstrcmpA(word, "temp")) ok = MakeTemp(number < 0 ? 4 : number);
    else if (!lstrcmpA(word, "pack")) ok = Pack(number);
    else if (!lstrcmpA(word, "hold")) ok = Hold(number);
    else if (!lstrcmpA(word, "holdinput")) ok = Hold(number, true);
    else if (!lstrcmpA(word, "grab")) ok = Grab(number);
    else if (!lstrcmpA(word, "exit")) ExitProcess((UINT)number);
    else return 99;
    if (!ok) return 98;
  }
  return 0;
}
