#!/usr/bin/env bash
# Starts zimbrel.exe under Wine on the display (a virtual one when there is
# none), waits for its window, saves a picture of the window right after
# start-up, and closes the program again.
#   scripts/screenshot.sh [OUTPUT.png]     (default: docs/zimbrel-window.png)
# With --docs it makes every picture of the README in docs/ from real runs: the
# window after start-up, and one of each of the program's four message boxes:
#   box-no-file.png           the compress button with an empty path field
#   box-packer-missing.png    a copy of zimbrel.exe in a folder without upx.exe
#   box-not-compressible.png  a text file named .exe given to the packer, which
#                             says it is no program it packs
#   box-report.png            one of Wine's own programs packed by upx.exe
#   zimbrel-window-packing.png  the window while upx.exe packs a copy of Wine's notepad.exe at "Max"
# and the window and one box again as a Western Windows (code page 1252) shows
# them, which must read the same as the Hungarian ones:
#   zimbrel-window-1252.png, box-not-compressible-1252.png
# and the window and that box at 150% (144 DPI):
#   zimbrel-window-144.png, box-not-compressible-144.png
#   scripts/screenshot.sh --docs [FOLDER]  (default: docs/)
#   ZIMBREL_BUILD  the build tree holding zimbrel.exe, upx.exe and ui-driver.exe
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
docs=
if [ "${1:-}" = --docs ]; then
  docs=${2:-$root/docs}
  out=$docs/zimbrel-window.png
else
  out=${1:-$root/docs/zimbrel-window.png}
fi
export ZIMBREL_BUILD=${ZIMBREL_BUILD:-$root/build}
title="Zimbrel v$(head -1 "$root/VERSION")"
source "$root/scripts/wine-env.sh"
zimbrel_start_display
zimbrel_start_wine
for tool in import xwininfo; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (imagemagick, x11-utils)" >&2; exit 1; }
done

driver() { "$ZIMBREL_BUILD/wine-run" "$ZIMBREL_BUILD/ui-driver.exe" "$@" </dev/null; }
program=
close_program() {
  [ -n "$program" ] || return 0
  driver --timeout 5000 attach ';' close ';' exit-code >/dev/null 2>&1 || kill "$program" 2>/dev/null || true
  program=
}
work=
# The caret, in the path field from the start, shown steadily rather than
# blinking, so that a picture does not depend on the moment it is taken. Each
# program reads the rate when it starts; the usual one is put back at the end.
blink_back() { wine reg add 'HKCU\Control Panel\Desktop' /v CursorBlinkRate /d 530 /f </dev/null >/dev/null 2>&1 || true; }

cleanup() {
  close_program
  blink_back
  zimbrel_stop  # the wineserver, and the Xvfb when this script started one
  if [ -n "$work" ]; then rm -rf "$work"; fi
}
trap cleanup EXIT
wine reg add 'HKCU\Control Panel\Desktop' /v CursorBlinkRate /d -1 /f </dev/null >/dev/null 2>&1

# The locale the program runs in: Wine takes the system's ANSI code page from it
# (hu_HU: 1250, en_US: 1252).
program_locale=$LC_ALL

# Starts EXE with DIR as its working directory (the packer is looked for there
# too) and waits until its window is there and the program waits for input.
start_program() {
  (cd "$2" && LC_ALL=$program_locale exec "$ZIMBREL_BUILD/wine-run" "$1" </dev/null >/dev/null 2>&1) &
  program=$!
  local id=
  for _ in $(seq 1 100); do
    id=$(xwininfo -root -tree 2>/dev/null | awk -v t="\"$title\"" 'index($0, t) {print $1; exit}')
    [ -n "$id" ] && break
    sleep 0.2
  done
  [ -n "$id" ] || { echo "the window \"$title\" did not appear on $DISPLAY" >&2; exit 1; }
  driver --timeout 10000 attach >/dev/null 2>&1 || true
  sleep 0.5
  window=$id
}

# Saves the picture of the X window ID as FILE.
shoot() {
  local info x y w h
  info=$(xwininfo -id "$1")
  x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
  y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
  w=$(awk '/Width:/ {print $2}' <<<"$info")
  h=$(awk '/Height:/ {print $2}' <<<"$info")
  mkdir -p "$(dirname "$2")"
  import -window root -crop "${w}x${h}+${x}+${y}" +repage "$2"
  echo "saved ${w}x${h} picture to $2"
}

# The program's top-level X windows of a useful size, one id a line.
program_windows() {
  xwininfo -root -children | awk '/\("zimbrel.exe" "zimbrel.exe"\)/ && !/ 1x1\+/ {print $1}' | sort
}

# The driver's steps take texts as escaped UTF-8 bytes (\xHH): this gives the
# program's text NAME so, from app/texts.txt, where the program's own texts come from.
text() { python3 "$root/scripts/texts.py" --utf8 "$1"; }

# Runs the driver steps STEP... (after attach), which must end with a box step
# that waits for the expected message box; saves its picture as FILE and
# answers it with OK.   usage: shoot_box FILE STEP...
shoot_box() {
  local file=$1 before box
  shift
  before=$(program_windows)
  driver --timeout 60000 attach ';' "$@" || { echo "the message box for $(basename "$file") did not come" >&2; exit 1; }
  box=$(comm -13 <(echo "$before") <(program_windows) | head -1)
  [ -n "$box" ] || { echo "the message box's window was not found on $DISPLAY" >&2; exit 1; }
  sleep 0.5
  shoot "$box" "$file"
  driver --timeout 10000 attach ';' ok >/dev/null
}

if [ -z "$docs" ]; then
  start_program "$ZIMBREL_BUILD/zimbrel.exe" "$ZIMBREL_BUILD"
  shoot "$window" "$out"
  exit 0
fi

# A folder as a user has it after unpacking (with a program to pack and a text
# file), and one with zimbrel.exe alone.
work=$(mktemp -d)
mkdir "$work/Zimbrel" "$work/Zimbrel alone"
cp "$ZIMBREL_BUILD/zimbrel.exe" "$ZIMBREL_BUILD/upx.exe" "$work/Zimbrel/"
cp "$ZIMBREL_BUILD/zimbrel.exe" "$work/Zimbrel alone/"
sample=$(zimbrel_wine_sample "$work/Zimbrel") || { echo "none of Wine's sample programs is in $WINEPREFIX" >&2; exit 1; }
# Over 512 bytes: a smaller file the packer refuses as too small.
for _ in $(seq 1 40); do printf 'Not a program, only text.\r\n'; done >"$work/Zimbrel/jegyzet.exe"
win() { winepath -w "$1" 2>/dev/null; }

start_program "$(win "$work/Zimbrel/zimbrel.exe")" "$work/Zimbrel"
shoot "$window" "$out"
# The boxes' captions and texts, each read once here so that a mistake stops the script.
no_file_caption=$(text TEXT_NO_FILE_CAPTION)
no_file=$(text TEXT_NO_FILE)
error_caption=$(text TEXT_ERROR_CAPTION)
unknown_format=$(text TEXT_REASON_UNKNOWN_FORMAT)
report_caption=$(text TEXT_REPORT_CAPTION)
packer_missing=$(text TEXT_PACKER_MISSING)
shoot_box "$docs/box-no-file.png" click compress ';' box "$no_file_caption" "$no_file" 48
shoot_box "$docs/box-not-compressible.png" type "$(win "$work/Zimbrel/jegyzet.exe")" ';' click compress ';' \
  box "$error_caption" "$unknown_format" 48
# A larger program for the picture during a pack: "Max" takes many seconds on it.
big=$WINEPREFIX/drive_c/windows/system32/notepad.exe
[ -f "$big" ] || big=$sample
cp "$big" "$work/Zimbrel/program.exe"
shoot_box "$docs/box-report.png" type "$(win "$sample")" ';' click compress ';' box "$report_caption"
# The window while the packer works: its gadgets and its close box greyed.
# The packer's console comes up over it; the window is raised above the
# console on the X side, and paints itself there while the packer works.
driver --timeout 20000 attach ';' type "$(win "$work/Zimbrel/program.exe")" ';' level 10 ';' click compress ';' \
  sleep 1500 >/dev/null
/usr/bin/python3 -c "from Xlib import display; d = display.Display(); d.create_resource_object('window', int('$window', 16)).raise_window(); d.sync()"
sleep 1
shoot "$window" "$docs/zimbrel-window-packing.png"
driver --timeout 180000 attach ';' box "$report_caption" ';' ok >/dev/null
close_program

start_program "$(win "$work/Zimbrel alone/zimbrel.exe")" "$work/Zimbrel alone"
shoot_box "$docs/box-packer-missing.png" type "$(win "$sample")" ';' click compress ';' \
  box "$error_caption" "$packer_missing" 48
close_program

# The same letters on a Western Windows.
program_locale=en_US.UTF-8
start_program "$(win "$work/Zimbrel/zimbrel.exe")" "$work/Zimbrel"
shoot "$window" "$docs/zimbrel-window-1252.png"
shoot_box "$docs/box-not-compressible-1252.png" type "$(win "$work/Zimbrel/jegyzet.exe")" ';' click compress ';' \
  box "$error_caption" "$unknown_format" 48
close_program

# The window and a box at 150% (144 DPI), as a laptop's display often is: the
# display's DPI is the prefix's LogPixels, read by each program as it starts,
# and set back to 96 at once.
program_locale=$LC_ALL
set_dpi() { wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f </dev/null >/dev/null 2>&1; }
set_dpi 144
start_program "$(win "$work/Zimbrel/zimbrel.exe")" "$work/Zimbrel"
set_dpi 96
shoot "$window" "$docs/zimbrel-window-144.png"
shoot_box "$docs/box-not-compressible-144.png" type "$(win "$work/Zimbrel/jegyzet.exe")" ';' click compress ';' \
  box "$error_caption" "$unknown_format" 48
close_program
