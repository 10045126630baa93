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

zimbrel_start_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  local n
  for n in $(seq 99 -1 40); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
      ZIMBREL_XVFB_PID=$!
      export DISPLAY=":$n"
      local i
      for i in $(seq 1 50); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.1; done
      echo "the virtual display :$n did not start" >&2
      return 1
    fi
  done
  echo "no free display number for Xvfb" >&2
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

zimbrel_stop() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "${ZIMBREL_XVFB_PID:-}" ]; then kill "$ZIMBREL_XVFB_PID" 2>/dev/null || true; fi
}
