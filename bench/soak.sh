#!/usr/bin/env bash
# The soak test (tests/soak/test_soak.cpp) once for 200 visits under LeakSanitizer: sign-in through
# the login window, hand-over, exchange, sign-out, in one process against the in-process simulator.
# Prints visits, resident memory and open descriptors, and whether LeakSanitizer found a leak.
# Builds test_soak in the ASan build folder first (configured like scripts/test.sh's build-asan).
# Resident memory under ASan includes its quarantine of freed memory; with SOAK_PLAIN_BUILD set to
# a normal build folder the same soak also runs there once, for memory figures without it.
#
#   bench/soak.sh                                  build-asan, 200 visits
#   SOAK_CYCLES=500 SOAK_ASAN_BUILD=build-x bench/soak.sh
#   SOAK_PLAIN_BUILD=build bench/soak.sh          also the plain build's figures
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
asan_dir=${SOAK_ASAN_BUILD:-build-asan}
plain_dir=${SOAK_PLAIN_BUILD:-}
cycles=${SOAK_CYCLES:-200}
export QT_QPA_PLATFORM=offscreen
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}

build() {
  local dir=$1; shift
  local log
  log=$(mktemp)
  if { [ -f "$dir/CMakeCache.txt" ] || cmake -S . -B "$dir" "$@"; } >"$log" 2>&1 &&
    cmake --build "$dir" -j2 --target test_soak >>"$log" 2>&1; then
    rm -f "$log"
  else
    cat "$log"
    rm -f "$log"
    return 1
  fi
}

# Runs the soak in one build folder; prints its figure line and returns the test's exit status.
run_soak() {
  local dir=$1 log=$2
  local rc=0
  QUORVEL_SOAK_CYCLES=$cycles "$dir/tests/soak/test_soak" >"$log" 2>&1 || rc=$?
  grep -E '^SOAK ' "$log" || echo "SOAK (no figures: the test stopped early)"
  grep -E '^(FAIL!|   Loc:)' "$log" || true
  return $rc
}

status=0
logdir=$(mktemp -d)
echo "== soak under LeakSanitizer ($asan_dir, $cycles visits) =="
build "$asan_dir" -DQUORVEL_WERROR=ON -DQUORVEL_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS="suppressions=$root/bench/soak/lsan.supp:print_suppressions=1" \
  UBSAN_OPTIONS=print_stacktrace=1 run_soak "$asan_dir" "$logdir/asan.log" || status=1
if grep -q 'ERROR: LeakSanitizer' "$logdir/asan.log"; then
  echo "LeakSanitizer: leaks found (log: $logdir/asan.log)"
  grep -E '^(Direct|Indirect) leak|^SUMMARY' "$logdir/asan.log"
  status=1
else
  echo "LeakSanitizer: no leaks"
fi
grep -A4 'Suppressions used' "$logdir/asan.log" || echo "LeakSanitizer suppressions used: none"

if [ -n "$plain_dir" ]; then
  echo "== soak in the plain build ($plain_dir, $cycles visits) =="
  build "$plain_dir" -DQUORVEL_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
  run_soak "$plain_dir" "$logdir/plain.log" || status=1
fi
[ $status -eq 0 ] && rm -rf "$logdir"
exit $status
