#!/usr/bin/env bash
# Runs the whole suite several times in a row with all cores but one kept busy, as on a CI machine that
# does other work: a test that waits for a fixed time instead of for the event it needs fails here.
#   scripts/test-under-load.sh [runs]     (default 3; further arguments go to ./test.sh)
# Prints one line per run and ends with the number of runs that failed; each run's output stays in
# build/under-load-<n>.log.
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-3}
shift || true

busy=()
stop_load() { [ ${#busy[@]} -eq 0 ] || kill "${busy[@]}" 2>/dev/null; }
trap stop_load EXIT
load=$(( $(nproc) > 1 ? $(nproc) - 1 : 1 ))
for _ in $(seq "$load"); do
  ( while :; do :; done ) &
  busy+=($!)
done
echo "== $load busy process(es) beside the suite on $(nproc) core(s)"

failed=0
mkdir -p "$ROOT/build"
for n in $(seq "$runs"); do
  log="$ROOT/build/under-load-$n.log"
  start=$(date +%s)
  if "$ROOT/test.sh" "$@" >"$log" 2>&1; then
    outcome=passed
  else
    outcome=FAILED
    failed=$((failed + 1))
  fi
  summary=$(grep -E 'tests passed|tests failed' "$log" | tail -1)
  echo "run $n: $outcome in $(( $(date +%s) - start )) s: ${summary:-no summary} ($log)"
  grep -E '^\s*[0-9]+ - .*\(Failed|Timeout|Not Run\)' "$log" | grep -v Disabled || true
done
echo "== $failed of $runs run(s) failed"
[ "$failed" -eq 0 ]
