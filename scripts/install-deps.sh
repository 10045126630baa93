#!/usr/bin/env bash
# Installs every Debian package that building and testing Zimbrel needs.
# Safe to run again: it only installs what is missing.
set -euo pipefail

packages=(
  cmake make ninja-build git ca-certificates
  g++-mingw-w64-i686 mingw-w64-i686-dev
  googletest
  wine wine32:i386
  xvfb x11-utils xauth imagemagick
  locales openssl
  python3
  fonts-liberation fonts-wine
)
# npm fetches the packer; a machine that already has Node.js with npm keeps it.
command -v npm >/dev/null || packages+=(npm)

need_i386=1
dpkg --print-foreign-architectures | grep -qx i386 && need_i386=0

missing=()
if [ "$need_i386" = 0 ]; then
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
else
  missing=("${packages[@]}")
fi

if [ "${#missing[@]}" -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" = 0 ] || SUDO=sudo
  [ "$need_i386" = 1 ] && $SUDO dpkg --add-architecture i386
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The Hungarian locale makes Wine use the Windows-1250 ANSI code page.
if ! locale -a 2>/dev/null | grep -qi '^hu_HU\.utf-\?8$'; then
  SUDO=""
  [ "$(id -u)" = 0 ] || SUDO=sudo
  $SUDO sed -i 's/^# *hu_HU.UTF-8 UTF-8/hu_HU.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^hu_HU.UTF-8 UTF-8' /etc/locale.gen || echo 'hu_HU.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
