# Shared by run.sh, test.sh and the bench scripts: build, Wine prefix and display set-up.
# shellcheck shell=bash

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# build/ always holds the shipped 32-bit program and package. Where this machine cannot run 32-bit code
# (some virtual machines run 64-bit user code only: execve of an i386 binary fails with ENOEXEC, and
# 32-bit Wine with it), the same sources are also built for 64-bit Windows in build/wine64, and
# everything that runs under Wine (tests, demo) runs that build under 64-bit Wine.
BUILD="$ROOT/build"
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}

# Whether 32-bit Linux programs (and so 32-bit Wine) run here. Call after setup.sh has installed Wine.
runs_32bit_code() {
  [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

# The build that runs under Wine here, and the Wine loader that runs it (exported for wine-run.sh).
# Only after setup.sh: on a fresh machine 32-bit Wine is not there until it has run, and asking
# earlier would pick the 64-bit build on a machine that runs the shipped one.
# INSTALLER_RUN_BUILD=64 picks the 64-bit build on a machine that runs both, to see what CI sees on
# one that does not.
select_wine_build() {
  if runs_32bit_code && [ "${INSTALLER_RUN_BUILD:-}" != 64 ]; then
    RUN_BUILD="$BUILD"
    export INSTALLER_WINE=wine
    RUN_BUILD_SAYS="the shipped 32-bit program (build/), under WOW64 in a 64-bit Wine prefix: this machine runs 32-bit code"
  else
    RUN_BUILD="$BUILD/wine64"
    export INSTALLER_WINE=/usr/lib/wine/wine64
    if runs_32bit_code; then
      RUN_BUILD_SAYS="the 64-bit build of the same sources (build/wine64), as INSTALLER_RUN_BUILD=64 asks"
    else
      RUN_BUILD_SAYS="the 64-bit build of the same sources (build/wine64): this machine runs no 32-bit code"
    fi
  fi
}

# One line for a log that says what the run proved.
say_run_build() {
  echo "== Runs under Wine: $RUN_BUILD_SAYS"
}

# Builds the shipped 32-bit program and package into build/; extra arguments go to cmake.
build_all() {
  "$ROOT/scripts/setup.sh"
  cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw32.cmake" "$@" >/dev/null
  cmake --build "$BUILD" -j "$(nproc)"
}

# build_all, then the build that runs under Wine here with the tests and the demo driver: build/ itself
# where 32-bit code runs, else build/wine64, whose file checks still read the shipped package.
build_runnable() {
  "$ROOT/scripts/setup.sh"
  select_wine_build
  if [ "$RUN_BUILD" = "$BUILD" ]; then
    build_all -DINSTALLER_TESTS=ON
    return
  fi
  build_all -DINSTALLER_TESTS=OFF
  cmake -S "$ROOT" -B "$RUN_BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw64.cmake" \
    -DINSTALLER_TESTS=ON -DSHIPPED_PACKAGE_DIR="$BUILD/package" >/dev/null
  cmake --build "$RUN_BUILD" -j "$(nproc)"
}

# Creates the Wine prefix $1 once; a prefix of the project's own keeps tests away from ~/.wine.
ensure_prefix() {
  export WINEPREFIX="$1"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    "$INSTALLER_WINE" wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
  # Windows inside one Wine desktop: without a window manager on the display, Wine waits about two
  # seconds for every window it shows.
  if [ ! -f "$WINEPREFIX/.desktop-set" ]; then
    "$INSTALLER_WINE" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    "$INSTALLER_WINE" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
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
