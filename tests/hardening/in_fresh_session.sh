#!/usr/bin/env bash
# Runs the hardening program in a fresh Wine session: the Wine server is
# restarted first, and left running afterwards.
# The soak counts the program's private memory over many requests. Under
# Wine 10, once the end-to-end programs have run in the same session, a
# packing Zimbrel keeps about 300 bytes more for each request than it does in
# a fresh session (Wine 8 does not; neither did the program before its window
# stayed alive during a pack). A restart of the Wine server clears it, so the
# state lies in what the earlier programs left there; what it is has not been
# found yet (not the taskbar, the flash, the dispatching wait, the system
# menu, the timer, the log-off reason or the packer's full name, each ruled
# out by leaving it out). The soak measures this program, not that state.
#   usage: in_fresh_session.sh BUILD_DIR [gtest arguments]
set -uo pipefail
build=$1
shift
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all
wineserver -k; wineserver -w
wineserver -p >/dev/null 2>&1
wine cmd /c exit </dev/null >/dev/null 2>&1
exec "$build/wine-run" "$build/test_hardening.exe" "$@"
