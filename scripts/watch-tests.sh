#!/usr/bin/env bash
# Watches a test run for a test program that runs far longer than it usually
# does, and then takes a picture of the Wine server while it is still stuck:
# its CPU time, kernel stack and wait channel, and its user-space backtrace
# when gdb is installed (symbols are optional). A wineserver that spins at
# full CPU while the tests' programs wait was seen once in a dozen loaded
# Wine 10 runs; this catches the next one in the act.
#   scripts/watch-tests.sh BUILD_DIR PID   (scripts/test.sh starts it beside ctest;
#                                           it ends when process PID does)
# A test counts as stuck after three times its length in the previous run of
# the test command (BUILD_DIR/ctest-previous.txt, CTest's output that
# scripts/test.sh keeps), and never before 60 s; with no previous run, after
# 300 s. Each capture goes to BUILD_DIR/stuck-<test>-<time>.txt, once per test
# program run.
set -u
build=$1 watched=$2
previous=$build/ctest-previous.txt
declare -A started seen

usual_seconds() {  # the seconds CTest test $1 took in the previous run; 100 when unknown
  awk -v t="$1" '$2 == "Test" && $4 == t { for (i = 6; i <= NF; i++) if ($(i + 1) == "sec") { printf "%d", $i + 0.5; found = 1 } }
                 END { if (!found) print 100 }' "$previous" 2>/dev/null || echo 100
}

# The CTest test that process $2 (test program $1) runs: the program's area,
# and the code page it was meant for when that is not the Hungarian 1250.
test_name() {
  local area=${1#test_} page
  area=${area%.exe}
  page=$(tr '\0' '\n' 2>/dev/null <"/proc/$2/environ" | sed -n 's/^ZIMBREL_EXPECT_ACP=//p')
  area=${area//_/-}
  if [ -n "$page" ] && [ "$page" != 1250 ]; then echo "$area-$page"; else echo "$area"; fi
}

capture() {  # capture TEST PID SECONDS
  local out=$build/stuck-$1-$(date +%Y%m%d-%H%M%S).txt server
  {
    echo "$1 (process $2) has run for $3 s, more than three times its usual length"
    ps -eo pid,etimes,time,pcpu,comm,args --sort=-pcpu | head -15 | cut -c1-160
    for server in $(pgrep -x wineserver32 || pgrep -x wineserver64 || pgrep -x wineserver); do
      echo "--- wineserver $server: $(awk '{print "utime " $14 " stime " $15 " (ticks)"}' /proc/$server/stat 2>/dev/null)"
      echo "wait channel: $(cat /proc/$server/wchan 2>/dev/null)"
      echo "kernel stack:"; cat /proc/$server/stack 2>/dev/null
      if command -v gdb >/dev/null; then
        timeout 60 gdb -p "$server" -batch -ex 'thread apply all bt' 2>&1 | grep -v '^\[' | head -80
      else
        echo "(gdb is not installed: no user-space backtrace)"
      fi
    done
  } >"$out" 2>&1
  echo "[watch] $1 looks stuck after $3 s: the Wine server's state is in $out" >&2
}

while kill -0 "$watched" 2>/dev/null; do
  now=$(date +%s)
  for dir in /proc/[0-9]*; do
    pid=${dir#/proc/}
    exe=$(tr '\0' '\n' 2>/dev/null <"$dir/cmdline" | grep -o -m1 'test_[a-z_]*\.exe') || continue
    key=$pid:$exe
    [ -n "${started[$key]:-}" ] || started[$key]=$now
    [ -z "${seen[$key]:-}" ] || continue
    elapsed=$((now - started[$key]))
    name=$(test_name "$exe" "$pid")
    limit=$((3 * $(usual_seconds "$name")))
    [ "$limit" -ge 60 ] || limit=60
    if [ "$elapsed" -gt "$limit" ]; then
      seen[$key]=1
      capture "$name" "$pid" "$elapsed"
    fi
  done
  sleep 5
done
