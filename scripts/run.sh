#!/usr/bin/env bash
# Sets up everything on a fresh Debian 12 machine (as root), builds Zimbrel, puts upx.exe
# beside zimbrel.exe and starts the program under Wine on your display. Without a usable
# display it runs on a virtual one, says so, and saves a screenshot of the window.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export ZIMBREL_BUILD=${ZIMBREL_BUILD:-$root/build}
ZIMBREL_CMAKE_ARGS="${ZIMBREL_CMAKE_ARGS:-} -DZIMBREL_TESTS=OFF" bash "$root/scripts/build.sh" >/dev/null
source "$root/scripts/wine-env.sh"
exe="$ZIMBREL_BUILD/zimbrel.exe"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  zimbrel_start_wine
  echo "Starting Zimbrel on display $DISPLAY ($exe, with upx.exe beside it)."
  cd "$ZIMBREL_BUILD"
  wine "$exe"
  exit $?
fi

zimbrel_start_display
trap zimbrel_stop EXIT
zimbrel_start_wine
shot="$ZIMBREL_BUILD/zimbrel-screenshot.png"
echo "No usable display: Zimbrel runs on the virtual display $DISPLAY."
(cd "$ZIMBREL_BUILD" && wine "$exe") &
pid=$!
for _ in $(seq 1 100); do
  xwininfo -root -tree 2>/dev/null | grep -q '"Zimbrel v1.0"' && break
  sleep 0.1
done
sleep 0.5
id=$(xwininfo -root -tree | grep '"Zimbrel v1.0"' | awk '{print $1}' | head -1)
if [ -n "$id" ]; then
  import -window "$id" "$shot" 2>/dev/null || import -window root "$shot"
else
  import -window root "$shot"
fi
echo "A screenshot of its window is saved as $shot."
if [ -t 0 ]; then
  read -r -p "Press Enter to close Zimbrel. " _
fi
wine taskkill /im zimbrel.exe >/dev/null 2>&1 || true
wait "$pid" || true
