#!/usr/bin/env bash
# The hardening runs in full: every allocation of the program's life failing
# in turn with the packer in five modes, thirty misbehaving packers and the one
# held by the system's crash dialog, 3,000 random texts in the path field,
# 1,000 open-compress-report-close cycles and 2,000 requests of one long-running
# program. (The normal test command runs a quick cut of each.) Takes about
# seven minutes; ZIMBREL_HARDENING_SEED=N repeats a run of random texts.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export ZIMBREL_BUILD=${ZIMBREL_BUILD:-$root/build}
bash "$root/scripts/build.sh"
source "$root/scripts/wine-env.sh"
zimbrel_start_display
trap zimbrel_stop EXIT
zimbrel_start_wine
export ZIMBREL_HARDENING=full
"$ZIMBREL_BUILD/wine-run" "$ZIMBREL_BUILD/test_hardening.exe" "$@"
