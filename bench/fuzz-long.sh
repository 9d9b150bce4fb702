#!/usr/bin/env bash
# Longer libFuzzer runs: every fuzz target for a fixed time each, reporting executions and findings.
# Builds like fuzz/run-short.sh (clang, sanitizers on, only what lies under fuzz/), then runs each
# executable under the build's fuzz/ folder for N seconds or until its first finding. Seeds come
# from fuzz/*/corpus/<target>/ and are never written to; an input that crashes, leaks, hangs or runs
# out of memory is copied to <build>/findings/<target>/. Exit status 1 when any target had a finding.
#
#   bench/fuzz-long.sh                 60 s per target
#   bench/fuzz-long.sh 300             300 s per target
#   bench/fuzz-long.sh 60 login_reply  only targets whose name contains "login_reply"
#   FUZZ_BUILD_DIR=build-x bench/fuzz-long.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
dir=${FUZZ_BUILD_DIR:-build-fuzz}
seconds=${1:-60}
filter=${2:-}
case $seconds in
  '' | *[!0-9]*) echo "usage: $0 [SECONDS] [NAME-FILTER]" >&2; exit 2 ;;
esac

source fuzz/common.sh
fuzz_build "$dir"

printf '%-34s %8s %12s %10s %8s %s\n' target seconds executions exec/s corpus findings
total_findings=0
for exe in "${fuzz_targets[@]}"; do
  name=$(basename "$exe")
  [ -n "$filter" ] && [[ $name != *"$filter"* ]] && continue
  work=$(mktemp -d)
  fuzz_seeds "$name"
  start=$SECONDS
  # One process per target (a forked run loses the executions of its last, cut-off job); a target
  # stops at its first finding.
  (cd "$work" && "$root/$exe" -max_total_time="$seconds" -artifact_prefix="$work/" -print_final_stats=1 \
     "$work" "${fuzz_seed_dirs[@]}" >"$work/log" 2>&1) || true
  elapsed=$((SECONDS - start))
  # The final statistics when the run ended normally, else the last status line before the finding.
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -1)
  [ -n "$execs" ] || execs=$(grep -oE '^#[0-9]+' "$work/log" | tail -1 | tr -d '#' || true)
  execs=${execs:-0}
  corpus=$(find "$work" -maxdepth 1 -type f -not -name log -not "${fuzz_finding_patterns[@]}" | wc -l)
  mapfile -t found < <(find "$work" -maxdepth 1 -type f "${fuzz_finding_patterns[@]}")
  if [ ${#found[@]} -gt 0 ]; then
    mkdir -p "$dir/findings/$name"
    cp "${found[@]}" "$dir/findings/$name/"
    grep -m3 -E 'ERROR: (AddressSanitizer|libFuzzer|UndefinedBehaviorSanitizer)|runtime error' "$work/log" | sed 's/^/    /' || true
  fi
  printf '%-34s %8d %12d %10d %8d %d\n' "$name" "$elapsed" "$execs" "$((execs / (elapsed > 0 ? elapsed : 1)))" \
    "$corpus" "${#found[@]}"
  total_findings=$((total_findings + ${#found[@]}))
  rm -rf "$work"
done
echo "findings: $total_findings (inputs under $dir/findings/)"
[ "$total_findings" -eq 0 ]
