#!/usr/bin/env bash
# Starts zimbrel.exe under Wine on the display (a virtual one when there is
# none), waits for its window, saves a picture of the window right after
# start-up, and closes the program again.
#   scripts/screenshot.sh [OUTPUT.png]     (default: docs/zimbrel-window.png)
#   ZIMBREL_BUILD  the build tree holding zimbrel.exe and ui-driver.exe
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/docs/zimbrel-window.png}
export ZIMBREL_BUILD=${ZIMBREL_BUILD:-$root/build}
source "$root/scripts/wine-env.sh"
zimbrel_start_display
zimbrel_start_wine
for tool in import xwininfo; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (imagemagick, x11-utils)" >&2; exit 1; }
done

"$ZIMBREL_BUILD/wine-run" "$ZIMBREL_BUILD/zimbrel.exe" </dev/null >/dev/null 2>&1 &
program=$!
close_program() {
  "$ZIMBREL_BUILD/wine-run" "$ZIMBREL_BUILD/ui-driver.exe" --timeout 5000 attach ';' close ';' exit-code \
    >/dev/null 2>&1 || kill "$program" 2>/dev/null || true
}
trap close_program EXIT

# The window's X id, once it is there and the program waits for input.
id=
for _ in $(seq 1 100); do
  id=$(xwininfo -root -tree 2>/dev/null | awk '/"Zimbrel v1.0"/ {print $1; exit}')
  [ -n "$id" ] && break
  sleep 0.2
done
[ -n "$id" ] || { echo "the window \"Zimbrel v1.0\" did not appear on $DISPLAY" >&2; exit 1; }
"$ZIMBREL_BUILD/wine-run" "$ZIMBREL_BUILD/ui-driver.exe" --timeout 10000 attach >/dev/null 2>&1 || true
sleep 0.5

info=$(xwininfo -id "$id")
x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
w=$(awk '/Width:/ {print $2}' <<<"$info")
h=$(awk '/Height:/ {print $2}' <<<"$info")
mkdir -p "$(dirname "$out")"
import -window root -crop "${w}x${h}+${x}+${y}" +repage "$out"
echo "saved ${w}x${h} picture of the window on $DISPLAY to $out"
