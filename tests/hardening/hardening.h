// Shared by the hardening tests: how much to run, and a small file helper.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// The normal test command runs a quick cut of each hardening run; with
// ZIMBREL_HARDENING=full in the environment (scripts/hardening.sh) the runs
// are run whole.
bool FullRun();
// A count for the quick cut or the full run.
inline int Amount(int quick, int full) { return FullRun() ? full : quick; }

// The lines of a text file (CR LF or LF), none when it is not there.
std::vector<std::string> FileLines(const std::string& path);
