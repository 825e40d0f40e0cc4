# The checks of the programs' shell tests: a temporary folder WORK removed at the exit, failures
# counted and reported at the end by `finish`.
# shellcheck shell=bash

WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
failures=0

fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

# expect_equal <what> <expected> <actual>
expect_equal() {
  if [ "$2" != "$3" ]; then
    fail "$1"
    echo "--- expected"
    printf '%s\n' "$2"
    echo "--- actual"
    printf '%s\n' "$3"
  fi
}

# finish <what was checked>: the exit status of the test.
finish() {
  if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
  fi
  echo "All $1 checks passed"
  exit 0
}
