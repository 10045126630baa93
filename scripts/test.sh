#!/usr/bin/env bash
# Sets up everything on a fresh Debian 12 machine (as root), builds, and runs all the tests
# under Wine on a virtual display. A second run reuses the packages, the build and the prefix.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export ZIMBREL_BUILD=${ZIMBREL_BUILD:-$root/build}
bash "$root/scripts/build.sh"
source "$root/scripts/wine-env.sh"
zimbrel_start_display
trap zimbrel_stop EXIT
zimbrel_start_wine
# A test program that runs three times as long as it did last time gets the
# Wine server's state written down while it is stuck (scripts/watch-tests.sh).
[ -f "$ZIMBREL_BUILD/ctest-output.txt" ] && mv "$ZIMBREL_BUILD/ctest-output.txt" "$ZIMBREL_BUILD/ctest-previous.txt"
bash "$root/scripts/watch-tests.sh" "$ZIMBREL_BUILD" $$ &
ctest --test-dir "$ZIMBREL_BUILD" --output-on-failure "$@" | tee "$ZIMBREL_BUILD/ctest-output.txt"
