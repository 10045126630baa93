// Helpers for tests that drive real windows, real message boxes, real files
// and real child processes under Wine.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/resource-counts/resource_counts.h"
#include "tests/support/utf8.h"
// Tests hand raw bytes where the program hands its kinds of text.
#include "runtime/text/raw_bytes.h"

// Set by each test area (tests/<area>/area_setup.cpp): the runtime start-up
// steps that area needs, run once before the tests.
void AreaSetUp();

// The folder of the running test program (where zimbrel.exe, upx.exe and
// the helper programs are built); ends without a backslash.
std::string BuildDir();

// Dispatches this thread's messages for about ms milliseconds.
void PumpMessages(DWORD ms);
// Dispatches messages until done() is true or ms pass; done()'s last answer.
template <class Done> bool PumpUntil(Done done, DWORD ms) {
  DWORD start = GetTickCount();
  for (;;) {
    if (done()) return true;
    if (GetTickCount() - start >= ms) return done();
    MSG msg;
    while (PeekMessageA(&msg, 0, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    MsgWaitForMultipleObjects(0, 0, FALSE, 10, QS_ALLINPUT);
  }
}

// What a message box showed; its texts read as UTF-16 and kept as UTF-8.
struct SeenBox {
  std::string caption;
  std::string text;
  LONG icon = 0;        // 16, 32, 48 or 64 as MB_ICON* flags; 0 for none seen
  int buttons = 0;      // number of push buttons
  HWND owner = 0;
  std::vector<std::string> buttonTexts;
};

// While alive, every dialog box (class #32770) that this thread activates is
// read and then closed by pressing its first button (or by IDCANCEL when
// cancel is set). Thread-local WH_CBT hook on HCBT_ACTIVATE. A box of this
// thread that is still up BOX_LIMIT_MS after it came (one the hook never saw,
// or one left open) fails the test and is cancelled, so that the modal loop
// holding it ends.
const DWORD BOX_LIMIT_MS = 30000;
class BoxCatcher {
 public:
  explicit BoxCatcher(bool cancel = false);
  ~BoxCatcher();
  const std::vector<SeenBox>& boxes() const { return boxes_; }
  // Called for each box before it is dismissed; may do more with the dialog
  // (fill fields, press its own buttons) and return true to skip the default dismissal.
  bool (*onBox)(HWND box, void* context) = nullptr;
  void* context = nullptr;
 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
  static void CALLBACK Dismiss(HWND, UINT, UINT_PTR, DWORD);
  static DWORD WINAPI Backstop(void* self);
  HHOOK hook_;
  DWORD thread_;
  HANDLE stop_, backstop_;  // a thread of its own, so that no message of it reaches the tested code
  bool cancel_;
  std::vector<SeenBox> boxes_;
  BoxCatcher* outer_;
};

// A fresh folder under the temporary directory, removed with its contents.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "\\" + name; }
 private:
  std::string path_;
};

bool WriteBytes(const std::string& path, const std::string& bytes);
bool ReadBytes(const std::string& path, std::string* bytes);
bool FileExists(const std::string& path);
// A file of `size` bytes made sparse by setting its end (nothing is written).
bool MakeSizedFile(const std::string& path, long long size);
bool CopyFileTo(const std::string& from, const std::string& to);
// Size of a file, -1 when it is not there.
long long SizeOf(const std::string& path);
// The same for a path written in UTF-8, which may hold any letter.
long long SizeOfUtf8(const std::string& path);
// The names of the files and folders in folder, sorted.
std::vector<std::string> FolderEntries(const std::string& folder);

// A name with letters beyond ASCII that the system's code page holds exactly,
// as its bytes: cp1250 itself where its bytes mean letters of the code page
// that come back as they went (Windows-1250, 1251, 1252), else the same
// letters in the code page (UTF-8), else half-width katakana (932).
std::string HeldNonAscii(const std::string& cp1250);

// The name of a window's class ("" for no window).
std::string ClassOf(HWND window);

// Resource counts of this process. Handles are counted in the handle table
// where the system gives no count (see resource_counts.h, which also gives
// ThreadWindowCount()); the GDI and USER counts are the system's own, which
// Wine answers with 0.
DWORD HandleCount();
DWORD GdiObjectCount();
DWORD UserObjectCount();

// Owns a kernel handle.
struct ScopedHandle {
  HANDLE h;
  explicit ScopedHandle(HANDLE handle = 0) : h(handle) {}
  ~ScopedHandle() { if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  HANDLE get() const { return h; }
};

// Starts a command line and waits for it; the exit code, or -1 if it did not
// start or did not end within timeoutMs (it is then ended, and a line on the
// standard error says so). output (if given) receives what it wrote to
// standard output and error until it ended, or until the time ran out.
long RunAndWait(const std::string& commandLine, DWORD timeoutMs = 60000, std::string* output = nullptr,
                const char* directory = nullptr);
// The same with the command line and the directory in UTF-16, which the
// system's code page need not hold.
long RunAndWait(const std::wstring& commandLine, DWORD timeoutMs, std::string* output, const wchar_t* directory);

// Waits up to ms for handle to be signalled; on failure the message names
// what never happened, as in
//   EXPECT_TRUE(Signalled(ready, 10000, "the other thread to make its windows"));
testing::AssertionResult Signalled(HANDLE handle, DWORD ms, const char* what);

// For a step that blocks with no time-out of its own (a thread's end, a wait
// without a limit, a modal loop): once ms pass while the guard is alive, the
// test program writes which test waited for what to the standard error and
// ends at once with exit code 3. A blocked call cannot be taken back, so this
// is the only way to fail instead of hanging.
//   { Deadline d(10000, "the other thread to end"); thread.join(); }
class Deadline {
 public:
  Deadline(DWORD ms, const std::string& what);
  ~Deadline();
  Deadline(const Deadline&) = delete;
  Deadline& operator=(const Deadline&) = delete;
 private:
  static DWORD WINAPI Watch(void* self);
  DWORD ms_;
  std::string message_;
  HANDLE done_, thread_;
};
