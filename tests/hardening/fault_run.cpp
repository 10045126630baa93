// The run of fault_run.h: the program's life with one allocation failing, and the checks made along it.
#include "tests/hardening/fault_run.h"

#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "app/main_window.h"
#include "runtime/gadget/gadget.h"
#include "runtime/memory/heaps.h"
#include "runtime/system/font.h"
#include "runtime/system/modal.h"
#include "runtime/window/events.h"
#include "runtime/window/sizing.h"
#include "runtime/window/window.h"
#include "tests/hardening/guard_fault.h"
#include "tests/support/expected_texts.h"
#include "tests/support/win_test.h"

namespace {

const long ORIGINAL_SIZE = 900;

std::vector<std::string> failures;
std::vector<std::string> notes;

void Fail(const std::string& what) { failures.push_back(what); }
void Note(const std::string& what) { notes.push_back(what); }

// The last words of a run that crashed: the parent sees them and the exit code.
LONG WINAPI Crashed(EXCEPTION_POINTERS* e) {
  printf("fail crash 0x%08lx at %p\n", e->ExceptionRecord->ExceptionCode, e->ExceptionRecord->ExceptionAddress);
  fflush(stdout);
  ExitProcess(3);
}

// Whether p points into this program's own image: the runtime's spare records
// are statics there, the ones it allocates live on the MainHeap.
bool InImage(const void* p) {
  BYTE* base = (BYTE*)GetModuleHandleA(0);
  IMAGE_NT_HEADERS* nt = (IMAGE_NT_HEADERS*)(base + ((IMAGE_DOS_HEADER*)base)->e_lfanew);
  return (BYTE*)p >= base && (BYTE*)p < base + nt->OptionalHeader.SizeOfImage;
}

std::string TextOf(HWND window) {
  char text[4096] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}


BOOL CALLBACK CountLabel(HWND child, LPARAM count) {
  char cls[16] = "";
  GetClassNameA(child, cls, sizeof cls);
  if (!lstrcmpiA(cls, "Static")) ++*(int*)count;
  return TRUE;
}

// What the thread's windows looked like while a dialog was up.
struct UnderDialog {
  HWND main = 0, front = 0;
  bool mainEnabled = false, frontEnabled = false, guardHeld = false;
};

bool LookUnderDialog(HWND, void* context) {
  UnderDialog* u = (UnderDialog*)context;
  u->mainEnabled = IsWindowEnabled(u->main) != 0;
  u->frontEnabled = IsWindowEnabled(u->front) != 0;
  u->guardHeld = ModalGuard != 0;
  return false;  // the catcher then dismisses the dialog as it was made to (cancel, or the first button)
}

// The phases of a run and the allocation count at the end of each.
struct Phase {
  const char* name;
  long end;
};

class FaultRun {
 public:
  FaultRun(long n, const std::string& mode) : n_(n), mode_(mode) {}
  int Run();

 private:
  void EndPhase(const char* name) {
    phases_.push_back({name, AllocCount()});
    FindHit();
  }
  bool HitIn(const char* name) const { return hit_ && !lstrcmpA(hit_, name); }
  void FindHit();
  void CheckWindowsFree(const char* when);
  void Browse();
  void Compress();
  void ClickThroughTheEventWait();
  void ShutDown();

  long n_;
  std::string mode_;
  std::string folder_, target_, log_;
  long base_ = 0;
  std::vector<Phase> phases_;
  const char* hit_ = 0;
  long hitOffset_ = 0;
  HWND main_ = 0, front_ = 0, field_ = 0, compress_ = 0, level_ = 0;
  std::string box_ = "none";
};

void FaultRun::FindHit() {
  if (hit_ || n_ <= 0 || AllocCount() < base_ + n_) return;
  long start = base_;
  for (const Phase& p : phases_) {
    if (base_ + n_ <= p.end) {
      hit_ = p.name;
      hitOffset_ = base_ + n_ - start;
      return;
    }
    start = p.end;
  }
}

// No window of the thread may be left disabled, and the guard holds nothing.
void FaultRun::CheckWindowsFree(const char* when) {
  if (ModalGuard) Fail(std::string("the modal guard still holds a window ") + when);
  if (!IsWindowEnabled(main_)) Fail(std::string("the main window is disabled ") + when);
  if (!IsWindowEnabled(front_)) Fail(std::string("the front window is disabled ") + when);
}

void FaultRun::Browse() {
  if (field_) SetWindowTextA(field_, "C:\\elozo.exe");
  UnderDialog under;
  under.main = main_;
  under.front = front_;
  size_t seen;
  const std::string fieldBefore = field_ ? TextOf(field_) : "";
  {
    BoxCatcher catcher(true);  // cancels the file dialog
    catcher.onBox = LookUnderDialog;
    catcher.context = &under;
    BrowseRequest();
    seen = catcher.boxes().size();
    for (const SeenBox& b : catcher.boxes())
      if (b.caption != kBrowseTitle) Fail("browsing showed \"" + b.caption + "\"");
  }
  EndPhase("browse");
  if (seen > 1) Fail("browsing showed more than one dialog");
  if (seen == 0) Note("no-file-dialog");
  if (field_ && TextOf(field_) != fieldBefore)
    Fail("the path field holds \"" + TextOf(field_) + "\" after a cancelled browse, not \"" + fieldBefore + "\"");
  if (seen == 1 && !under.mainEnabled) Note("main-disabled-under-dialog");
  if (seen == 1 && under.mainEnabled) Note("main-enabled-under-dialog");
  CheckWindowsFree("after browsing");
}

// What the stand-in leaves of the file in each mode the runs use.
static long long PackedSize(const std::string& mode) {
  if (mode == "shrink") return ORIGINAL_SIZE / 2;
  if (mode == "grow") return ORIGINAL_SIZE + 4096;
  if (mode == "truncate") return 0;
  if (mode == "delete") return -1;
  return ORIGINAL_SIZE;
}

// The runs go four at a time, so another run's window may be in front when
// the packer ends: the request's box then waits for this program to be in
// front again, as a person would bring it back; so does this, now and then.
static HWND frontWindow;
static void CALLBACK BringBack(HWND, UINT, UINT_PTR, DWORD) {
  DWORD process = 0;
  GetWindowThreadProcessId(GetForegroundWindow(), &process);
  if (process != GetCurrentProcessId()) SetForegroundWindow(frontWindow);
}

void FaultRun::Compress() {
  if (field_) SetWindowTextA(field_, target_.c_str());
  UnderDialog under;
  under.main = main_;
  under.front = front_;
  std::vector<SeenBox> boxes;
  {
    BoxCatcher catcher;
    catcher.onBox = LookUnderDialog;
    catcher.context = &under;
    // The guard run fails the main window's node in the guard that the box
    // puts up; the fault's number, once known, places it among the phases.
    if (n_ == FAULT_GUARD_NODE) guardFault.target = main_;
    frontWindow = front_;
    UINT_PTR bringing = SetTimer(0, 0, 200, BringBack);
    CompressRequestFromWindow();
    KillTimer(0, bringing);
    guardFault.target = 0;
    boxes = catcher.boxes();
  }
  if (n_ == FAULT_GUARD_NODE) {
    if (guardFault.at) n_ = guardFault.at - base_;
    else Fail("the modal guard made no node for the main window under the box");
  }
  EndPhase("compress");

  std::string logged;
  bool ran = ReadBytes(log_, &logged);
  long long after = SizeOf(target_);
  if (boxes.size() != 1) {
    Fail("the request showed " + std::to_string(boxes.size()) + " boxes");
    if (boxes.empty()) return;
  }
  const SeenBox& box = boxes[0];
  if (box.caption == kReportCaption && box.icon == kReportIcon) box_ = "report";
  else if (box.caption == kErrorCaption && box.text == kUnchanged) box_ = "unchanged";
  else if (box.caption == kErrorCaption && box.text == kPackerMissing) box_ = "missing";
  else if (box.caption == kNoFileCaption && box.text == kNoFileText) box_ = "nofile";
  else Fail("an unknown box \"" + box.caption + "\": \"" + box.text + "\"");
  LONG icon = box_ == "nofile" ? kNoFileIcon : kErrorIcon;
  if (box_ != "report" && box_ != "none" && box.icon != icon)
    Fail("the " + box_ + " box shows icon " + std::to_string(box.icon) + ", not " + std::to_string(icon));
  if (!under.mainEnabled) Note("main-disabled-under-box");
  else Note("main-enabled-under-box");

  if (ran) {
    // The stand-in ran once, for the file in the field, at the level shown.
    std::string level = level_ ? "--best " : "-1 ";
    std::string expected = "\"upx.exe\" " + level + "\"" + target_ + "\"\r\n";
    if (logged != expected) Fail("the packer was started as " + logged);
    long long packed = PackedSize(mode_);
    if (after != packed) Fail("the file has " + std::to_string(after) + " bytes after the packer");
    // The box follows the size alone: a report only for a changed size, with
    // the true sizes, and the warning for an unchanged one.
    if (after != ORIGINAL_SIZE) {
      if (box_ != "report") Fail("the packer changed the size, yet the box is " + box_);
      else if (box.text != Report(ORIGINAL_SIZE, after)) Fail("the report says \"" + box.text + "\"");
    } else if (box_ != "unchanged") {
      Fail("the size is unchanged, yet the box is " + box_);
    }
  } else {
    if (after != ORIGINAL_SIZE) Fail("the file changed without a packer run");
    if (box_ != "nofile" && box_ != "missing") Fail("no packer ran, yet the box is " + box_);
    // Only a failure inside the request, or a field that was never made, may
    // keep the packer from running.
    if (field_ && !HitIn("compress")) Fail("the packer did not run though nothing failed in the request");
    if (!field_ && box_ != "nofile") Fail("without a path field the box is " + box_);
  }
  CheckWindowsFree("after the request");
  HWND left = FindWindowExA(0, 0, "#32770", 0);
  DWORD pid = 0;
  if (left) GetWindowThreadProcessId(left, &pid);
  if (left && pid == GetCurrentProcessId()) Fail("a box is still up after the request");
}

// A press of the compress button, seen through the event wait as the loop sees it.
void FaultRun::ClickThroughTheEventWait() {
  if (!compress_) {
    EndPhase("event");
    return;
  }
  while (WaitEvent(0)) {
  }
  PostMessageA(compress_, BM_CLICK, 0, 0);
  bool seen = false;
  for (int i = 0; i < 40 && !seen; i++) {
    LONG code = WaitEvent(50);
    seen = code == EVENT_GADGET && EventSource() == GADGET_COMPRESS;
  }
  EndPhase("event");
  if (!seen) Fail("a press of the compress button gave no gadget event");
}

void FaultRun::ShutDown() {
  DestroyWindow(front_);
  AppShutDown();
  EndPhase("shutdown");
  if (ThreadWindowCount() != 0) Fail(std::to_string(ThreadWindowCount()) + " windows are left after shutdown");
  WNDCLASSA info;
  if (GetClassInfoA(InstanceHandle, "WindowClass_0", &info)) Fail("the main window's class is left registered");
}

int FaultRun::Run() {
  folder_ = BuildDir();
  std::string tag = mode_ + "-" + std::to_string(n_);
  target_ = folder_ + "\\target-" + tag + ".exe";
  log_ = folder_ + "\\log-" + tag + ".txt";
  DeleteFileA(log_.c_str());
  if (!WriteBytes(target_, std::string(ORIGINAL_SIZE, 'z'))) {
    printf("fail the file to pack could not be written\n");
    return 2;
  }
  SetEnvironmentVariableA("ZIMBREL_FAKE_UPX_MODE", mode_.c_str());
  SetEnvironmentVariableA("ZIMBREL_FAKE_UPX_LOG", log_.c_str());

  if (n_ == FAULT_GUARD_NODE && !StandInForEnumWindows()) {
    printf("fail the import of EnumWindows was not found\n");
    return 2;
  }
  base_ = AllocCount();
  AllocFaultArm(n_);
  BOOL up = AppStartUp();
  EndPhase("startup");
  main_ = WindowHandle(MainWindow);
  if (!up) {
    Note("startup-failed");
    if (main_ || ThreadWindowCount() != 0) Fail("a failed start-up leaves a window");
  } else {
    if (!main_ || !IsWindowVisible(main_)) Fail("start-up succeeded without a visible main window");
    field_ = GetDlgItem(main_, GADGET_PATH);
    level_ = GetDlgItem(main_, GADGET_LEVEL);
    compress_ = GetDlgItem(main_, GADGET_COMPRESS);
    if (!field_) Note("no-path-field");
    if (!level_) Note("no-level-list");
    if (!compress_) Note("no-compress-button");
    int labels = 0;
    EnumChildWindows(main_, CountLabel, (LPARAM)&labels);
    if (labels < 2) Note("labels-missing");
    if (InImage(Events)) Note("events-spare");
    if (InImage(Sizing)) Note("sizing-spare");
    if (InImage(Gadgets)) Note("gadgets-fallback");
    if (!GadgetTable) Note("no-gadget-table");
    if (!FontTable) Note("no-font-table");
    if (!FontHandle(APP_FONT)) Note("no-app-font");
    WindowRecord* record = (WindowRecord*)ObjectTableFind(WindowTable, MainWindow);
    if (record && !record->accelerators) Note("no-accelerators");
    if (record && record->accelerators && !record->acceleratorTable) Fail("the key table was not made");

    // A window of this thread in front, as another of the program's windows
    // would be: the modal guard then has the main window to disable.
    front_ = CreateWindowExA(0, "STATIC", "front", WS_POPUP | WS_VISIBLE | WS_BORDER, 0, 0, 80, 40, 0, 0, 0, 0);
    SetForegroundWindow(front_);
    PumpUntil([&] { return GetForegroundWindow() == front_; }, 1000);
    CheckWindowsFree("after start-up");
    Browse();
    Compress();
    ClickThroughTheEventWait();
    ShutDown();
  }

  printf("total %ld\n", AllocCount() - base_);
  for (const Phase& p : phases_) printf("phase %s %ld\n", p.name, p.end - base_);
  if (hit_) printf("hit %s %ld\n", hit_, hitOffset_);
  printf("box %s\n", box_.c_str());
  for (const std::string& s : notes) printf("note %s\n", s.c_str());
  for (const std::string& s : failures) printf("fail %s\n", s.c_str());
  fflush(stdout);
  return failures.empty() ? 0 : 2;
}

}  // namespace

void FaultRunIfAsked() {
  int argc = __argc;
  char** argv = __argv;
  if (argc != 4 || lstrcmpA(argv[1], "--fault-run")) return;
  SetUnhandledExceptionFilter(Crashed);
  FaultRun run(atol(argv[2]), argv[3]);
  ExitProcess((UINT)run.Run());
}
