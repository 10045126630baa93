// The level list, top to bottom: what each item says and which packer switch
// it stands for. The list is filled from it and the compress action takes the
// switch from it, so a level is added or changed here and nowhere else in the
// program (the test oracle has its own copy on purpose).
#pragma once
#include "runtime/common.h"

struct LevelRow {
  char text[8];          // the item as the list shows it, Windows-1250
  char packerSwitch[9];  // with its trailing space; "" for a numbered level, whose switch is made from its index
  bool isDefault;        // the item selected when the window opens
};

extern const LevelRow LEVEL_ROWS[];
extern const int LEVEL_COUNT;

// A numbered level's switch is "-", the level's number and a space, the number
// being one more than the index the list reports; any LONG index can come
// back, so the longest is "-" "-2147483647" " " (the NUL aside).
const int LEVEL_NUMBER_SWITCH_ROOM = 1 + 11 + 1 + 1;

// Room for any level's switch and its NUL: the compress action's buffer.
const int LEVEL_SWITCH_ROOM = LEVEL_NUMBER_SWITCH_ROOM > (int)sizeof(LevelRow::packerSwitch)
                                  ? LEVEL_NUMBER_SWITCH_ROOM
                                  : (int)sizeof(LevelRow::packerSwitch);
