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
  # The end-to-end tests drag files onto the window as an X client (XDND).
  python3-xlib
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

# The locales whose ANSI code page Wine takes for a process from its LC_ALL:
# Hungarian (Windows-1250) for every test run, and English (1252), Russian
# (1251), Japanese (932) and Georgian (no ANSI code page of its own: UTF-8,
# 65001) for the runs that check texts and paths under other code pages. Wine
# needs them generated to put names with other letters into file names.
# Only the missing ones are generated.
missing_locales=()
for l in hu_HU en_US ru_RU ja_JP ka_GE; do
  locale -a 2>/dev/null | grep -qix "$l\.utf-\?8" || missing_locales+=("$l")
done
if [ "${#missing_locales[@]}" -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" = 0 ] || SUDO=sudo
  for l in "${missing_locales[@]}"; do
    $SUDO sed -i "s/^# *$l.UTF-8 UTF-8/$l.UTF-8 UTF-8/" /etc/locale.gen
    grep -q "^$l.UTF-8 UTF-8" /etc/locale.gen || echo "$l.UTF-8 UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
  done
  $SUDO locale-gen >/dev/null
fi
