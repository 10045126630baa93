// The kinds of text that cross the program's doors, kept apart by the
// compiler, each a single pointer that costs what the pointer did:
// - a program text: Windows-1250 bytes of the program's own (app/texts.txt),
//   shown only through the conversion to UTF-16 (WideText);
// - a path: UTF-16, as the user gave it; its view in the system's code page
//   is only ever the exact conversion, never the system's best fit, which
//   would name another file;
// - the packer's own words: plain ASCII as far as the program can tell,
//   shown only through a conversion that keeps printable ASCII alone;
// - the packer's switches: ASCII that the program writes itself;
// - a program's parameters: the system's code page, made only from switches
//   and a path's exact view.
// None is made implicitly from a raw char* or wchar_t*, so a path handed
// where a text belongs, or a text where a path does, does not build. Tests
// that must hand raw bytes take them through raw_bytes.h, which no file of
// the program includes.
// The kinds are made on the conversions of code_pages.h, which know nothing
// of them.
#pragma once
#include "runtime/common.h"
#include "runtime/text/code_pages.h"

class ProgramParameters;
class PathText;

class ProgramText {
 public:
  // A literal, or a constant array filled from literals (a level's item):
  // the only texts written in the program's sources are its own.
  template <size_t N>
  constexpr ProgramText(const char (&literal)[N]) : bytes(literal) {}
  // A writable array is not: a path read into a buffer would be one.
  template <size_t N>
  ProgramText(char (&)[N]) = delete;
  const char* Bytes() const { return bytes; }

 private:
  explicit constexpr ProgramText(const char* built) : bytes(built) {}
  const char* bytes;
  friend class ProgramTextBuilder;
  friend ProgramText RawProgramText(const char* bytes);
};

class PathText {
 public:
  // Read from the screen, a dialog or a drop; null counts as "".
  explicit PathText(const wchar_t* given) : wide(given ? given : L"") {}
  const wchar_t* Wide() const { return wide; }
  // The path in the system's code page, exactly, as a temporary text; null
  // when that code page lacks one of its letters (or memory runs out).
  char* Ansi() const { return AnsiFromWideExact(wide); }
  // Whether that view exists, asking for no memory: a null view may also
  // mean that memory ran out, which says nothing of the letters.
  bool InCodePage() const { return CodePageHoldsExactly(wide); }

 private:
  const wchar_t* wide;
};

class AsciiText {
 public:
  explicit AsciiText(const char* words) : bytes(words) {}
  const char* Bytes() const { return bytes; }

 private:
  const char* bytes;
};

// A text of the program as UTF-16, for the one call that shows it. Every
// text of the program fits the room on the stack, so showing it needs no
// memory; a longer one goes to the ring of temporary texts, and is "" when
// memory runs out.
const int WIDE_TEXT_ROOM = 256;
struct WideText {
  explicit WideText(ProgramText text);
  // A copy would point into the room of the one it was copied from.
  WideText(const WideText&) = delete;
  WideText& operator=(const WideText&) = delete;
  operator const wchar_t*() const { return text; }
  wchar_t* text;
  wchar_t room[WIDE_TEXT_ROOM];
};

// A program text built from pieces in the caller's room, cut to its size.
class ProgramTextBuilder {
 public:
  ProgramTextBuilder(char* room, int size) : room(room), size(size), used(0) { room[0] = 0; }
  void Append(ProgramText text) { Add(text.Bytes(), false); }
  // Printable ASCII is kept as it came, every other byte becomes '?': the
  // words are in the code page of whoever wrote them, which the box does not
  // read.
  void Append(AsciiText words) { Add(words.Bytes(), true); }
  ProgramText Text() const { return ProgramText(room); }

 private:
  void Add(const char* piece, bool asciiOnly);
  char* room;
  int size;
  int used;
};

// A box's text in UTF-16: the program's own texts (converted from 1250) with
// a path's letters among them, which no program text can hold. Made only by
// the builder below, so a raw UTF-16 text does not pass for one.
class BoxText {
 public:
  const wchar_t* Wide() const { return wide; }

 private:
  explicit BoxText(const wchar_t* built) : wide(built) {}
  const wchar_t* wide;
  friend class BoxTextBuilder;
};

// A box text built from pieces in the caller's room (size letters): a path's
// letters cut to the room, a program text left out when it does not fit whole.
class BoxTextBuilder {
 public:
  BoxTextBuilder(wchar_t* room, int size) : room(room), size(size), used(0) { room[0] = 0; }
  void Append(ProgramText text);
  void Append(PathText path) { Add(path.Wide()); }
  void Append(BoxText text) { Add(text.Wide()); }
  BoxText Text() const { return BoxText(room); }
  bool Empty() const { return used == 0; }

 private:
  void Add(const wchar_t* letters);
  wchar_t* room;
  int size;
  int used;
};

// The switches the program gives the packer, ASCII of its own making (a
// level's switch, app/level_table.h). Made only by name, so that a path's
// bytes never go where the switches do.
class PackerSwitches {
 public:
  explicit PackerSwitches(const char* ascii) : bytes(ascii) {}
  const char* Bytes() const { return bytes; }

 private:
  const char* bytes;
};

class ProgramParameters {
 public:
  // Null when they could not be made.
  const char* Bytes() const { return bytes; }

 private:
  explicit ProgramParameters(const char* line) : bytes(line) {}
  const char* bytes;
  friend ProgramParameters ParametersWithPath(PackerSwitches switches, PathText path, char* room, int size);
  friend ProgramParameters RawProgramParameters(const char* bytes);
};

// switches, then the path's exact view in double quotes, in room; null bytes
// when the system's code page cannot hold the path or room is too small for
// the whole line.
ProgramParameters ParametersWithPath(PackerSwitches switches, PathText path, char* room, int size);
