// Helpers for tests that drive real windows, real message boxes, real files
// and real child processes under Wine.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

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

// What a message box showed.
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
// cancel is set). Thread-local WH_CBT hook on HCBT_ACTIVATE.
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
  HHOOK hook_;
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

// Resource counts of this process.
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

// Starts a command line and waits for it; the exit code, or -1 if it did not start.
// output (if given) receives what it wrote to standard output and error.
long RunAndWait(const std::string& commandLine, DWORD timeoutMs = 60000, std::string* output = nullptr,
                const char* directory = nullptr);
