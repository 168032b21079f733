# Sourced by the shell tests: check "<what>" <command...> runs the command and tallies a failure when
# it fails; finish prints the tally and ends the test with it.
failures=0
check() {
  if "${@:2}"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi
}
finish() {
  echo "$failures failure(s)"
  exit $((failures > 0))
}
