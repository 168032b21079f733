#!/usr/bin/env bash
# Builds the installer, stages the package and starts it under Wine in a demo prefix of its own.
# With a display, the real window opens for you. Without one, a private Xvfb is started and a default
# installation is driven as a user would do it: Yes, the reader list, Install, Retry in a copy
# conflict, details, Close, the restart notice; a screenshot of each screen lands in build/screenshots
# and the report is printed.
#   ./run.sh               build, stage, run
#   ./run.sh --stage-only  build and stage only (build/package, build/instalator-1.5.zip)
set -euo pipefail
source "$(dirname "$0")/scripts/common.sh"

if [ "${1:-}" = "--stage-only" ]; then
  build_all -DINSTALLER_TESTS=OFF
  echo "Staged: $BUILD/package and $BUILD/instalator-1.5.zip"
  exit 0
fi

build_runnable
say_run_build

interactive=0
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1 && [ -z "${CI:-}" ]; then
  interactive=1
else
  # Before any Wine process starts: Wine's desktop takes the display it finds first.
  ensure_display
fi
ensure_prefix "$RUN_BUILD/wineprefix-demo"
source "$ROOT/scripts/demo-java.sh"
register_demo_jre "$RUN_BUILD/demo-jre/java.exe"
wineserver -w

to_windows() { printf 'Z:%s' "${1//\//\\}"; }

if [ $interactive -eq 1 ]; then
  cd "$RUN_BUILD/package"
  exec "$ROOT/scripts/wine-run.sh" instalator.exe
fi

shots="$BUILD/screenshots"
rm -rf "$shots"
mkdir -p "$shots"
"$ROOT/scripts/wine-run.sh" "$RUN_BUILD/demo/demo_driver.exe" \
  "$(to_windows "$RUN_BUILD/package/instalator.exe")" "$(to_windows "$shots")"
# The details once more at 150%: Wine takes the scale from LogPixels when a process starts.
"$INSTALLER_WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
"$ROOT/scripts/wine-run.sh" "$RUN_BUILD/demo/demo_driver.exe" \
  "$(to_windows "$RUN_BUILD/package/instalator.exe")" "$(to_windows "$shots")" expanded-150
"$INSTALLER_WINE" reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1
# In the order a user meets them.
for shot in welcome dialog conflict collapsed expanded expanded-150; do
  convert "$shots/$shot.bmp" "$shots/$shot.png" && rm -f "$shots/$shot.bmp"
done
echo "Screenshots: $(ls "$shots"/*.png | tr '\n' ' ')"
