#!/usr/bin/env bash
# Unpacks the release zip (ZIP_DIR/zimbrel-*-win32.zip) into a new folder whose
# path holds spaces and Hungarian letters, starts that zimbrel.exe under Wine and
# packs a real program (one of Wine's own, copied into the folder) through the
# window with the bundled upx.exe. The report box must give the size before and
# the size after, the file must have shrunk to the size reported, and the
# program must end with exit code 0 when its window is closed.
# The test command has started the display and the build tree's wineserver.
#   usage: unpacked.sh SOURCE_DIR ZIP_DIR BUILD_DIR
set -euo pipefail
root=$1 zips=$2 build=$3
export ZIMBREL_BUILD=$build
source "$root/scripts/wine-env.sh"
zip=$(ls "$zips"/zimbrel-*-win32.zip)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
dir="$tmp/Zimbrel próba ő"
mkdir -p "$dir"
python3 -m zipfile -e "$zip" "$dir"
for f in zimbrel.exe upx.exe; do
  [ -s "$dir/$f" ] || { echo "FAILED: the zip has no $f at its top level"; exit 1; }
done

sample=$(zimbrel_wine_sample "$dir") || { echo "FAILED: none of Wine's sample programs is in $WINEPREFIX"; exit 1; }
before=$(stat -c %s "$sample")
grep -q -a -F 'UPX!' "$sample" && { echo "FAILED: $sample is packed already"; exit 1; }

win() { winepath -w "$1" 2>/dev/null; }
program=$(win "$dir/zimbrel.exe")
folder=$(win "$dir")
target=$(win "$sample")
echo "packing $target ($before bytes) with $program"
driver() { "$build/wine-run" "$build/ui-driver.exe" --timeout 60000 "$@" </dev/null; }
set +e
out=$(driver start "$program" "$folder" ';' type "$target" ';' field "$target" ';' \
             click compress ';' box 'K\xC3\xA9sz' ';' ok ';' close ';' exit-code 0)
status=$?
set -e
out=${out//$'\r'/}  # the driver's lines end in CR LF
echo "$out"
[ "$status" = 0 ] || { echo "FAILED: the window did not do what it should (ui-driver status $status)"; exit 1; }

after=$(stat -c %s "$sample")
echo "size before $before, after $after"
report=$(grep '^box caption' <<<"$out")
# The driver writes texts as escaped UTF-8 bytes: "Kész", "Új méret".
expected="box caption \"K\\xC3\\xA9sz\" text \"Eredeti : $before\\r\\n\\xC3\\x9Aj m\\xC3\\xA9ret: $after\" icon 64 buttons [OK]"
failed=0
if [ "$report" != "$expected" ]; then
  echo "FAILED: the report box is not the one expected:"
  echo "  seen:     $report"
  echo "  expected: $expected"
  failed=1
fi
[ "$after" -lt "$before" ] || { echo "FAILED: the file did not get smaller"; failed=1; }
grep -q -a -F 'UPX!' "$sample" || { echo "FAILED: the file carries no UPX header"; failed=1; }
exit $failed
