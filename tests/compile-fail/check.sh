#!/usr/bin/env bash
# The kinds of text at the program's doors, checked by the compiler, and the
# escape hatch of runtime/text/raw_bytes.h kept out of the program.
#   check.sh COMPILER SOURCE_DIR BUILD_DIR
# Each "door N: PATTERN" line of doors.cpp is built twice: as it is, which
# must build, and with WRONG, which must fail with an error matching PATTERN.
set -u
cxx=$1 src=$2 build=$3
doors=$src/tests/compile-fail/doors.cpp
flags=(-std=c++17 -fsyntax-only -Wall -Wextra -DNOMINMAX -DWIN32_LEAN_AND_MEAN -DWINVER=0x0601
       -D_WIN32_WINNT=0x0601 -I"$src" -I"$build/generated")
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT
failures=0 checked=0

while IFS= read -r line; do
  number=${line%%:*}
  pattern=${line#*: }
  checked=$((checked + 1))
  if ! "$cxx" "${flags[@]}" -DDOOR="$number" "$doors" 2>"$errors"; then
    echo "door $number: the kind it takes did not build"; cat "$errors"; failures=$((failures + 1))
  elif "$cxx" "${flags[@]}" -DDOOR="$number" -DWRONG "$doors" 2>"$errors"; then
    echo "door $number: the wrong kind built"; failures=$((failures + 1))
  elif ! grep -Eq "error: $pattern" "$errors"; then
    echo "door $number: refused, but not with: $pattern"; cat "$errors"; failures=$((failures + 1))
  else
    echo "door $number: refused as expected"
  fi
done < <(sed -n 's|.*// door \([0-9]*: .*\)$|\1|p' "$doors")
[ "$checked" -gt 0 ] || { echo "no door found in $doors"; exit 1; }

# The escape hatch: no file of the program (app/, runtime/) includes it or
# calls it; text_kinds.h only names its functions as friends.
hatch_users() {
  grep -rlE 'raw_bytes\.h|\bRaw(ProgramText|Path|ProgramParameters)\(' "$1/app" "$1/runtime" 2>/dev/null |
    grep -v '/runtime/text/raw_bytes\.h$' |
    while read -r file; do
      grep -vE '^\s*(//|friend )' "$file" | grep -qE 'raw_bytes\.h|\bRaw(ProgramText|Path|ProgramParameters)\(' && echo "$file"
    done
}
users=$(hatch_users "$src")
if [ -n "$users" ]; then
  echo "the escape hatch is used by the program:"; echo "$users"; failures=$((failures + 1))
else
  echo "the escape hatch: no file of the program uses it"
fi
# The same look must see a use planted in a copy of the program's sources.
scratch=$(mktemp -d)
mkdir -p "$scratch/app" "$scratch/runtime"
printf '#include "runtime/text/raw_bytes.h"\nvoid F() { MessageDialog(RawProgramText(""), ""); }\n' >"$scratch/app/planted.cpp"
[ -n "$(hatch_users "$scratch")" ] || { echo "the escape-hatch look missed a planted use"; failures=$((failures + 1)); }
rm -rf "$scratch"

echo "$checked doors, $failures failures"
[ "$failures" -eq 0 ]
