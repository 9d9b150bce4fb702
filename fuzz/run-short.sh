#!/usr/bin/env bash
# Short libFuzzer runs: configures build-fuzz with clang (sanitizers on), builds only what lies under
# fuzz/ (the fuzz targets and the libraries they link), then runs every executable found under
# build-fuzz/fuzz for a fixed number of runs. Fails on the first finding, leaving the input that
# caused it in build-fuzz/findings/.
#
#   fuzz/run-short.sh                 20,000 runs per target
#   FUZZ_RUNS=200000 fuzz/run-short.sh
#   FUZZ_BUILD_DIR=build-asan fuzz/run-short.sh    the fuzz targets of scripts/test.sh's ASan build
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
passed=0
failed=0
for exe in "${fuzz_targets[@]}"; do
  name=$(basename "$exe")
  work=$(mktemp -d)
  fuzz_seeds "$name"
  start=$SECONDS
  # New inputs go to the scratch corpus (the first directory), never into the seed folders.
  if (cd "$work" && "$root/$exe" -runs="$runs" -max_total_time="$max_seconds" -artifact_prefix="$work/" \
        -print_final_stats=0 "$work" "${fuzz_seed_dirs[@]}" >"$work/log" 2>&1); then
    echo "fuzz $name: ok ($((SECONDS - start)) s)"
    passed=$((passed + 1))
  else
    echo "fuzz $name: FINDING" >&2
    tail -40 "$work/log" >&2
    find "$work" -maxdepth 1 -type f "${fuzz_finding_patterns[@]}" -exec cp {} "$dir/findings/" \;
    failed=$((failed + 1))
  fi
  rm -rf "$work"
done
echo "fuzz targets: $passed clean, $failed with findings"
[ "$failed" -eq 0 ]
