#!/usr/bin/env bash
# Short libFuzzer runs: configures build-fuzz with clang (sanitizers on), builds only what lies under
# fuzz/ (the fuzz targets and the libraries they link), then runs every executable found under
# build-fuzz/fuzz for a fixed number of runs, as many at once as there are cores. Fails on a
# finding, leaving the input that caused it in build-fuzz/findings/.
#
#   fuzz/run-short.sh                 20,000 runs per target
#   FUZZ_RUNS=200000 fuzz/run-short.sh
#   FUZZ_BUILD_DIR=build-asan fuzz/run-short.sh    the fuzz targets of scripts/test.sh's ASan build
#   FUZZ_JOBS=1 fuzz/run-short.sh                  one target at a time
#
# Seeds: every directory fuzz/*/corpus/<target name>/ that exists is read (never written to).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
dir=${FUZZ_BUILD_DIR:-build-fuzz}
runs=${FUZZ_RUNS:-20000}
# A ceiling per target so that a slow target cannot stretch the whole run.
max_seconds=${FUZZ_MAX_SECONDS:-20}

source fuzz/common.sh
fuzz_build "$dir"

mkdir -p "$dir/findings"
# Targets run side by side, one a core (each is one process busy on its own input).
jobs=${FUZZ_JOBS:-$(nproc)}
results=$(mktemp -d)

# Runs one target; its outcome goes to $results/<name>.ok or .finding (with the log's tail).
run_target() {
  local exe=$1 name work start
  name=$(basename "$exe")
  work=$(mktemp -d)
  fuzz_seeds "$name"
  start=$SECONDS
  # New inputs go to the scratch corpus (the first directory), never into the seed folders.
  if (cd "$work" && "$root/$exe" -runs="$runs" -max_total_time="$max_seconds" -artifact_prefix="$work/" \
        -print_final_stats=0 "$work" "${fuzz_seed_dirs[@]}" >"$work/log" 2>&1); then
    echo "fuzz $name: ok ($((SECONDS - start)) s)" >"$results/$name.ok"
  else
    { echo "fuzz $name: FINDING"; tail -40 "$work/log"; } >"$results/$name.finding"
    find "$work" -maxdepth 1 -type f "${fuzz_finding_patterns[@]}" -exec cp {} "$dir/findings/" \;
  fi
  rm -rf "$work"
}

for exe in "${fuzz_targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do
    wait -n || true
  done
  run_target "$exe" &
done
wait

passed=0
failed=0
for exe in "${fuzz_targets[@]}"; do
  name=$(basename "$exe")
  if [ -f "$results/$name.ok" ]; then
    cat "$results/$name.ok"
    passed=$((passed + 1))
  else
    # A target that left no outcome at all counts as a finding too.
    cat "$results/$name.finding" >&2 2>/dev/null || echo "fuzz $name: no outcome" >&2
    failed=$((failed + 1))
  fi
done
rm -rf "$results"
echo "fuzz targets: $passed clean, $failed with findings"
[ "$failed" -eq 0 ]
