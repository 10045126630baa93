// The level list of level_table.h.
#include "app/level_table.h"

#include "app/texts.h"

extern const LevelRow LEVEL_ROWS[] = {
    {TEXT_LEVEL_PREFIX "1", "", false},
    {TEXT_LEVEL_PREFIX "2", "", false},
    {TEXT_LEVEL_PREFIX "3", "", false},
    {TEXT_LEVEL_PREFIX "4", "", false},
    {TEXT_LEVEL_PREFIX "5", "", false},
    {TEXT_LEVEL_PREFIX "6", "", false},
    {TEXT_LEVEL_PREFIX "7", "", false},
    {TEXT_LEVEL_PREFIX "8", "", false},
    {TEXT_LEVEL_PREFIX "9", "", false},
    {TEXT_LEVEL_BETTER, "--best ", true},
    {TEXT_LEVEL_MAX, "--brute ", false},
};

extern const int LEVEL_COUNT = sizeof LEVEL_ROWS / sizeof LEVEL_ROWS[0];
