#!/usr/bin/env bash
# Installs what building and testing the installer needs on a Debian machine, only where it is missing.
set -euo pipefail

need=()
have_cmd() { command -v "$1" >/dev/null 2>&1; }
have_cmd i686-w64-mingw32-g++-posix || need+=(g++-mingw-w64-i686-posix g++-mingw-w64-i686-win32 binutils-mingw-w64-i686 mingw-w64-i686-dev)
have_cmd cmake || need+=(cmake)
have_cmd Xvfb || need+=(xvfb)
have_cmd xdotool || need+=(xdotool)
have_cmd xdpyinfo || need+=(x11-utils)
have_cmd import || need+=(imagemagick)
have_cmd zip || need+=(zip)
have_cmd javac || need+=(default-jdk-headless)
[ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
if ! have_cmd wine || ! dpkg -s wine32:i386 >/dev/null 2>&1; then
  need+=(wine wine32:i386 wine64)
fi

if [ ${#need[@]} -eq 0 ]; then
  exit 0
fi

SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${need[@]}"
