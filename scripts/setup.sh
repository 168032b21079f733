#!/usr/bin/env bash
# Installs what building and testing the installer needs on a Debian machine, only where it is missing.
set -euo pipefail

packages=(
  g++-mingw-w64-i686-posix g++-mingw-w64-i686-win32 binutils-mingw-w64-i686 mingw-w64-i686-dev
  cmake make googletest
  wine wine32:i386 wine64 fonts-wine
  xvfb x11-utils xdotool imagemagick
  default-jdk-headless
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
[ ${#need[@]} -eq 0 ] && exit 0

SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${need[@]}"
