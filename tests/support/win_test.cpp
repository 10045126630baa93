// The helpers of win_test.h: pumping, the box catcher, files, counts, child processes, deadlines.
#include "tests/support/win_test.h"

#include <algorithm>

std::string BuildDir() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(0, path, MAX_PATH);
  std::string s(path, n);
  size_t slash = s.find_last_of('\\');
  return slash == std::string::npos ? std::string(".") : s.substr(0, slash);
}

void PumpMessages(DWORD ms) {
  PumpUntil([] { return false; }, ms);
}

// ---- message boxes -----------------------------------------------------------

static thread_local BoxCatcher* currentCatcher = nullptr;

// When a box was first seen up, as a property of the box.
static const char BOX_SINCE[] = "TestBoxSince";

BoxCatcher::BoxCatcher(bool cancel) : cancel_(cancel), outer_(currentCatcher) {
  currentCatcher = this;
  thread_ = GetCurrentThreadId();
  hook_ = SetWindowsHookExA(WH_CBT, Hook, 0, thread_);
  stop_ = CreateEventA(0, TRUE, FALSE, 0);
  backstop_ = CreateThread(0, 0, Backstop, this, 0, 0);
}

BoxCatcher::~BoxCatcher() {
  SetEvent(stop_);
  if (backstop_) {
    WaitForSingleObject(backstop_, 10000);  // it ends as soon as it sees the event
    CloseHandle(backstop_);
  }
  CloseHandle(stop_);
  if (hook_) UnhookWindowsHookEx(hook_);
  currentCatcher = outer_;
}

// A window's text of this process, read as UTF-16, as UTF-8.
static std::string TextOf(HWND window) {
  int n = GetWindowTextLengthW(window);
  if (n <= 0) return "";
  std::wstring text(n + 1, L'\0');
  n = GetWindowTextW(window, &text[0], n + 1);
  return Utf8FromWide(text.data(), n > 0 ? n : 0);
}

static BOOL CALLBACK CheckBoxAge(HWND w, LPARAM) {
  char cls[16] = "";
  GetClassNameA(w, cls, sizeof cls);
  if (lstrcmpA(cls, "#32770") != 0 || !IsWindowVisible(w)) return TRUE;
  DWORD now = GetTickCount() | 1;  // never 0, which is "no property"
  DWORD since = (DWORD)(UINT_PTR)GetPropA(w, BOX_SINCE);
  if (!since) {
    SetPropA(w, BOX_SINCE, (HANDLE)(UINT_PTR)now);
  } else if (now - since >= BOX_LIMIT_MS) {
    ADD_FAILURE() << "the dialog box \"" << TextOf(w) << "\" was still up " << BOX_LIMIT_MS / 1000
                  << " s after it came: nothing answered it; it is cancelled now";
    SetPropA(w, BOX_SINCE, (HANDLE)(UINT_PTR)now);  // once more only after as long again
    PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
    PostMessageA(w, WM_CLOSE, 0, 0);
  }
  return TRUE;
}

// Looks at the catching thread's boxes once a second. (An inner catcher's
// check and an outer one's do not both report a box: the first to report it
// starts its time again.)
DWORD WINAPI BoxCatcher::Backstop(void* self) {
  BoxCatcher* catcher = (BoxCatcher*)self;
  while (WaitForSingleObject(catcher->stop_, 1000) == WAIT_TIMEOUT)
    EnumThreadWindows(catcher->thread_, CheckBoxAge, 0);
  return 0;
}

static BOOL CALLBACK CollectChild(HWND child, LPARAM lParam) {
  SeenBox* box = (SeenBox*)lParam;
  char cls[32] = "";
  GetClassNameA(child, cls, sizeof cls);
  if (lstrcmpiA(cls, "Button") == 0) {
    box->buttons++;
    box->buttonTexts.push_back(TextOf(child));
  } else if (lstrcmpiA(cls, "Static") == 0) {
    HICON icon = (HICON)SendMessageA(child, STM_GETICON, 0, 0);
    if (icon) {
      static const struct { LPCSTR id; LONG flag; } icons[] = {
          {IDI_HAND, MB_ICONHAND}, {IDI_QUESTION, MB_ICONQUESTION},
          {IDI_EXCLAMATION, MB_ICONEXCLAMATION}, {IDI_ASTERISK, MB_ICONASTERISK}};
      for (const auto& i : icons)
        if (LoadIconA(0, i.id) == icon) box->icon = i.flag;
    } else if (box->text.empty()) {
      box->text = TextOf(child);
    }
  }
  return TRUE;
}

void CALLBACK BoxCatcher::Dismiss(HWND box, UINT, UINT_PTR id, DWORD) {
  KillTimer(box, id);
  PostMessageA(box, WM_COMMAND, id == 2 ? IDCANCEL : IDOK, 0);
}

LRESULT CALLBACK BoxCatcher::Hook(int code, WPARAM wParam, LPARAM lParam) {
  BoxCatcher* self = currentCatcher;
  if (code == HCBT_ACTIVATE && self) {
    HWND w = (HWND)wParam;
    char cls[16] = "";
    GetClassNameA(w, cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") == 0 && !GetPropA(w, "TestBoxSeen")) {
      SetPropA(w, "TestBoxSeen", (HANDLE)1);
      SeenBox box;
      box.caption = TextOf(w);
      box.owner = GetWindow(w, GW_OWNER);
      EnumChildWindows(w, CollectChild, (LPARAM)&box);
      self->boxes_.push_back(box);
      bool handled = self->onBox && self->onBox(w, self->context);
      // Closed from a timer, once the box's own modal loop runs.
      if (!handled) SetTimer(w, self->cancel_ ? 2 : 1, 10, Dismiss);
    }
  }
  return CallNextHookEx(0, code, wParam, lParam);
}

// ---- files -------------------------------------------------------------------

TempDir::TempDir() {
  char base[MAX_PATH];
  GetTempPathA(MAX_PATH, base);
  static LONG counter = 0;
  for (;;) {
    char name[MAX_PATH];
    wsprintfA(name, "%szt%lu_%ld", base, GetCurrentProcessId(), InterlockedIncrement(&counter));
    if (CreateDirectoryA(name, 0)) {
      path_ = name;
      return;
    }
  }
}

static void RemoveTree(const std::string& dir) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::string name = fd.cFileName;
      if (name == "." || name == "..") continue;
      std::string full = dir + "\\" + name;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(full);
      } else {
        SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(full.c_str());
      }
    } while (FindNextFileA(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryA(dir.c_str());
}

TempDir::~TempDir() { RemoveTree(path_); }

bool WriteBytes(const std::string& path, const std::string& bytes) {
  ScopedHandle f(CreateFileA(path.c_str(), GENERIC_WRITE, 0, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, 0));
  if (f.get() == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  return WriteFile(f.get(), bytes.data(), (DWORD)bytes.size(), &written, 0) && written == bytes.size();
}

bool ReadBytes(const std::string& path, std::string* bytes) {
  ScopedHandle f(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, 0, OPEN_EXISTING, 0, 0));
  if (f.get() == INVALID_HANDLE_VALUE) return false;
  bytes->clear();
  char buf[65536];
  DWORD got = 0;
  while (ReadFile(f.get(), buf, sizeof buf, &got, 0) && got > 0) bytes->append(buf, got);
  return true;
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// bytes (in codePage) back from UTF-16 exactly, or "".
static std::string Exactly(UINT codePage, const std::wstring& letters) {
  char bytes[1024];
  BOOL lossy = FALSE;
  bool utf8 = codePage == CP_UTF8;
  int n = WideCharToMultiByte(codePage, utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS, letters.c_str(), -1,
                              bytes, sizeof bytes, 0, utf8 ? nullptr : &lossy);
  return n > 0 && !lossy ? bytes : "";
}

static std::wstring Letters(UINT codePage, const std::string& bytes) {
  wchar_t letters[512];
  return MultiByteToWideChar(codePage, 0, bytes.c_str(), -1, letters, 512) ? letters : L"";
}

std::string HeldNonAscii(const std::string& cp1250) {
  if (Exactly(CP_ACP, Letters(CP_ACP, cp1250)) == cp1250) return cp1250;
  std::string same = Exactly(CP_ACP, Letters(1250, cp1250));
  return !same.empty() ? same : "\xB1\xB2\xB3 \xB4\xB5.exe";
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = found.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

bool MakeSizedFile(const std::string& path, long long size) {
  ScopedHandle f(CreateFileA(path.c_str(), GENERIC_WRITE, 0, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, 0));
  if (f.get() == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER at;
  at.QuadPart = size;
  return SetFilePointerEx(f.get(), at, 0, FILE_BEGIN) && SetEndOfFile(f.get());
}

bool CopyFileTo(const std::string& from, const std::string& to) {
  return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

long long SizeOf(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return ((long long)data.nFileSizeHigh << 32) | data.nFileSizeLow;
}

long long SizeOfUtf8(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(WideFromUtf8(path).c_str(), GetFileExInfoStandard, &data)) return -1;
  return ((long long)data.nFileSizeHigh << 32) | data.nFileSizeLow;
}

// ---- windows -----------------------------------------------------------------

std::string ClassOf(HWND window) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

// ---- resources ---------------------------------------------------------------

DWORD HandleCount() { return (DWORD)ProcessHandleCount(GetCurrentProcess()); }
DWORD GdiObjectCount() { return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS); }
DWORD UserObjectCount() { return GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS); }

// ---- processes ---------------------------------------------------------------

long RunAndWait(const std::string& commandLine, DWORD timeoutMs, std::string* output, const char* directory) {
  std::wstring wideDirectory = directory ? WideFromUtf8(Utf8FromCodePage(CP_ACP, directory)) : L"";
  return RunAndWait(WideFromUtf8(Utf8FromCodePage(CP_ACP, commandLine)), timeoutMs, output,
                    directory ? wideDirectory.c_str() : nullptr);
}

long RunAndWait(const std::wstring& commandLine, DWORD timeoutMs, std::string* output, const wchar_t* directory) {
  SECURITY_ATTRIBUTES sa = {sizeof sa, 0, TRUE};
  HANDLE readEnd = 0, writeEnd = 0;
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  if (output) {
    if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return -1;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = writeEnd;
    si.hStdError = writeEnd;
  }
  PROCESS_INFORMATION pi = {};
  std::wstring cmd = commandLine;
  BOOL ok = CreateProcessW(0, &cmd[0], 0, 0, output ? TRUE : FALSE, 0, 0, directory, &si, &pi);
  if (writeEnd) CloseHandle(writeEnd);
  if (!ok) {
    if (readEnd) CloseHandle(readEnd);
    return -1;
  }
  CloseHandle(pi.hThread);
  const DWORD start = GetTickCount();
  bool late = false;
  if (output) {
    // Everything written until the last writer closes the pipe, read only as
    // far as it is there, so that a program that never ends cannot hold this
    // read past the time-out.
    output->clear();
    char buf[4096];
    DWORD ready = 0, got = 0;
    while (PeekNamedPipe(readEnd, 0, 0, 0, &ready, 0)) {
      if (ready) {
        if (ReadFile(readEnd, buf, ready < sizeof buf ? ready : sizeof buf, &got, 0)) output->append(buf, got);
      } else if (GetTickCount() - start >= timeoutMs) {
        late = true;
        break;
      } else {
        Sleep(5);
      }
    }
    CloseHandle(readEnd);
  }
  DWORD code = (DWORD)-1, spent = GetTickCount() - start;
  if (!late && WaitForSingleObject(pi.hProcess, spent < timeoutMs ? timeoutMs - spent : 0) == WAIT_OBJECT_0) {
    GetExitCodeProcess(pi.hProcess, &code);
  } else {
    TerminateProcess(pi.hProcess, 1);
    std::string line = "RunAndWait: " + Utf8FromWide(commandLine) + " did not end (and close its output) within " +
                       std::to_string(timeoutMs) + " ms; it was ended\n";
    DWORD written;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.data(), (DWORD)line.size(), &written, 0);
  }
  CloseHandle(pi.hProcess);
  return (long)code;
}

// ---- waits -------------------------------------------------------------------

testing::AssertionResult Signalled(HANDLE handle, DWORD ms, const char* what) {
  DWORD result = WaitForSingleObject(handle, ms);
  if (result == WAIT_OBJECT_0) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "waited " << ms << " ms for " << what << ", which never happened"
                                     << (result == WAIT_FAILED ? " (the wait itself failed)" : "");
}

Deadline::Deadline(DWORD ms, const std::string& what) : ms_(ms) {
  const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
  message_ = std::string("\n*** ") + (test ? std::string(test->test_suite_name()) + "." + test->name() : "no test") +
             ": waited " + std::to_string(ms) + " ms for " + what + ", which never happened; the test program ends "
             "here\n";
  done_ = CreateEventA(0, TRUE, FALSE, 0);
  thread_ = CreateThread(0, 0, Watch, this, 0, 0);
}

Deadline::~Deadline() {
  SetEvent(done_);
  // The watch ends as soon as it sees the event (or is ending the program).
  if (thread_) {
    WaitForSingleObject(thread_, 10000);
    CloseHandle(thread_);
  }
  CloseHandle(done_);
}

DWORD WINAPI Deadline::Watch(void* self) {
  Deadline* d = (Deadline*)self;
  if (WaitForSingleObject(d->done_, d->ms_) != WAIT_TIMEOUT) return 0;
  DWORD written;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), d->message_.data(), (DWORD)d->message_.size(), &written, 0);
  TerminateProcess(GetCurrentProcess(), 3);
  return 0;
}
