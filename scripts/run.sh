#!/usr/bin/env bash
# Sets up everything on a fresh Debian 12 machine (as root), builds Zimbrel, puts upx.exe
# beside zimbrel.exe and starts the program under Wine on your display. Without a usable
# display it runs on a virtual one, says so, and saves a screenshot of the window.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export ZIMBREL_BUILD=${ZIMBREL_BUILD:-$root/build}
echo "Building Zimbrel in $ZIMBREL_BUILD ..."
bash "$root/scripts/build.sh" >"$ZIMBREL_BUILD.log" 2>&1 || { tail -20 "$ZIMBREL_BUILD.log"; exit 1; }
source "$root/scripts/wine-env.sh"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  zimbrel_start_wine
  # The wineserver started for this run ends with it.
  trap zimbrel_stop EXIT
  echo "Starting Zimbrel on display $DISPLAY ($ZIMBREL_BUILD/zimbrel.exe, upx.exe beside it)."
  cd "$ZIMBREL_BUILD"
  wine "$ZIMBREL_BUILD/zimbrel.exe"
  exit
fi

zimbrel_start_display
trap zimbrel_stop EXIT
echo "No usable display: Zimbrel runs on the virtual display $DISPLAY."
shot="$ZIMBREL_BUILD/zimbrel-screenshot.png"
bash "$root/scripts/screenshot.sh" "$shot"
echo "A screenshot of its window after start-up is saved as $shot; the program was then closed."
