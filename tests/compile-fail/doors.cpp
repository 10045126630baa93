// The doors where the program's kinds of text meet, each passed the kind it
// takes and, with WRONG defined, the kind it does not: the two builds of a
// door differ only in the one value passed (RIGHT_OR_WRONG). check.sh builds
// each door both ways and expects the first to build and the second to fail
// with the diagnostic named on its "door" line, so that a failure for any
// other reason does not count. The other arguments of a door are values of
// their kind rather than literals: once one argument is refused, GCC also
// names a literal beside it, converted as a bare char*, as refused.
#include "app/compression_request.h"
#include "app/packer_outcome.h"
#include "app/texts.h"
#include "runtime/gadget/gadget.h"
#include "runtime/gadget/gadget_classes.h"
#include "runtime/system/file_dialog.h"
#include "runtime/system/font.h"
#include "runtime/system/modal.h"
#include "runtime/system/owners.h"
#include "runtime/system/path_size.h"
#include "runtime/system/program_runner.h"
#include "runtime/system/program_watch.h"
#include "runtime/text/code_pages.h"
#include "runtime/window/window.h"

#ifdef WRONG
#define RIGHT_OR_WRONG(right, wrong) wrong
#else
#define RIGHT_OR_WRONG(right, wrong) right
#endif

// A path field's readers: the path as the user gave it, or its bytes.
static PathText FieldPath(void*) { return PathText(nullptr); }
static const char* FieldBytes(void*) { return ""; }
static LONG FieldLevel(void*) { return 0; }

// What each door is handed: a path read from the user, the same path's
// bytes in a buffer, a program text, a program's parameters, UTF-16 as it
// came; and, for the packer's switches, switches named as such.
void Doors(PathText path, char* pathBytes, const wchar_t* wide, ProgramText text, ProgramParameters parameters) {
  (void)path, (void)pathBytes, (void)wide, (void)text, (void)parameters, (void)FieldPath, (void)FieldBytes,
      (void)FieldLevel;
  ProgramEnd end = {};
  (void)end;
#if DOOR == 1  // door 1: could not convert .* from .PathText. to .ProgramText.
  MessageDialog(text, RIGHT_OR_WRONG(text, path));
#elif DOOR == 2  // door 2: could not convert .* from .char\*. to .ProgramText.
  MessageDialog(RIGHT_OR_WRONG(text, pathBytes), TEXT_NO_FILE);
#elif DOOR == 3  // door 3: use of deleted function .*ProgramText::ProgramText\(char \(&\)
  char room[32] = "";
  GadgetSetText(0, RIGHT_OR_WRONG(TEXT_BROWSE, room));
#elif DOOR == 4  // door 4: could not convert .* from .const wchar_t\*. to .ProgramText.
  WindowOpen(0, 0, 0, 10, 10, RIGHT_OR_WRONG(TEXT_WINDOW_TITLE, wide));
#elif DOOR == 5  // door 5: could not convert .* from .PathText. to .ProgramText.
  FontLoad(0, RIGHT_OR_WRONG(TEXT_FONT_FACE, path), 8);
#elif DOOR == 6  // door 6: could not convert .* from .PathText. to .ProgramText.
  FileDialogOpen(RIGHT_OR_WRONG(TEXT_BROWSE_TITLE, path), path, TEXT_EXE_PATTERN, 0);
#elif DOOR == 7  // door 7: could not convert .* from .const char\*. to .PathText.
  FileDialogOpen(text, RIGHT_OR_WRONG(path, TEXT_BROWSE_TITLE), text, 0);
#elif DOOR == 8  // door 8: could not convert .* from .char\*. to .PathText.
  PathSize(RIGHT_OR_WRONG(path, pathBytes));
#elif DOOR == 9  // door 9: could not convert .* from .const wchar_t\*. to .PathText.
  PathSize(RIGHT_OR_WRONG(path, wide));
#elif DOOR == 10  // door 10: could not convert .* from .char\*. to .ProgramParameters.
  ProgramRunWatched(path, RIGHT_OR_WRONG(parameters, pathBytes), path, &end);
#elif DOOR == 11  // door 11: could not convert .* from .const wchar_t\*. to .PathText.
  ProgramRunWatched(path, parameters, RIGHT_OR_WRONG(path, wide), &end);
#elif DOOR == 12  // door 12: could not convert .* from .ProgramText. to .PathText.
  wchar_t temp[PACKER_TEMP_ROOM];
  PackerTempName(path, RIGHT_OR_WRONG(path, text), temp);
#elif DOOR == 13  // door 13: could not convert .* from .char\*. to .ProgramText.
  TextLabelCreate(0, 0, 0, 10, 10, RIGHT_OR_WRONG(text, pathBytes));
#elif DOOR == 14  // door 14: no matching function for call to .ProgramTextBuilder::Append\(char\*&\)
  char room[32];
  ProgramTextBuilder built(room, sizeof room);
  built.Append(RIGHT_OR_WRONG(AsciiText(pathBytes), pathBytes));
#elif DOOR == 15  // door 15: could not convert .* from .AsciiText. to .ProgramText.
  MessageDialog(text, RIGHT_OR_WRONG(text, AsciiText(end.errorLine)));
#elif DOOR == 16  // door 16: invalid conversion from .const char\* \(\*\)\(void\*\). to .PathText \(\*\)\(void\*\).
  CompressionReaders readers = {RIGHT_OR_WRONG(FieldPath, FieldBytes), FieldLevel, 0};
  (void)readers;
#elif DOOR == 17  // door 17: use of deleted function .WideText::WideText\(const WideText&\)
  WideText shown(text);
  const wchar_t* copied = RIGHT_OR_WRONG(shown, WideText(shown));
  (void)copied;
#elif DOOR == 18  // door 18: use of deleted function .OwnedHandle::OwnedHandle\(const OwnedHandle&\)
  OwnedHandle process(GetCurrentProcess());
  HANDLE kept = RIGHT_OR_WRONG(process.release(), OwnedHandle(process).release());
  (void)kept;
#elif DOOR == 19  // door 19: use of deleted function .OwnedInterface<Interface>::OwnedInterface\(const OwnedInterface<Interface>&\)
  OwnedInterface<IUnknown> object;
  IUnknown* kept = RIGHT_OR_WRONG(object.pointer, OwnedInterface<IUnknown>(object).pointer);
  (void)kept;
#elif DOOR == 20  // door 20: use of deleted function .ModalGuardScope::ModalGuardScope\(const ModalGuardScope&\)
  ModalGuardScope guard;
  HWND focus = RIGHT_OR_WRONG(guard.focus, ModalGuardScope(guard).focus);
  (void)focus;
#elif DOOR == 21  // door 21: could not convert .* from .char\*. to .PathText.
  ProgramRunWatched(RIGHT_OR_WRONG(ProgramBesideThis(L"upx.exe"), pathBytes), parameters, path, &end);
#elif DOOR == 22  // door 22: no matching function for call to .BoxTextBuilder::Append\(const wchar_t\*&\)
  wchar_t room[32];
  BoxTextBuilder built(room, 32);
  built.Append(RIGHT_OR_WRONG(path, wide));
#elif DOOR == 23  // door 23: could not convert .* from .const wchar_t\*. to .BoxText.
  wchar_t room[32];
  BoxTextBuilder built(room, 32);
  built.Append(text);
  BoxDialog(text, RIGHT_OR_WRONG(built.Text(), wide));
#elif DOOR == 24  // door 24: could not convert .* from .BoxText. to .ProgramText.
  wchar_t room[32];
  BoxTextBuilder built(room, 32);
  MessageDialog(text, RIGHT_OR_WRONG(text, built.Text()));
#elif DOOR == 25  // door 25: could not convert .* from .char\*. to .PackerSwitches.
  char room[64];
  PackerSwitches switches("--best ");
  ParametersWithPath(RIGHT_OR_WRONG(switches, pathBytes), path, room, sizeof room);
#elif DOOR == 26  // door 26: could not convert .* from .ProgramText. to .PackerSwitches.
  char room[64];
  PackerSwitches switches("--best ");
  ParametersWithPath(RIGHT_OR_WRONG(switches, text), path, room, sizeof room);
#elif DOOR == 27  // door 27: could not convert .* from .const char\*. to .ProgramParameters.
  ProgramRunIn(path, RIGHT_OR_WRONG(parameters, parameters.Bytes()), path, RUN_WAIT);
#elif DOOR == 28  // door 28: could not convert .* from .const wchar_t\*. to .PathText.
  ProgramRunIn(RIGHT_OR_WRONG(path, path.Wide()), parameters, path, RUN_WAIT);
#endif
}
