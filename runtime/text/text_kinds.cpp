// The conversions and the builders of text_kinds.h.
#include "runtime/text/text_kinds.h"

#include "runtime/text/code_pages.h"

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

ProgramParameters ParametersWithPath(const char* switches, PathText path, char* room, int size) {
  const char* view = path.Ansi();
  if (!view || lstrlenA(switches) + lstrlenA(view) + 3 > size) return ProgramParameters(0);
  // The view goes in as it is: its bytes are already those the program reads.
  char* at = CopyTo(room, switches);
  *at++ = '"';
  at = CopyTo(at, view);
  *at++ = '"';
  *at = 0;
  return ProgramParameters(room);
}
