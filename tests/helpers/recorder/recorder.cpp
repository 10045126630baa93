// recorder.exe: a console program that tests start. It first writes down how
// it was started, then does what its arguments ask, in their order.
//
// The record goes to the file named by the argument record:PATH, or else by
// the environment variable ZIMBREL_RECORD (no record when neither is given).
// It is written to PATH.part and then renamed, so a reader never sees half of it.
// Lines of the record:
//   cmdline=<GetCommandLineA>     cwd=<current directory>     cwd8=<the same in UTF-8>
//   cmdline8=<GetCommandLineW in UTF-8>   module8=<the program's own file, in UTF-8>
//   show=<wShowWindow>            flags=<STARTUPINFO dwFlags>
//   stdin=, stdout=, stderr=<GetFileType of the handle; -1 for none>
//
// Arguments (a token runs to the next space outside double quotes; the quotes
// are dropped, so mark:"C:\a b\m" names a path with a space):
//   sleep:N     sleep N milliseconds
//   mark:PATH   create the file PATH (empty)
//   echo        copy standard input to standard output until the input ends
//   err:TEXT    write TEXT to standard error
//   exit:N      end with exit code N (at the end; default 0)
//   record:PATH the record file (see above)
#include <windows.h>
#include <stdlib.h>
#include <string.h>

static const int TOKEN_SIZE = 4096;

// Copies the next token of *cursor into token; false when none is left.
static bool NextToken(const char** cursor, char* token) {
  const char* p = *cursor;
  while (*p == ' ' || *p == '\t') ++p;
  if (!*p) return false;
  bool quoted = false;
  int n = 0;
  for (; *p && (quoted || (*p != ' ' && *p != '\t')); ++p) {
    if (*p == '"') quoted = !quoted;
    else if (n < TOKEN_SIZE - 1) token[n++] = *p;
  }
  token[n] = 0;
  *cursor = p;
  return true;
}

static bool StartsWith(const char* text, const char* prefix) {
  return strncmp(text, prefix, strlen(prefix)) == 0;
}

static void Put(HANDLE file, const char* text) {
  DWORD written;
  WriteFile(file, text, (DWORD)strlen(text), &written, 0);
}

static void PutLine(HANDLE file, const char* key, const char* value) {
  Put(file, key);
  Put(file, "=");
  Put(file, value);
  Put(file, "\r\n");
}

static void PutNumber(HANDLE file, const char* key, long value) {
  char text[16];
  ltoa(value, text, 10);
  PutLine(file, key, text);
}

static long StreamType(DWORD which) {
  HANDLE h = GetStdHandle(which);
  if (!h || h == INVALID_HANDLE_VALUE) return -1;
  return (long)GetFileType(h);
}

static void WriteRecord(const char* path) {
  char part[MAX_PATH + 8];
  if (strlen(path) >= MAX_PATH) return;
  strcpy(part, path);
  strcat(part, ".part");
  HANDLE file = CreateFileA(part, GENERIC_WRITE, 0, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, 0);
  if (file == INVALID_HANDLE_VALUE) return;
  STARTUPINFOA start;
  GetStartupInfoA(&start);
  char cwd[MAX_PATH] = "";
  GetCurrentDirectoryA(MAX_PATH, cwd);
  PutLine(file, "cmdline", GetCommandLineA());
  PutLine(file, "cwd", cwd);
  wchar_t wide[MAX_PATH] = L"";
  static char utf8[32768 * 3];  // room for the longest command line
  GetCurrentDirectoryW(MAX_PATH, wide);
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof utf8, 0, 0);
  PutLine(file, "cwd8", utf8);
  if (!WideCharToMultiByte(CP_UTF8, 0, GetCommandLineW(), -1, utf8, sizeof utf8, 0, 0)) utf8[0] = 0;
  PutLine(file, "cmdline8", utf8);
  wide[GetModuleFileNameW(0, wide, MAX_PATH - 1)] = 0;
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof utf8, 0, 0);
  PutLine(file, "module8", utf8);
  PutNumber(file, "show", start.wShowWindow);
  PutNumber(file, "flags", (long)start.dwFlags);
  PutNumber(file, "stdin", StreamType(STD_INPUT_HANDLE));
  PutNumber(file, "stdout", StreamType(STD_OUTPUT_HANDLE));
  PutNumber(file, "stderr", StreamType(STD_ERROR_HANDLE));
  CloseHandle(file);
  MoveFileExA(part, path, MOVEFILE_REPLACE_EXISTING);
}

static void Echo() {
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  char buffer[4096];
  DWORD got, written;
  while (ReadFile(in, buffer, sizeof buffer, &got, 0) && got > 0)
    if (!WriteFile(out, buffer, got, &written, 0)) break;
}

// The arguments begin after the program name, quoted or not.
static const char* Arguments(const char* line) {
  static char name[TOKEN_SIZE];
  NextToken(&line, name);
  return line;
}

int main() {
  static char token[TOKEN_SIZE];
  const char* args = Arguments(GetCommandLineA());

  char recordPath[MAX_PATH] = "";
  GetEnvironmentVariableA("ZIMBREL_RECORD", recordPath, MAX_PATH);
  for (const char* p = args; NextToken(&p, token);)
    if (StartsWith(token, "record:") && strlen(token + 7) < MAX_PATH) strcpy(recordPath, token + 7);
  if (recordPath[0]) WriteRecord(recordPath);

  int code = 0;
  for (const char* p = args; NextToken(&p, token);) {
    if (StartsWith(token, "sleep:")) {
      Sleep((DWORD)atol(token + 6));
    } else if (StartsWith(token, "mark:")) {
      HANDLE mark = CreateFileA(token + 5, GENERIC_WRITE, 0, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, 0);
      if (mark != INVALID_HANDLE_VALUE) CloseHandle(mark);
    } else if (strcmp(token, "echo") == 0) {
      Echo();
    } else if (StartsWith(token, "err:")) {
      Put(GetStdHandle(STD_ERROR_HANDLE), token + 4);
    } else if (StartsWith(token, "exit:")) {
      code = atoi(token + 5);
    }
  }
  return code;
}
