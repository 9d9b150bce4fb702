#!/usr/bin/env bash
# Installs what is missing, builds and runs every test headless: once with warnings as errors,
# once under AddressSanitizer + UndefinedBehaviorSanitizer (clang, with the fuzz targets), then a
# short fuzz run of those targets.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh build
export QT_QPA_PLATFORM=offscreen
export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/ccache}
# Cache hits across clones of the tree in other folders (CI builds a fresh clone).
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(pwd)} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
# Most tests wait on sockets and timers, not on the processor: CTest runs several at once, more
# than there are cores. The few that need the machine alone are RUN_SERIAL (tests/CMakeLists.txt).
test_jobs=${QUORVEL_TEST_JOBS:-8}

passed=0
failed=0
# Runs CTest in a build folder and adds its counts to the totals.
run_ctest() {
  local dir=$1 log
  log=$(mktemp)
  local rc=0
  (cd "$dir" && ctest --output-on-failure -j"$test_jobs") 2>&1 | tee "$log" || rc=1
  local line
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1 || true)
  if [ -n "$line" ]; then
    local bad total
    bad=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
    total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")
    passed=$((passed + total - bad))
    failed=$((failed + bad))
  else
    failed=$((failed + 1))
  fi
  rm -f "$log"
  return $rc
}

# Both builds compile the files of a target together (CMake's unity build): the Qt headers every
# file includes are read once per batch instead of once per file. A build of one's own without it
# still shows a file that misses an include of its own.
unity=(-DCMAKE_UNITY_BUILD=ON)

status=0
echo "== build (warnings are errors) =="
bash scripts/build.sh build -DQUORVEL_WERROR=ON "${unity[@]}"
run_ctest build || status=1

# clang here, so that the fuzz targets are built in the same folder rather than in a third build of
# the libraries (and the code meets a second compiler's warnings).
echo "== build (ASan + UBSan, clang) =="
bash scripts/build.sh build-asan -DQUORVEL_WERROR=ON -DQUORVEL_SANITIZE=ON -DQUORVEL_FUZZ=ON \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ "${unity[@]}"
run_ctest build-asan || status=1

if [ -f fuzz/run-short.sh ]; then
  echo "== fuzz (short runs) =="
  if FUZZ_BUILD_DIR=build-asan bash fuzz/run-short.sh; then passed=$((passed + 1)); else failed=$((failed + 1)); status=1; fi
fi

echo "tests: $passed passed, $failed failed"
exit $status
