#!/usr/bin/env bash
# Is the package reproducible, whoever signed it? A rebuild cannot make the signatures, so the check
# takes the signed package programs of the zip it is given as inputs: each must carry an intact signature
# (its signer is printed) and be this source's own build once the signature is removed. The build then
# seals exactly those into the installer, as the release build did, and the installer must equal the
# zip's once both signatures are removed; every other file is compared byte for byte, and a file added
# or missing fails as well.
#
#   scripts/reproducible.sh                      two builds, each with its own development certificate:
#                                                the second checks the first one's zip as above
#   scripts/reproducible.sh instalator-1.5.zip   a download against this source
#
# Uses the toolchain that is already installed (./run.sh --stage-only installs it on a fresh machine)
# and builds only the package (INSTALLER_TESTS=OFF). Exit code 0 when everything is equal.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
download=${1:-}
if [ -n "$download" ]; then
  download=$(cd "$(dirname "$download")" && pwd)/$(basename "$download")
  [ -f "$download" ] || { echo "no such file: $1" >&2; exit 2; }
fi

WORK=$(mktemp -d "${TMPDIR:-/tmp}/reproducible.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
# A time-stamp server's answer differs on every signing; these builds use none.
unset INSTALLER_SIGN_PKCS12 INSTALLER_SIGN_PASSWORD INSTALLER_SIGN_TIMESTAMP_URL INSTALLER_SIGNED_PROGRAMS

# Copies the source (without build folders) to $1 and builds the package in $1/build; the environment
# of the call (INSTALLER_SIGNED_PROGRAMS) reaches the build. Returns 1 when the build fails, its log in
# $WORK/build.log.
build_copy() {
  local dir=$1
  mkdir -p "$dir"
  tar -C "$ROOT" --exclude=./.git --exclude=./build --exclude='./build-*' -cf - . | tar -C "$dir" -xf -
  cmake -S "$dir" -B "$dir/build" -DCMAKE_TOOLCHAIN_FILE="$dir/cmake/toolchain-mingw32.cmake" \
    -DINSTALLER_TESTS=OFF >"$WORK/build.log" 2>&1 &&
    cmake --build "$dir/build" --target stage -j "$(nproc)" >>"$WORK/build.log" 2>&1
}

failures=0
differs() {
  echo "DIFFERENT: $1"
  failures=$((failures + 1))
}
same() {  # description, file A, file B
  if cmp -s "$2" "$3"; then
    echo "same: $1"
  else
    differs "$1"
  fi
}
summary() {
  echo "$failures difference(s)"
  [ "$failures" -eq 0 ]
  exit
}

list_files() { (cd "$1" && find . -type f | sed 's|^\./||' | LC_ALL=C sort); }
is_pe() { [ "$(head -c 2 "$1")" = "MZ" ]; }

# The signature of program $1 (named $2) must be intact: checked against the certificates it carries
# (and the system's roots, for a chain that ends in one); who signed it is printed.
check_signature() {
  local file=$1 name=$2
  rm -f "$WORK/signature.pem" "$WORK/anchors.pem"
  if ! osslsigncode extract-signature -pem -in "$file" -out "$WORK/signature.pem" >/dev/null 2>&1; then
    differs "$name is not signed"
    return
  fi
  openssl pkcs7 -in "$WORK/signature.pem" -print_certs 2>/dev/null | sed -n '/BEGIN/,/END/p' >"$WORK/anchors.pem"
  [ -f /etc/ssl/certs/ca-certificates.crt ] && cat /etc/ssl/certs/ca-certificates.crt >>"$WORK/anchors.pem"
  local signer
  signer=$(openssl pkcs7 -in "$WORK/signature.pem" -print_certs -noout 2>/dev/null | sed -n 's/^subject=//p' | head -1)
  if osslsigncode verify -CAfile "$WORK/anchors.pem" -in "$file" >/dev/null 2>&1; then
    echo "signed: $name, by $signer"
  else
    differs "$name: its signature is not intact (signer $signer)"
  fi
}

# Checks zip $1 against a build of this source in $2.
check_zip() {
  local zip=$1 dir=$2 download="$WORK/download" name
  rm -rf "$download"
  mkdir "$download"
  unzip -q "$zip" -d "$download"
  while read -r name; do
    is_pe "$download/$name" && check_signature "$download/$name" "$name"
  done < <(list_files "$download")
  [ "$failures" -eq 0 ] || summary
  echo "building in $dir with the zip's signed package programs"
  if ! INSTALLER_SIGNED_PROGRAMS="$download" build_copy "$dir"; then
    if grep -q "SIGNED PROGRAM" "$WORK/build.log"; then
      grep -o "SIGNED PROGRAM[^:]*: [^ ]*" "$WORK/build.log" | sed 's/^/DIFFERENT: /'
    else
      cat "$WORK/build.log" >&2
      echo "the build in $dir failed" >&2
    fi
    failures=$((failures + 1))
    summary
  fi
  local built="$dir/build"
  if [ "$(list_files "$download")" = "$(list_files "$built/package")" ]; then
    echo "same: the list of files"
  else
    while read -r name; do
      differs "${name#??} is not in this source's package"
    done < <(diff <(list_files "$download") <(list_files "$built/package") | grep '^<' || true)
    while read -r name; do
      differs "${name#??} is missing from the zip"
    done < <(diff <(list_files "$download") <(list_files "$built/package") | grep '^>' || true)
  fi
  while read -r name; do
    if [ "$name" = instalator.exe ]; then
      rm -f "$WORK/stripped"
      osslsigncode remove-signature -in "$download/$name" -out "$WORK/stripped" >/dev/null 2>&1 || true
      same "$name without its signature" "$WORK/stripped" "$built/unsigned/$name"
    elif [ -f "$built/package/$name" ]; then
      same "$name" "$download/$name" "$built/package/$name"
    fi
  done < <(list_files "$download")
}

one="$WORK/first/source"
if [ -n "$download" ]; then
  check_zip "$download" "$one"
else
  echo "building in $one"
  build_copy "$one" || { cat "$WORK/build.log" >&2; echo "the build in $one failed" >&2; exit 2; }
  # Another folder name at another depth, and another certificate: a build path left in a binary, or a
  # signature that the check would take for the program, shows as a difference.
  two="$WORK/second-build-folder/elsewhere/src"
  check_zip "$(ls "$one"/build/instalator-*.zip)" "$two"
  while read -r name; do
    same "unsigned $name" "$one/build/unsigned/$name" "$two/build/unsigned/$name"
  done < <(list_files "$one/build/unsigned")
  if cmp -s "$one/build/signing/signer.pem" "$two/build/signing/signer.pem"; then
    differs "both builds signed with one certificate"
  fi
fi
summary
