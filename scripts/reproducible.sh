#!/usr/bin/env bash
# Is the package reproducible? Builds it twice, from two copies of this source in two different
# folders, and compares byte for byte: the unsigned programs, the zip and its checksum; and in each
# build, every signed program with its signature removed against the unsigned one. The second build
# signs with the first build's development certificate (through INSTALLER_SIGN_PKCS12, the release
# path), so that the signed files, and with them the zips, can be equal too.
#
# Given a downloaded zip, checks it against one build of this source instead: the same files, each
# equal, the programs once their signatures are removed.
#
#   scripts/reproducible.sh                      two builds compared
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
unset INSTALLER_SIGN_PKCS12 INSTALLER_SIGN_PASSWORD INSTALLER_SIGN_TIMESTAMP_URL

# Copies the source (without build folders) to $1 and builds the package in $1/build.
build_copy() {
  local dir=$1
  mkdir -p "$dir"
  tar -C "$ROOT" --exclude=./.git --exclude=./build --exclude='./build-*' -cf - . | tar -C "$dir" -xf -
  if ! { cmake -S "$dir" -B "$dir/build" -DCMAKE_TOOLCHAIN_FILE="$dir/cmake/toolchain-mingw32.cmake" \
           -DINSTALLER_TESTS=OFF && cmake --build "$dir/build" --target stage -j "$(nproc)"; } \
         >"$WORK/build.log" 2>&1; then
    cat "$WORK/build.log" >&2
    echo "the build in $dir failed" >&2
    exit 2
  fi
}

failures=0
same() {  # description, file A, file B
  if cmp -s "$2" "$3"; then
    echo "same: $1"
  else
    echo "DIFFERENT: $1"
    failures=$((failures + 1))
  fi
}

# Every signed program of build $1 (called $2), its signature removed, against the unsigned one. Also checks
# that it carries a signature at all: remove-signature fails on a file without one.
check_signatures_removable() {
  local build=$1 label=$2 name
  while read -r name; do
    rm -f "$WORK/stripped"
    if osslsigncode remove-signature -in "$build/signed/$name" -out "$WORK/stripped" >/dev/null 2>&1; then
      same "$name without its signature = unsigned ($label build)" "$WORK/stripped" "$build/unsigned/$name"
    else
      echo "DIFFERENT: $name carries no signature that can be removed"
      failures=$((failures + 1))
    fi
  done < <(cd "$build/signed" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
}

list_files() { (cd "$1" && find . -type f | sed 's|^\./||' | LC_ALL=C sort); }

one="$WORK/first/source"
echo "building in $one"
build_copy "$one"
check_signatures_removable "$one/build" first

if [ -n "$download" ]; then
  mkdir "$WORK/download"
  unzip -q "$download" -d "$WORK/download"
  if [ "$(list_files "$WORK/download")" = "$(list_files "$one/build/package")" ]; then
    echo "same: the list of files"
  else
    echo "DIFFERENT: the list of files"
    diff <(list_files "$WORK/download") <(list_files "$one/build/package") || true
    failures=$((failures + 1))
  fi
  while read -r name; do
    if [ -f "$one/build/signed/$name" ]; then
      rm -f "$WORK/stripped"
      if osslsigncode remove-signature -in "$WORK/download/$name" -out "$WORK/stripped" >/dev/null 2>&1; then
        same "$name without its signature" "$WORK/stripped" "$one/build/unsigned/$name"
      else
        echo "DIFFERENT: $name in the download is not signed"
        failures=$((failures + 1))
      fi
    elif [ -f "$one/build/package/$name" ]; then
      same "$name" "$WORK/download/$name" "$one/build/package/$name"
    fi
  done < <(list_files "$WORK/download")
else
  # Another folder name at another depth: a build path left in a binary shows as a difference.
  two="$WORK/second-build-folder/elsewhere/src"
  echo "building in $two"
  INSTALLER_SIGN_PKCS12="$one/build/signing/development.p12" INSTALLER_SIGN_PASSWORD=development \
    build_copy "$two"
  check_signatures_removable "$two/build" second
  while read -r name; do
    same "unsigned $name" "$one/build/unsigned/$name" "$two/build/unsigned/$name"
  done < <(list_files "$one/build/unsigned")
  if [ "$(list_files "$one/build/unsigned")" != "$(list_files "$two/build/unsigned")" ]; then
    echo "DIFFERENT: the builds made different programs"
    failures=$((failures + 1))
  fi
  zip=$(basename "$(ls "$one"/build/instalator-*.zip)")
  same "$zip" "$one/build/$zip" "$two/build/$zip"
  same "$zip.sha256" "$one/build/$zip.sha256" "$two/build/$zip.sha256"
fi

(cd "$one/build/unsigned" && sha256sum $(list_files .) | sed 's/^/unsigned: /')
echo "$failures difference(s)"
[ "$failures" -eq 0 ]
