#!/usr/bin/env bash
# Runs the app-window program's check of the window at the display's DPI, and
# its DPI changes (tried from a 125% display), with the display set to DPI (the
# prefix's LogPixels), then sets it back to 96.
# Wine reads the DPI once for a session (Wine 10 in its desktop process), so
# the Wine server is restarted around the run; it is left running afterwards.
#   usage: run_at_dpi.sh BUILD_DIR DPI
set -uo pipefail
build=$1 dpi=$2
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all
set_dpi() {
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f </dev/null >/dev/null 2>&1
  wineserver -k; wineserver -w
  wineserver -p >/dev/null 2>&1
  wine cmd /c exit </dev/null >/dev/null 2>&1
}
set_dpi "$dpi"
ZIMBREL_EXPECT_DPI=$dpi "$build/wine-run" "$build/test_app_window.exe" --gtest_filter='WindowScale.At*:WindowScale.DpiChanges*'
code=$?
set_dpi 96
exit $code
