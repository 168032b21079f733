# Shared by run.sh, test.sh and the bench scripts: build, Wine prefix and display set-up.
# shellcheck shell=bash

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD="$ROOT/build"
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}

build_all() {
  "$ROOT/scripts/setup.sh"
  cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw32.cmake" "$@" >/dev/null
  cmake --build "$BUILD" -j "$(nproc)"
}

# Creates the Wine prefix $1 once; a prefix of the project's own keeps tests away from ~/.wine.
ensure_prefix() {
  export WINEPREFIX="$1"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
  # Windows inside one Wine desktop: without a window manager on the display, Wine waits about two
  # seconds for every window it shows.
  if [ ! -f "$WINEPREFIX/.desktop-set" ]; then
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.desktop-set"
  fi
}

# Starts a private Xvfb unless a display is already there; stops it when the script ends.
ensure_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    return 0
  fi
  local fifo
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  XVFB_PID=$!
  local number
  read -r number <"$fifo"
  rm -f "$fifo"
  export DISPLAY=":$number"
  trap 'stop_display' EXIT
}

stop_display() {
  [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1 || true
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" >/dev/null 2>&1 || true
}
