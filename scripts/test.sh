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
ctest --test-dir "$ZIMBREL_BUILD" --output-on-failure "$@"
