#!/usr/bin/env bash
# Where the bytes of zimbrel.exe come from, from the linker map of the same
# program linked without -s (zimbrel_mapped.exe), and what upx --best makes of
# it. Prints ROW and NOTE lines in the format of bench/support/measure.h.
#   usage: size.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: size.sh BUILD_DIR}
exe="$build/zimbrel.exe"
mapped="$build/zimbrel_mapped.exe"
map="$build/zimbrel.map"
baseline="$build/bench_baseline_window.exe"
budget=49152
for f in "$exe" "$mapped" "$map" "$baseline"; do
  [ -s "$f" ] || { echo "ERROR	size: $f is missing"; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The mapped program must lay out the same sections as the product, or the
# map does not describe it.
size=$(stat -c %s "$exe")
sections() { i686-w64-mingw32-objdump -h "$1" | awk '$1 ~ /^[0-9]+$/ && $2 !~ /^\.(debug|zdebug|stab)/ { print substr($2, 1, 8), $3, $4 }'; }
if [ "$(sections "$exe")" != "$(sections "$mapped")" ]; then
  echo "NOTE	size: the mapped build's sections differ from the product's; the shares below are of the mapped build"
fi
base_size=$(stat -c %s "$baseline")
ratio=$(LC_ALL=C awk -v a="$size" -v b="$base_size" 'BEGIN { printf "%.3f", a / b }')
printf 'ROW\tzimbrel.exe as built, stripped (baseline: the same window in plain Win32)\tB\t%s\t\t%s\t\t%s\t<= %s B\t1\n' \
  "$size" "$base_size" "$ratio" "$budget"

# Input sections of the sections that reach the file, by origin.
LC_ALL=C awk -v total="$size" -v detail="$work/detail" '
function hex(s,    i, c, v) {
  s = tolower(s); sub(/^0x/, "", s); v = 0
  for (i = 1; i <= length(s); i++) { c = index("0123456789abcdef", substr(s, i, 1)) - 1; v = v * 16 + c }
  return v
}
function origin(file) {
  if (file ~ /libzimbrel_(memory|system|gadget|window|start)\.a/) { match(file, /libzimbrel_[a-z]+/); return "runtime/" substr(file, RSTART + 11, RLENGTH - 11) }
  if (file ~ /libzimbrel_app\.a|main\.cpp\.obj/) return "app"
  if (file ~ /\.res$|\.rc\.|\.res\)?$/) return "resources"
  if (file ~ /libstdc\+\+|libsupc\+\+/) return "C++ library"
  if (file ~ /libmsvcrt/) return "imports: msvcrt.dll (C runtime)"
  if (file ~ /crt2\.o|crtbegin|crtend|libmingw32|libmingwex|libgcc|libmoldname|pthread/) return "C runtime: mingw start-up and libgcc"
  if (file ~ /lib[a-z0-9_]+\.a\(/) { match(file, /lib[a-z0-9_]+\.a\(/); return "imports: " substr(file, RSTART + 3, RLENGTH - 6) ".dll" }
  if (file == "dll stuff") return "base relocations"
  if (file == "linker") return "imports: directory ends"
  if (file == "padding") return "alignment padding"
  return "other: " file
}
function add(size, file) {
  if (!counted || size == 0) return
  o = origin(file); bytes[o] += size; insec[sec] += size
  if (o ~ /^C runtime|^C\+\+/) { n = file; sub(/.*\//, "", n); objbytes[n] += size }
}
/^Linker script and memory map/ { inmap = 1; next }
!inmap { next }
/^\.[A-Za-z_$]/ {
  sec = $1; counted = 0
  if (NF >= 3 && $2 ~ /^0x/) { raw = hex($3); if (sec !~ /^\.(bss|debug|zdebug|stab|endjunk)/ && raw > 0) { counted = 1; secraw[sec] = raw } }
  pending = ""; next
}
/^ \*fill\*/ { if (NF >= 3) add(hex($3), "padding"); next }
/^ \.[^ ]*$/ { pending = $1; next }
/^ (\.|COMMON)/ && $2 ~ /^0x/ && $3 ~ /^0x/ { file = $4; for (i = 5; i <= NF; i++) file = file " " $i; add(hex($3), file); pending = ""; next }
/^ +0x/ && pending != "" && $2 ~ /^0x/ { file = $3; for (i = 4; i <= NF; i++) file = file " " $i; add(hex($2), file); pending = ""; next }
/^ +0x[0-9a-f]+ +0x[0-9a-f]+ +(LONG|SHORT|BYTE|QUAD)/ { add(hex($2), "linker"); next }
END {
  sum = 0
  for (s in secraw) { sum += secraw[s]; pad += secraw[s] - insec[s] }
  bytes["alignment padding"] += pad
  bytes["PE headers"] = total - sum
  for (o in bytes) if (bytes[o] > 0) printf "%s\t%d\n", o, bytes[o]
  for (n in objbytes) printf "%d\t%s\n", objbytes[n], n > detail
}' "$map" | sort -t'	' -k2,2nr > "$work/shares"

share() { LC_ALL=C awk -F'\t' -v pat="$1" '$1 ~ pat { s += $2 } END { print s + 0 }' "$work/shares"; }
row() { printf 'ROW\t  of which %s\tB\t%s\t\t\t\t\t\t1\n' "$1" "$2"; }
row "the application (app/)" "$(share '^app$')"
row "the runtime (runtime/)" "$(share '^runtime/')"
row "the C runtime: mingw start-up code and libgcc" "$(share '^C runtime')"
row "the C++ library" "$(share '^C\+\+')"
row "imports (import directory, names and thunks)" "$(share '^imports')"
row "resources (the manifest and the version details)" "$(share '^resources$')"
row "base relocations" "$(share '^base relocations$')"
row "PE headers and alignment padding" "$(( $(share '^PE headers$') + $(share '^alignment padding$') ))"
while IFS=$'\t' read -r origin bytes; do
  echo "NOTE	size: $origin: $bytes bytes"
done < "$work/shares"
if [ -s "$work/detail" ]; then
  sort -nr "$work/detail" | head -12 | while IFS=$'\t' read -r bytes object; do
    echo "NOTE	size: C/C++ runtime object $object: $bytes bytes"
  done
fi

# upx --best of the program itself, for information.
if [ -s "$build/upx.exe" ]; then
  cp "$exe" "$work/packed.exe"
  if (cd "$work" && "$build/wine-run" "$build/upx.exe" -q --best packed.exe >"$work/upx.log" 2>&1); then
    printf 'ROW\tzimbrel.exe after upx --best (for information)\tB\t%s\t\t\t\t\t\t1\n' "$(stat -c %s "$work/packed.exe")"
  else
    echo "NOTE	size: upx --best did not pack zimbrel.exe: $(tr -d '\r' < "$work/upx.log" | grep -v '^$' | tail -1)"
  fi
fi
