// The program's life of main_window.h.
#include "app/main_window.h"

#include "app/compression_request.h"
#include "app/level_table.h"
#include "app/path_check.h"
#include "app/pack_busy.h"
#include "app/texts.h"
#include "runtime/gadget/gadget.h"
#include "runtime/gadget/gadget_classes.h"
#include "runtime/gadget/gadget_scale.h"
#include "runtime/memory/strings.h"
#include "runtime/text/code_pages.h"
#include "runtime/runtime.h"
#include "runtime/system/display_scale.h"
#include "runtime/system/dropped_file.h"
#include "runtime/system/file_dialog.h"
#include "runtime/system/font.h"
#include "runtime/system/late_library.h"
#include "runtime/system/modal.h"
#include "runtime/system/path_size.h"
#include "runtime/window/events.h"
#include "runtime/window/window.h"

static LONG lastEvent;  // the event code WaitEvent returned last

// A label takes the application's font; the other gadgets keep the list's default.
static void CreateLabel(int x, int y, int width, int height, ProgramText text) {
  // Looked up before the label is made, though either order does: making a label
  // touches no font. 0 when the font did not load; the label then has the system font.
  HFONT font = FontHandle(APP_FONT);
  ObjectNumber label = TextLabelCreate(AUTO_NUMBER, x, y, width, height, text);
  GadgetSetFont(label, font);
}

static void CreateGadgets() {
  CreateLabel(5, 5, 25, 20, TEXT_EXE_LABEL);
  TextFieldCreate(GADGET_PATH, 30, 5, 150, 20, "");
  PushButtonCreate(GADGET_BROWSE, 185, 5, 60, 20, TEXT_BROWSE);
  // The label (x 5 to 125) and the list (from x 120) overlap by 5 pixels, which
  // nothing shows: the label's text ends well before x 120, and the list is drawn
  // whole (docs/zimbrel-window.png, taken under Wine).
  CreateLabel(5, 30, 120, 20, TEXT_LEVEL_LABEL);
  // 200 is the height of the opened list; the closed list is one line high.
  DropListCreate(GADGET_LEVEL, 120, 30, 60, 200);
  // The window's default button: Enter in the field or on the closed list presses it.
  PushButtonCreate(GADGET_COMPRESS, 185, 30, 60, 20, TEXT_COMPRESS, BS_DEFPUSHBUTTON);
}

static void FillLevels() {
  for (int i = 0; i < LEVEL_COUNT; i++) {
    GadgetAddItem(GADGET_LEVEL, -1, LEVEL_ROWS[i].text);
    if (LEVEL_ROWS[i].isDefault) GadgetSetState(GADGET_LEVEL, i);
  }
}

// The labels' font, made for dpi (0: the screen's); the labels of window
// that showed the font it replaces show the new one.
static void LoadAppFont(UINT dpi, HWND window) {
  HFONT previous = FontHandle(APP_FONT);
  FontLoadForDpi(APP_FONT, TEXT_FONT_FACE, 8, STYLE_BOLD, dpi);
  if (window) GadgetsReplaceFont(window, previous, FontHandle(APP_FONT));
}

// A path chosen or dropped goes into the field with its end in view: the
// file's name, the one thing that says which file will be rewritten, and the
// caret after it.
static void PutPathInField(const wchar_t* path) {
  GadgetSetTextWide(GADGET_PATH, path);
  HWND field = GetDlgItem(WindowHandle(MainWindow), GADGET_PATH);
  LPARAM end = lstrlenW(path);
  SendMessageW(field, EM_SETSEL, end, end);
  SendMessageW(field, EM_SCROLLCARET, 0, 0);
}

// A file dragged onto the window goes into the path field, replacing its text,
// as a file chosen with the browse button does; a drop of anything else (more
// than one file, a folder, no file) leaves the field as it was. Taken here, in
// whichever loop dispatches it, so the drop is always finished at once. Wine
// hands drops to a disabled window too: while a box or the open dialog holds
// the window, or a pack runs, a drop is not taken.
static LRESULT MainWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT busyAnswer = PackBusyMessage(window, message, wParam, lParam);
  if (busyAnswer != PASS_ON) return busyAnswer;
  // A new DPI: the labels' font is made for it; the runtime then places the
  // gadgets again and gives the others their default font for it.
  if (message == WM_DPICHANGED) {
    LoadAppFont(HIWORD(wParam), window);
    return PASS_ON;
  }
  if (message != WM_DROPFILES) return PASS_ON;
  wchar_t* path = DroppedFileTake((HDROP)wParam, IsWindowEnabled(window) && !PackBusy());
  if (path) PutPathInField(path);
  return 0;
}

BOOL AppStartUp() {
  // Zero although a new process starts with them zero: start-up always
  // begins from the same state, also when it runs again in one process.
  levelSwitch[0] = 0;
  sizeBefore = 0;
  sizeBeforeFull = 0;
  lastEvent = 0;
  // First of all, before any library is loaded by name: such libraries come
  // from the system folder alone, never from the program's own.
  LibrarySearchRestrict();
  // No step's result is looked at: a part that fails shows later as a
  // missing font or gadget, and only a missing window ends the program.
  RuntimeStart();

  LoadAppFont(0, 0);
  // 250 x 55 and every gadget's rectangle below are pixels at 96 DPI, which
  // the runtime scales to the window's DPI.
  // With a minimise box, so that a long pack can be put away.
  if (!WindowOpen(MainWindow, 0, 0, 250, 55, TEXT_WINDOW_TITLE,
                  WINDOW_DEFAULT_FLAGS | WS_MINIMIZEBOX | WINDOW_SCREEN_CENTRED))
    return FALSE;
  HWND window = WindowHandle(MainWindow);
  // Made before the window for the screen's DPI, as always; made again for
  // the window's when it is shown at another.
  UINT dpi = WindowDpi(window);
  if (dpi != ScreenDpi()) LoadAppFont(dpi, 0);
  GadgetListUse(window);
  CreateGadgets();
  FillLevels();
  WindowAcceptFiles(MainWindow, MainWindowMessage);
  // Typing goes into the path field from the start.
  SetFocus(GetDlgItem(window, GADGET_PATH));
  return TRUE;
}

// The path in the field, as path_check.h reads a field's text.
static PathText PathInField() { return PathInText(GadgetGetTextWide(GADGET_PATH)); }

// The dialog starts at the file the field names (in its folder, with its name
// chosen), or in the folder the field names; otherwise where the system
// remembers (also for a field that the system's code page cannot hold, which
// the dialog is not given). The chosen name goes into the field as it was
// chosen, also one that the code page cannot hold: the request then hands it
// to the packer under a stand-in, rather than the field showing a look-alike
// that names another file. A dialog cancelled, or one that cannot open,
// leaves the field as it was.
void BrowseRequest() {
  PathText path = PathInField();
  PathText start(L"");
  if (path.Wide()[0]) {
    int64_t size = PathSize(path);
    if (size >= 0) start = path;
    // A folder: the dialog is given it with a closing backslash, so that all
    // of it is the folder and no name is chosen.
    if (size == -2) {
      int length = lstrlenW(path.Wide());
      wchar_t* folder = WideTemp(length + 1);
      if (folder) {
        for (int i = 0; i <= length; ++i) folder[i] = path.Wide()[i];
        if (length && folder[length - 1] != '\\') {
          folder[length] = '\\';
          folder[length + 1] = 0;
        }
        start = PathText(folder);
      }
    }
  }
  const wchar_t* chosen = FileDialogOpen(TEXT_BROWSE_TITLE, start, TEXT_EXE_PATTERN, 0);
  if (chosen && chosen[0]) PutPathInField(chosen);
}

// The field's text as the path it names, in UTF-16 as it was given. The
// packer takes its path in the system's code page, whose best fit of a letter
// it lacks would name another file (a look-alike letter, or even '\', '/' or
// '.'): the request gives it such a name only under a stand-in.
static PathText ReadPathField(void*) { return PathInField(); }

static LONG ReadLevelList(void*) { return GadgetGetState(GADGET_LEVEL); }

// The packer runs while the window stays alive but busy (pack_busy.h). Its
// console window (started from Explorer, the program has no console, so the
// packer gets one of its own) comes up without taking the activation; after
// the run the window comes to the front for the box, unless the user has gone
// on in another program meanwhile: the box then waits for the window.
static intptr_t RunPackerBeforeBox(PathText program, ProgramParameters parameters, PathText directory,
                                   ProgramEnd* end) {
  PackBusyBegin();
  intptr_t started = ProgramRunWatched(program, parameters, directory, end);
  PackBusyAfterRun();
  return started;
}

// The request's boxes, once the window may show them; none when the session ended.
static int BoxWhenSeen(ProgramText caption, ProgramText text, UINT flags) {
  return PackBusyBeforeBox() ? MessageDialog(caption, text, flags) : 0;
}
static int NamedBoxWhenSeen(ProgramText caption, BoxText text, UINT flags) {
  return PackBusyBeforeBox() ? BoxDialog(caption, text, flags) : 0;
}

static const CompressionServices WINDOW_SERVICES = {PathSize, RunPackerBeforeBox, BoxWhenSeen, NamedBoxWhenSeen};

void CompressRequestFromWindow() {
  CompressionReaders readers = {ReadPathField, ReadLevelList, 0};
  CompressionRequest(readers, WINDOW_SERVICES);
  // Every request after a pack shows a box, which gives the window back;
  // this makes sure of it.
  PackBusyBeforeBox();
}

void AppEventLoop() {
  do {
    lastEvent = WaitEvent();
    if (lastEvent == EVENT_GADGET) {
      ObjectNumber source = EventSource();
      if (source == GADGET_BROWSE) BrowseRequest();
      else if (source == GADGET_COMPRESS) CompressRequestFromWindow();
    }
  } while (lastEvent != EVENT_CLOSE);
}

void AppShutDown() {
  PackBusyShutDown();
  RuntimeStop();
}
