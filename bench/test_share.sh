#!/usr/bin/env bash
# Share of test code in the repository: non-blank lines of every code file under tests/ (sources,
# fixtures, support, scripts, CMake) over the non-blank lines of all code files that git tracks.
set -euo pipefail
cd "$(dirname "$0")/.."
code() {
  git ls-files -- "$@" | grep -E '(\.(c|cc|cpp|h|hpp|rc|java|sh|bat|py|cmake|manifest)$|CMakeLists\.txt$|^run\.sh$|^test\.sh$|^\.ci/run$)' || true
}
count() { xargs -r cat | grep -c -v -E '^\s*$' || true; }
tests=$(code tests | count)
all=$(code | count)
echo "tests: $tests of $all non-blank code lines ($(awk "BEGIN { printf \"%.1f\", 100 * $tests / $all }")%)"
