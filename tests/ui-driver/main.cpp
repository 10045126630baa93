// ui-driver.exe: drives a running zimbrel.exe from a script given on the
// command line, steps separated by ";" arguments. See Usage below. The
// command line is read as UTF-16 and its texts are taken as UTF-8, as the
// driver takes them.
#include <windows.h>
#include <shellapi.h>
#include <stdio.h>
#include <stdlib.h>

#include "tests/ui-driver/driver.h"

// A format: the window's title and level items go in from the tests' expected texts.
static const char Usage[] =
    "usage: ui-driver.exe [--timeout MS] STEP [; STEP]...\n"
    "Drives zimbrel.exe (window \"%s\") as a person would. Steps:\n"
    "  start EXE [DIR]        start EXE (working directory DIR) and wait for its window\n"
    "  attach [PID]           use the window of process PID, or of any process\n"
    "  real | posted          give input as real keys and clicks (default) or as posted messages\n"
    "  type TEXT              replace the path field's text by typing TEXT\n"
    "  paste TEXT             replace the path field's text by pasting TEXT from the clipboard\n"
    "  field [TEXT]           print the path field's text (and check that it is TEXT)\n"
    "  level INDEX            choose level INDEX (0 \"%s\" .. 8 \"%s\", 9 \"%s\", 10 \"%s\")\n"
    "  level-text [TEXT]      print the level shown (and check it)\n"
    "  click browse|compress  press a button\n"
    "  box [CAPTION [TEXT [ICON]]]  wait for a message box, print it (and check it)\n"
    "  ok                     press the message box's OK button\n"
    "  choose PATH            put PATH into the open dialog's name box and press Open\n"
    "  cancel                 cancel the open dialog\n"
    "  close                  close the window through its system menu\n"
    "  exit-code [CODE]       wait for the program to end, print (and check) its exit code\n"
    "  sleep MS               wait\n"
    "Texts are printed as UTF-8 with bytes below 32 or from 128 up as \\xHH (\\r, \\n, \\\\ for\n"
    "those); box takes its CAPTION and TEXT in that form, the other steps take texts as they are.\n"
    "Every wait ends after the timeout (default 20000 ms). When a step fails, a program that\n"
    "start started is ended. Exit status: 0 when every step did what it should, 1 at the\n"
    "first step that did not, 2 for a wrong script.\n";

static void PrintUsage() {
  fprintf(stderr, Usage, kWindowTitle.c_str(), kLevelItems[0].c_str(), kLevelItems[8].c_str(), kLevelItems[9].c_str(),
          kLevelItems[10].c_str());
}

struct Script {
  DriverApp app;
  bool started = false;
  DriverBox box;
  DWORD timeout = 20000;
};

static int Failed(const char* step, const std::string& why) {
  printf("FAILED %s: %s\n", step, why.c_str());
  return 1;
}

static int Check(const char* step, const std::string& what, const std::string& seen, const std::string& wanted) {
  printf("%s \"%s\"\n", what.c_str(), DriverEscape(seen).c_str());
  if (seen != wanted) return Failed(step, "expected \"" + DriverEscape(wanted) + "\"");
  return 0;
}

static bool NeedApp(const Script& s) { return s.app.window != 0; }

// Runs one step; 0 done, 1 failed, 2 not understood.
static int RunStep(Script& s, char** args, int n) {
  std::string step = args[0];
  const char* name = args[0];
  if (step == "start" && (n == 2 || n == 3)) {
    bool up = DriverStart(&s.app, args[1], n == 3 ? args[2] : "", s.timeout);
    s.started = s.app.process != 0;
    if (!up) return Failed(name, DriverError());
    printf("started process %lu\n", s.app.processId);
    return 0;
  }
  if (step == "attach" && n <= 2) {
    if (!DriverAttach(&s.app, n == 2 ? strtoul(args[1], 0, 10) : 0, s.timeout)) return Failed(name, DriverError());
    printf("attached to process %lu\n", s.app.processId);
    return 0;
  }
  if (step == "sleep" && n == 2) {
    Sleep(strtoul(args[1], 0, 10));
    return 0;
  }
  if (!NeedApp(s)) return step == "real" || step == "posted" || step == "type" || step == "paste" ||
                                 step == "field" || step == "level" || step == "level-text" || step == "click" ||
                                 step == "box" || step == "ok" || step == "choose" || step == "cancel" ||
                                 step == "close" || step == "exit-code"
                             ? Failed(name, "no program: start or attach first")
                             : 2;
  if ((step == "real" || step == "posted") && n == 1) {
    s.app.input = step == "real" ? DRIVER_INPUT_REAL : DRIVER_INPUT_POSTED;
    return 0;
  }
  if ((step == "type" || step == "paste") && n == 2) {
    bool done = step == "type" ? DriverTypeText(&s.app, args[1], s.timeout)
                               : DriverPasteText(&s.app, args[1], s.timeout);
    if (!done) return Failed(name, DriverError());
    return 0;
  }
  if (step == "field" && n <= 2) {
    std::string text = DriverFieldText(&s.app);
    return Check(name, "field", text, n == 2 ? args[1] : text);
  }
  if (step == "level" && n == 2) {
    if (!DriverSelectLevel(&s.app, atoi(args[1]), s.timeout)) return Failed(name, DriverError());
    return 0;
  }
  if (step == "level-text" && n <= 2) {
    std::string text = DriverLevelText(&s.app);
    return Check(name, "level", text, n == 2 ? args[1] : text);
  }
  if (step == "click" && n == 2) {
    std::string which = args[1];
    HWND button = which == "browse" ? s.app.browseButton : which == "compress" ? s.app.compressButton : 0;
    if (!button) return 2;
    if (!DriverClick(&s.app, button)) return Failed(name, DriverError());
    return 0;
  }
  if (step == "box" && n <= 4) {
    if (!DriverWaitBox(&s.app, s.timeout, &s.box)) return Failed(name, DriverError());
    std::string buttons;
    for (const std::string& b : s.box.buttons) buttons += (buttons.empty() ? "" : ",") + DriverEscape(b);
    printf("box caption \"%s\" text \"%s\" icon %ld buttons [%s]\n", DriverEscape(s.box.caption).c_str(),
           DriverEscape(s.box.text).c_str(), s.box.icon, buttons.c_str());
    if (n >= 2 && s.box.caption != DriverUnescape(args[1])) return Failed(name, "another caption expected");
    if (n >= 3 && s.box.text != DriverUnescape(args[2])) return Failed(name, "another text expected");
    if (n >= 4 && s.box.icon != atol(args[3])) return Failed(name, "another icon expected");
    return 0;
  }
  if (step == "ok" && n == 1) {
    if (!s.box.handle && !DriverWaitBox(&s.app, s.timeout, &s.box)) return Failed(name, DriverError());
    bool answered = DriverAnswerBox(s.box.handle, IDOK, s.timeout);
    s.box = DriverBox();
    return answered ? 0 : Failed(name, DriverError());
  }
  if ((step == "choose" && n == 2) || (step == "cancel" && n == 1)) {
    HWND dialog = DriverWaitFileDialog(&s.app, s.timeout);
    if (!dialog) return Failed(name, DriverError());
    bool done = n == 2 ? DriverChooseFile(dialog, args[1], s.timeout) : DriverCancelFileDialog(dialog, s.timeout);
    return done ? 0 : Failed(name, DriverError());
  }
  if (step == "close" && n == 1) return DriverClose(&s.app) ? 0 : Failed(name, DriverError());
  if (step == "exit-code" && n <= 2) {
    DWORD code = 0;
    if (!DriverWaitExit(&s.app, s.timeout, &code)) return Failed(name, DriverError());
    printf("exit code %lu\n", code);
    if (n == 2 && code != strtoul(args[1], 0, 10)) return Failed(name, "another exit code expected");
    return 0;
  }
  return 2;
}

int main() {
  // The arguments as UTF-8, whatever the system's code page.
  int argc = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!wide) return 2;
  std::vector<std::string> texts;
  for (int i = 0; i < argc; i++) texts.push_back(Utf8FromWide(wide[i]));
  LocalFree(wide);
  std::vector<char*> args;
  for (std::string& text : texts) args.push_back(&text[0]);
  char** argv = args.data();
  Script s;
  int first = 1;
  if (argc > 2 && !strcmp(argv[1], "--timeout")) {
    s.timeout = strtoul(argv[2], 0, 10);
    first = 3;
  }
  if (first >= argc) {
    PrintUsage();
    return 2;
  }
  int result = 0;
  for (int i = first; i < argc && result == 0;) {
    int end = i;
    while (end < argc && strcmp(argv[end], ";") != 0) end++;
    if (end > i) {
      result = RunStep(s, argv + i, end - i);
      if (result == 2) {
        fprintf(stderr, "not a step: %s (with %d arguments)\n\n", argv[i], end - i - 1);
        PrintUsage();
      }
    }
    fflush(stdout);
    i = end + 1;
  }
  if (result != 0 && s.started && DriverProcessRunning(s.app.processId)) {
    DriverKill(&s.app);
    printf("ended the program\n");
  }
  DriverRelease(&s.app);
  return result;
}
