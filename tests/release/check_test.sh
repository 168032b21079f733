#!/usr/bin/env bash
# The check of a download against this source fails, naming the file, for anything but a signature:
# one changed byte in the installer, in a package program, in a jar; a program changed and signed again
# by someone else; a file added and one missing; and for a signature that is not intact. (That it passes for a zip signed with another
# certificate is Release.Reproducible.) Usage: check_test.sh <build folder>
set -u
BUILD=$1
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
source "$(dirname "$0")/../support/check.sh"

flip_byte() {  # file, offset
  local byte
  byte=$(od -An -tu1 -j "$2" -N 1 "$1" | tr -d ' ')
  printf "\\x$(printf %02x $((byte ^ 255)))" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}

# Runs the check on the build's zip after `change` (a shell command run in the unzipped package); it
# must fail and its DIFFERENT lines must name $2.
fails_naming() {
  local change=$1 name=$2
  rm -rf "$WORK/zip" "$WORK/changed.zip"
  mkdir "$WORK/zip"
  unzip -q "$BUILD"/instalator-*.zip -d "$WORK/zip"
  (cd "$WORK/zip" && eval "$change") && (cd "$WORK/zip" && zip -qr "$WORK/changed.zip" .) || return 1
  ! "$ROOT/scripts/reproducible.sh" "$WORK/changed.zip" >"$WORK/out.log" 2>&1 &&
    grep "^DIFFERENT" "$WORK/out.log" | grep -qF "$name" && ! grep -q "^DIFFERENT" <(grep -vF "$name" "$WORK/out.log")
}

openssl req -x509 -newkey rsa:2048 -nodes -keyout "$WORK/other.key" -out "$WORK/other.pem" -days 1 \
  -subj "/CN=Someone else" -addext extendedKeyUsage=codeSigning >/dev/null 2>&1
resign_changed() {  # a program changed, then signed again with another certificate: its signature holds
  osslsigncode remove-signature -in "$1" -out "$WORK/bare" >/dev/null 2>&1 && flip_byte "$WORK/bare" 1024 &&
    rm -f "$1" && osslsigncode sign -h sha256 -certs "$WORK/other.pem" -key "$WORK/other.key" -in "$WORK/bare" \
      -out "$1" >/dev/null 2>&1 && rm -f "$WORK/bare"
}

check "a changed byte in the installer" fails_naming 'flip_byte instalator.exe 1024' instalator.exe
check "a changed byte in a package program" fails_naming 'flip_byte Drivers/410.exe 1024' Drivers/410.exe
check "a package program changed and signed by someone else" fails_naming 'resign_changed sun/ocfpcsc1.dll' \
  sun/ocfpcsc1.dll
check "a damaged signature, the program itself intact" fails_naming \
  'flip_byte Drivers/410.exe $(( $(stat -c %s Drivers/410.exe) - 300 ))' Drivers/410.exe
check "a changed byte in a jar" fails_naming 'flip_byte sun/ocf1.2.jar 100' sun/ocf1.2.jar
check "a file added" fails_naming 'echo x >Drivers/extra.bat' Drivers/extra.bat
check "a file missing" fails_naming 'rm sun/java.policy' sun/java.policy
finish
