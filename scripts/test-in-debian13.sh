#!/usr/bin/env bash
# Runs the test command (scripts/test.sh) in a brand-new Debian 13 root, made
# with debootstrap and entered with chroot, on the committed sources (a clone of
# HEAD): the same proof on a second Win32 implementation (Wine 10) built by a
# second compiler (GCC 14). Needs root. Prints how long each stage took.
#   ZIMBREL_FRESH_SUITE  the Debian suite (default: trixie)
#   ZIMBREL_FRESH_DIR    where the root is made (default: /var/tmp/zimbrel-<suite>);
#                        a pristine copy of it (<dir>.pristine) is kept for later runs
#   ZIMBREL_KEEP_ROOT=1  keeps the root afterwards, to look at what was built or
#                        to run again in it
#   ZIMBREL_AGAIN=1      runs the test command again in the root a kept run left, as
#                        a developer re-runs it: the clone there is moved to this
#                        tree's HEAD, its build tree and Wine prefix are reused, and
#                        the root is kept again
set -euo pipefail
source_root=$(cd "$(dirname "$0")/.." && pwd)
suite=${ZIMBREL_FRESH_SUITE:-trixie}
root=${ZIMBREL_FRESH_DIR:-/var/tmp/zimbrel-$suite}
pristine=$root.pristine
log=$root.log
[ "$(id -u)" = 0 ] || { echo "making and entering a root needs root" >&2; exit 1; }
started=$(date +%s)
stage() { echo "[$(( $(date +%s) - started )) s] $*"; }

# Unmounts everything under a root, deepest first. A root must never be deleted
# while the machine's /dev is still bound inside it: that would delete the
# machine's devices.
unmount_under() {
  local m
  for m in $(awk -v r="$1/" 'index($2, r) == 1 {print $2}' /proc/mounts | sort -r); do umount -l "$m" 2>/dev/null || true; done
  ! awk -v r="$1/" 'index($2, r) == 1 {found=1} END {exit !found}' /proc/mounts
}
remove_root() {
  unmount_under "$1" || { echo "something is still mounted under $1: left in place" >&2; return 1; }
  rm -rf "$1"
}

if ! command -v debootstrap >/dev/null; then
  stage "installing debootstrap"
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap >/dev/null
fi
if [ "${ZIMBREL_AGAIN:-0}" != 1 ] && [ ! -x "$pristine/bin/bash" ]; then
  # The Debian mirror this machine's apt uses.
  mirror=$( { grep -rhE '^(URIs:|deb )' /etc/apt/sources.list /etc/apt/sources.list.d/ 2>/dev/null || true; } |
    grep -oE 'https?://[^ ]+/debian/?' | grep -v security | head -1 || true)
  stage "making a pristine Debian $suite root in $pristine from ${mirror:-the default mirror}"
  rm -rf "$pristine.part"
  debootstrap --variant=minbase "$suite" "$pristine.part" ${mirror:+"$mirror"} >"$root.debootstrap.log" 2>&1 ||
    { tail -20 "$root.debootstrap.log" >&2; exit 1; }
  mv "$pristine.part" "$pristine"
fi

again=${ZIMBREL_AGAIN:-0}
if [ "$again" = 1 ]; then
  [ -d "$root/work/main/.git" ] || { echo "no kept root at $root to run again in (ZIMBREL_KEEP_ROOT=1 keeps one)" >&2; exit 1; }
  unmount_under "$root" || { echo "something is still mounted under $root" >&2; exit 1; }
  stage "running again in the kept root $root, its clone moved to $(git -C "$source_root" rev-parse --short HEAD)"
  git -C "$root/work/main" fetch -q "$source_root" HEAD
  git -C "$root/work/main" checkout -q --detach FETCH_HEAD
else
  stage "copying the pristine root to $root"
  remove_root "$root"
  cp -a "$pristine/." "$root/"
  cp /etc/resolv.conf "$root/etc/resolv.conf"
  mkdir -p "$root/work"
  git clone -q "$source_root" "$root/work/main"
fi
trap 'unmount_under "$root" || echo "could not unmount everything under $root" >&2' EXIT
mount -t proc proc "$root/proc"
mount --rbind /sys "$root/sys"
mount --rbind /dev "$root/dev"
mount -t tmpfs tmpfs "$root/tmp"

# No DISPLAY is handed in: the test command starts its own virtual display,
# whose number Xvfb picks among those no root of this machine uses.
stage "running scripts/test.sh in the Debian $suite root (log: $log)"
set +e
chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  LANG=C.UTF-8 CI="${CI:-}" bash -c 'cd /work/main && bash scripts/test.sh </dev/null' >"$log" 2>&1
rc=$?
set -e
grep -E '^ *[0-9]+/[0-9]+ Test +#|tests passed|The following tests FAILED|^\s+[0-9]+ - ' "$log" || tail -30 "$log"
if [ "$rc" != 0 ]; then
  echo "--- the failures' output (from $log):"
  grep -E -B2 -A12 'Failure$|\*\*\* test program crashed|FAILED: ' "$log" | head -150
fi
unmount_under "$root" || true
trap - EXIT
[ "${ZIMBREL_KEEP_ROOT:-0}" = 1 ] || [ "$again" = 1 ] || remove_root "$root"
stage "the test command in Debian $suite ended with exit code $rc"
exit "$rc"
