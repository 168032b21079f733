#!/usr/bin/env bash
# Times CopyTree against a plain CopyFileA loop and against xcopy, on a Wine prefix of its own.
# Usage: bench/copy_tree_bench.sh [repeats]   (default 5)
set -euo pipefail
source "$(dirname "$0")/../scripts/common.sh"

build_runnable
ensure_prefix "$RUN_BUILD/wineprefix-bench"
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
wineserver -p
# Start Wine's background services before the first timing, not inside it.
"$ROOT/scripts/wine-run.sh" cmd /c ver >/dev/null 2>&1 </dev/null
"$ROOT/scripts/wine-run.sh" "$RUN_BUILD/bench/copy_tree_bench.exe" "${1:-5}"
