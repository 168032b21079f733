#!/usr/bin/env bash
# Times a silent default installation (instalator.exe /S) against an NSIS installer that does the same
# job (bench/reference.nsi), each run on a fresh Wine prefix with 1 and with 20 registered JREs, the two
# installers alternating, and prints the medians and their ratio. Deletes every prefix it makes.
# Usage: bench/installer_vs_nsis.sh [runs per installer and size]   (default 3)
set -euo pipefail
source "$(dirname "$0")/../scripts/common.sh"

RUNS=${1:-3}
build_runnable
if [ "$RUN_BUILD" != "$BUILD" ]; then
  echo "This machine runs no 32-bit code: NSIS installers are 32-bit programs, so there is nothing to compare." >&2
  exit 1
fi
if ! command -v makensis >/dev/null 2>&1; then
  SUDO=
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends nsis >/dev/null
fi

WORK=$(mktemp -d "$BUILD/bench-nsis.XXXXXX")
cleanup() {
  [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ] && wineserver -k >/dev/null 2>&1 || true
  rm -rf "$WORK"
}
trap cleanup EXIT

# On a 64-bit Windows of Windows 7's version (Wine's default) both pick this driver.
DRIVER=twin64.bat
makensis -V2 -DPACKAGE="$BUILD/package" -DDRIVER="$DRIVER" -DOUTFILE="$WORK/reference.exe" \
  "$ROOT/bench/reference.nsi" >/dev/null
JAVA_STAND_IN="$BUILD/tests/java_stand_in.exe"

# A 64-bit prefix with `count` JREs under Program Files (x86), registered in the 32-bit view as
# installers of 32-bit programs see it, each with its own policy file.
make_template() {
  local prefix=$1 count=$2
  cp -a "$WORK/base" "$prefix"
  local reg="$WORK/jres-$count.reg"
  printf 'Windows Registry Editor Version 5.00\r\n\r\n' >"$reg"
  for i in $(seq 1 "$count"); do
    local home="$prefix/drive_c/Program Files (x86)/Java/jre$i"
    mkdir -p "$home/bin" "$home/lib/ext" "$home/lib/security"
    cp "$JAVA_STAND_IN" "$home/bin/java.exe"
    printf 'grant {\r\n};\r\n' >"$home/lib/security/java.policy"
    printf '[HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.6.%d]\r\n' "$i" >>"$reg"
    printf '"JavaHome"="C:\\\\Program Files (x86)\\\\Java\\\\jre%d"\r\n\r\n' "$i" >>"$reg"
  done
  mkdir -p "$prefix/drive_c/pkg" "$prefix/drive_c/nsis"
  cp -r "$BUILD/package/." "$prefix/drive_c/pkg/"
  cp "$WORK/reference.exe" "$prefix/drive_c/nsis/"
  WINEPREFIX="$prefix" "$INSTALLER_WINE" reg import "$(winepath_of "$reg")" /reg:32 >/dev/null 2>&1
  WINEPREFIX="$prefix" wineserver -w
}

winepath_of() {
  echo "Z:${1//\//\\}"
}

# One timed run on a fresh copy of a template; prints the seconds. The exit code and the files in
# every JRE are checked, so that a run which did less is not taken for a fast one.
timed_run() {
  local template=$1 count=$2 which=$3
  export WINEPREFIX="$WORK/run"
  cp -a "$template" "$WINEPREFIX"
  wineserver -p
  "$ROOT/scripts/wine-run.sh" cmd /c ver >/dev/null 2>&1 </dev/null  # Wine's services up before the clock
  local exe='C:\pkg\instalator.exe'
  [ "$which" = nsis ] && exe='C:\nsis\reference.exe'
  local start end code=0
  start=$(date +%s.%N)
  (cd "$WINEPREFIX/drive_c" && "$ROOT/scripts/wine-run.sh" "$exe" /S </dev/null >/dev/null 2>&1) || code=$?
  end=$(date +%s.%N)
  local done_in
  done_in=$(ls "$WINEPREFIX"/drive_c/Program\ Files\ \(x86\)/Java/jre*/lib/ext/ocf1.2.jar 2>/dev/null | wc -l)
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
  unset WINEPREFIX
  # A Unix exit status keeps the low byte of the Windows one.
  if [ "$code" != $((3010 % 256)) ] || [ "$done_in" != "$count" ]; then
    echo "$which with $count JREs: exit code $code, jar in $done_in of $count JREs" >&2
    exit 1
  fi
  echo "$end - $start" | bc -l
}

median() {
  sort -g | awk '{ v[NR] = $1 } END { printf "%.3f", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

WINEPREFIX="$WORK/base" ensure_prefix "$WORK/base"
wineserver -k >/dev/null 2>&1 || true
unset WINEPREFIX
for count in 1 20; do
  make_template "$WORK/template-$count" "$count"
  ours=() nsis=()
  for run in $(seq 1 "$RUNS"); do
    ours+=("$(timed_run "$WORK/template-$count" "$count" ours)")
    nsis+=("$(timed_run "$WORK/template-$count" "$count" nsis)")
  done
  rm -rf "$WORK/template-$count"
  m_ours=$(printf '%s\n' "${ours[@]}" | median)
  m_nsis=$(printf '%s\n' "${nsis[@]}" | median)
  printf '%2d JRE(s): instalator.exe /S median %ss (%s), NSIS median %ss (%s), ratio %.2f\n' "$count" "$m_ours" \
    "$(printf '%.2f ' "${ours[@]}")" "$m_nsis" "$(printf '%.2f ' "${nsis[@]}")" "$(echo "$m_ours / $m_nsis" | bc -l)"
done
