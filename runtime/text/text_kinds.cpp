// The kinds of text_kinds.h that are more than a pointer: a program text
// shown as UTF-16, its builder, and a program's parameters.
#include "runtime/text/text_kinds.h"

WideText::WideText(ProgramText programText) {
  const char* source = programText.Bytes();
  text = room;
  // 1250 maps every byte, so a terminated text always has a length.
  int length = MultiByteToWideChar(TEXT_CODE_PAGE, 0, source, -1, 0, 0);
  if (length > WIDE_TEXT_ROOM) text = WideTemp((size_t)length - 1);
  if (!text || MultiByteToWideChar(TEXT_CODE_PAGE, 0, source, -1, text, length) != length) {
    text = room;
    room[0] = 0;
  }
}

void ProgramTextBuilder::Add(const char* piece, bool asciiOnly) {
  for (; *piece && used < size - 1; ++piece)
    room[used++] = asciiOnly && (unsigned char)(*piece - ' ') > '~' - ' ' ? '?' : *piece;
  room[used] = 0;
}

void BoxTextBuilder::Add(const wchar_t* letters) {
  while (*letters && used < size - 1) room[used++] = *letters++;
  room[used] = 0;
}

void BoxTextBuilder::Append(ProgramText text) {
  // 1250 maps every byte: a text either fits whole with its NUL or is left out.
  int added = MultiByteToWideChar(TEXT_CODE_PAGE, 0, text.Bytes(), -1, room + used, size - used);
  if (added) used += added - 1;
  room[used] = 0;
}

static char* CopyTo(char* at, const char* text) {
  while (*text) *at++ = *text++;
  return at;
}

ProgramParameters ParametersWithPath(PackerSwitches switches, PathText path, char* room, int size) {
  const char* view = path.Ansi();
  if (!view || lstrlenA(switches.Bytes()) + lstrlenA(view) + 3 > size) return ProgramParameters(0);
  // The view goes in as it is: its bytes are already those the program reads.
  char* at = CopyTo(room, switches.Bytes());
  *at++ = '"';
  at = CopyTo(at, view);
  *at++ = '"';
  *at = 0;
  return ProgramParameters(room);
}
