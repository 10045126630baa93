#!/usr/bin/env bash
# Installs what is missing, configures and builds the tree, and puts upx.exe beside zimbrel.exe.
#   ZIMBREL_BUILD   build tree (default: build/ in the project)
#   ZIMBREL_CONFIG  CMake build type (default: MinSizeRel)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export ZIMBREL_BUILD=${ZIMBREL_BUILD:-$root/build}
# The packages are checked once per build tree, and again whenever the list
# of them changes: a stamp in the tree, newer than the installer, says so.
stamp=$ZIMBREL_BUILD/.packages-installed
if [ ! "$stamp" -nt "$root/scripts/install-deps.sh" ]; then
  bash "$root/scripts/install-deps.sh"
  mkdir -p "$ZIMBREL_BUILD" && touch "$stamp"
fi
cmake -S "$root" -B "$ZIMBREL_BUILD" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE="${ZIMBREL_CONFIG:-MinSizeRel}" ${ZIMBREL_CMAKE_ARGS:-} >/dev/null
cmake --build "$ZIMBREL_BUILD" -- -k 0
bash "$root/scripts/fetch-upx.sh" "$ZIMBREL_BUILD"
