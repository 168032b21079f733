#!/usr/bin/env bash
# Builds the installer and its tests, stages the package and runs the whole suite under Wine and Xvfb.
# Installs whatever is missing on a Debian machine first. Extra arguments go to ctest (e.g. -R Dialog).
set -euo pipefail
source "$(dirname "$0")/scripts/common.sh"

build_runnable
# The display first: Wine's desktop takes the display it finds when the prefix's server starts.
ensure_display
ensure_prefix "$RUN_BUILD/wineprefix-test"
wineserver -p  # one server for the whole run instead of one per test program
# Start Wine's own background processes now, outside any test's output pipe: a test whose pipe they
# inherited would not end until they do.
"$ROOT/scripts/wine-run.sh" cmd /c ver >/dev/null 2>&1 </dev/null
cd "$RUN_BUILD"
say_run_build
ctest --output-on-failure "$@"
