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

# The escape hatch: no file of the program (app/, runtime/) nor of the
# benchmarks (bench/) includes it or calls it, but for the two benchmarks that
# measure raw calls beside the program's and hand it the same bytes (each says
# so where it includes the hatch); text_kinds.h only names its functions as
# friends.
hatch_kept="bench/request/main.cpp bench/steady/main.cpp"
hatch_users() {
  (cd "$1" && grep -rlE 'raw_bytes\.h|\bRaw(ProgramText|Path|ProgramParameters)\(' app runtime bench 2>/dev/null) |
    grep -v '^runtime/text/raw_bytes\.h$' | sort |
    while read -r file; do
      grep -vE '^\s*(//|friend )' "$1/$file" | grep -qE 'raw_bytes\.h|\bRaw(ProgramText|Path|ProgramParameters)\(' && echo "$file"
    done
}
users=$(hatch_users "$src" | tr '\n' ' ')
if [ "$users" != "$hatch_kept " ]; then
  echo "the escape hatch is used by: ${users:-no file}; expected exactly: $hatch_kept"; failures=$((failures + 1))
else
  echo "the escape hatch: no file of the program uses it, and of the benchmarks only $hatch_kept"
fi
# The same look must see a use planted in a copy of the program's and the
# benchmarks' sources.
for folder in app runtime bench; do
  scratch=$(mktemp -d)
  mkdir -p "$scratch/$folder/planted"
  printf '#include "runtime/text/raw_bytes.h"\nvoid F() { MessageDialog(RawProgramText(""), ""); }\n' \
    >"$scratch/$folder/planted/planted.cpp"
  [ "$(hatch_users "$scratch")" = "$folder/planted/planted.cpp" ] ||
    { echo "the escape-hatch look missed a use planted in $folder/"; failures=$((failures + 1)); }
  rm -rf "$scratch"
done

echo "$checked doors, $failures failures"
[ "$failures" -eq 0 ]
