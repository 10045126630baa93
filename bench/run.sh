#!/usr/bin/env bash
# Builds Zimbrel in release mode with its benchmarks, runs every benchmark under
# Wine on a private virtual display, and prints one table: for each figure the
# median of the runs of each side, its spread (interquartile range) and the
# ratio of Zimbrel's side to the baseline's.
#   bash bench/run.sh            # print the table (also kept in the build folder)
#   bash bench/run.sh --save     # ... and write it to docs/benchmarks.md
#   BENCH_RUNS=20                # runs per side (at least 10; default 10)
#   ZIMBREL_BENCH_BUILD=DIR      # build folder (default: build-bench-release/)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
save=0
[ "${1:-}" = "--save" ] && save=1
runs=${BENCH_RUNS:-10}
[ "$runs" -ge 10 ] || { echo "BENCH_RUNS must be at least 10" >&2; exit 2; }
export ZIMBREL_BUILD=${ZIMBREL_BENCH_BUILD:-$root/build-bench-release}
build=$ZIMBREL_BUILD

# --- build: the product's release configuration, plus the benchmarks ---------
bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=MinSizeRel -DZIMBREL_BENCH=ON -DZIMBREL_TESTS=ON >/dev/null
targets=(zimbrel zimbrel_mapped bench_baseline_window bench_startup bench_events bench_request bench_steady
         bench_tables fake-upx)
known=$(ninja -C "$build" -t targets all)
available=()
for t in "${targets[@]}"; do
  if grep -q "^$t: " <<<"$known"; then available+=("$t"); fi
done
echo "Building ${available[*]} in $build ..." >&2
cmake --build "$build" --target "${available[@]}" -- -k 0 >"$build/bench-build.log" 2>&1 ||
  echo "Some targets did not build (see $build/bench-build.log); their benchmarks are left out." >&2
bash "$root/scripts/fetch-upx.sh" "$build"

# --- a private virtual display and the build's Wine prefix -------------------
source "$root/scripts/wine-env.sh"
trap zimbrel_stop EXIT
trap 'exit 130' INT TERM
zimbrel_start_display private
zimbrel_start_wine

rows="$build/bench-rows.txt"
: >"$rows"
have() { [ -s "$build/$1" ]; }
run() {  # run NAME COMMAND...: the command's ROW, NOTE and ERROR lines go to the rows file
  local name=$1; shift
  echo "Running $name ..." >&2
  if ! "$@" 2>>"$build/bench-run.log" | tr -d '\r' | grep -E '^(ROW|NOTE|ERROR)' >>"$rows"; then
    echo "ERROR	$name did not finish" >>"$rows"
  fi
}
missing() { echo "NOTE	$1: not measured, $2 did not build" >>"$rows"; }

# 1. size
if have zimbrel.exe && have zimbrel_mapped.exe; then run size bash "$root/bench/size.sh" "$build"
else missing size zimbrel.exe; fi
# 2. start-up
if have zimbrel.exe && have bench_startup.exe; then
  # Three times the runs: a process start varies by tens of milliseconds here.
  run start-up "$build/wine-run" "$build/bench_startup.exe" $((3 * runs)) zimbrel.exe bench_baseline_window.exe
else missing start-up zimbrel.exe; fi
# 3. event throughput
if have bench_events.exe; then run events "$build/wine-run" "$build/bench_events.exe" "$runs"
else missing "event throughput" bench_events.exe; fi
# 4. request overhead: a fresh copy of zimbrel.exe packed each run
if have bench_request.exe && have zimbrel.exe; then
  run request "$build/wine-run" "$build/bench_request.exe" "$runs" zimbrel.exe
else missing "request overhead" bench_request.exe; fi
# 5. steady state: the program's request, 10,000 times, with the packer stand-in
#    as upx.exe beside it (in a folder of its own, so the real packer stays put)
if have bench_steady.exe && have fake-upx.exe; then
  steady="$build/bench-steady"
  rm -rf "$steady" && mkdir -p "$steady"
  cp "$build/bench_steady.exe" "$steady/" && cp "$build/fake-upx.exe" "$steady/upx.exe"
  run "steady state" "$build/wine-run" "$steady/bench_steady.exe" 10000
else missing "steady state" bench_steady.exe; fi
# 6. object tables
if have bench_tables.exe; then run "object tables" "$build/wine-run" "$build/bench_tables.exe" "$runs"
else missing "object tables" bench_tables.exe; fi

# --- the table ----------------------------------------------------------------
table="$build/benchmarks.md"
LC_ALL=C awk -F'\t' '
function fmt(v, unit) {
  if (v == "") return ""
  if (unit == "us") unit = "µs"
  if (unit == "B" || unit == "" || unit == "count") return sprintf("%d%s", v, unit == "B" ? " B" : "")
  if (v + 0 >= 100) return sprintf("%.0f %s", v, unit)
  if (v + 0 >= 10) return sprintf("%.1f %s", v, unit)
  return sprintf("%.2f %s", v, unit)
}
BEGIN {
  print "| Figure | Zimbrel | spread | Baseline | spread | Ratio | Budget | Runs |"
  print "|---|---:|---:|---:|---:|---:|---|---:|"
}
$1 == "ROW" {
  printf "| %s | %s | %s | %s | %s | %s | %s | %s |\n", $2, fmt($4, $3), fmt($5, $3), fmt($6, $3), fmt($7, $3), $8, $9, $10
}
$1 == "NOTE" || $1 == "ERROR" { notes[++n] = ($1 == "ERROR" ? "ERROR: " : "") $2 }
END {
  if (n) { print ""; for (i = 1; i <= n; i++) print "- " notes[i] }
}' "$rows" >"$table"
cat "$table"

if [ "$save" = 1 ]; then
  cpu=$(lscpu | awk -F: '/^Model name/ { gsub(/^ +/, "", $2); print $2; exit }')
  cores=$(nproc)
  caches=$(lscpu | LC_ALL=C awk -F: '/^L[123]d? cache/ { gsub(/^ +/, "", $2); printf "%s%s %s", n++ ? ", " : "", $1, $2 }')
  memory=$(LC_ALL=C awk '/^MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo)
  os=$(. /etc/os-release && echo "$PRETTY_NAME")
  {
    echo "# Benchmarks"
    echo
    echo "One run of \`bash bench/run.sh --save\` on $(date -u '+%Y-%m-%d %H:%M UTC')."
    echo
    echo "Machine: $cpu, $cores cores ($caches), $memory of memory; $os, Linux $(uname -r);"
    echo "$(wine --version), $(i686-w64-mingw32-g++-posix --version | head -1); a private Xvfb display."
    echo
    cat "$root/bench/legend.md"
    echo
    cat "$table"
    echo
    cat "$root/bench/other-systems.md"
    cat "$root/bench/findings.md"
  } >"$root/docs/benchmarks.md"
  echo "Saved as docs/benchmarks.md" >&2
fi
