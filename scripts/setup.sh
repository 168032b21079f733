#!/usr/bin/env bash
# Installs what building and testing the installer needs on a Debian machine, only where it is missing.
set -euo pipefail

packages=(
  g++-mingw-w64-i686-posix g++-mingw-w64-i686-win32 binutils-mingw-w64-i686 mingw-w64-i686-dev
  # the 64-bit build, for machines that run no 32-bit code (see scripts/common.sh)
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  cmake make googletest
  wine wine32:i386 wine64 fonts-wine
  xvfb x11-utils xdotool imagemagick
  default-jdk-headless locales
  osslsigncode openssl zip unzip
)
need=()
for package in "${packages[@]}"; do
  dpkg -s "$package" >/dev/null 2>&1 || need+=("$package")
done
# A JDK from elsewhere will do as well as Debian's.
if command -v javac >/dev/null 2>&1; then
  need=("${need[@]/default-jdk-headless}")
fi
need=($(printf '%s\n' "${need[@]}" | grep -v '^$' || true))

SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo
if [ ${#need[@]} -gt 0 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${need[@]}"
fi

# Wine takes both the ANSI code page and the character set of Unix file names from the locale; a
# locale that is not generated leaves file names ASCII-only. Tests run Polish (1250) and English (1252).
wanted_locales=(pl_PL.UTF-8 en_US.UTF-8)
missing=0
for l in "${wanted_locales[@]}"; do
  locale -a 2>/dev/null | grep -qix "${l/UTF-8/utf8}" || missing=1
done
if [ $missing -eq 1 ]; then
  for l in "${wanted_locales[@]}"; do
    grep -q "^$l UTF-8" /etc/locale.gen 2>/dev/null || echo "$l UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
  done
  $SUDO locale-gen >/dev/null
fi
