# Shared by fuzz/run-short.sh and bench/fuzz-long.sh (sourced, from the tree's root): builds the
# fuzz targets with clang and the sanitizers, lists them and finds each one's seed folders.
#   fuzz_build DIR         configures DIR, builds only what lies under fuzz/, fills fuzz_targets;
#                          a DIR already configured with the fuzz targets (scripts/test.sh's
#                          build-asan) keeps its configuration and is only brought up to date
#   fuzz_seeds NAME        fills fuzz_seed_dirs with every fuzz/*/corpus/NAME/ that exists

fuzz_build() {
  local dir=$1
  if ! grep -qx 'QUORVEL_FUZZ:BOOL=ON' "$dir/CMakeCache.txt" 2>/dev/null; then
    CC=clang CXX=clang++ cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DQUORVEL_FUZZ=ON -DQUORVEL_SANITIZE=ON >/dev/null
  fi
  cmake --build "$dir" -j2 --target quorvel_fuzz_targets >/dev/null
  mapfile -t fuzz_targets < <(find "$dir/fuzz" -type f -perm -u+x -not -path '*/CMakeFiles/*' | sort)
  if [ ${#fuzz_targets[@]} -eq 0 ]; then
    echo "no fuzz targets found under $dir/fuzz" >&2
    return 1
  fi
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=1}
  export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
  export QT_QPA_PLATFORM=offscreen
}

fuzz_seeds() {
  local seed
  fuzz_seed_dirs=()
  for seed in "$(pwd)"/fuzz/*/corpus/"$1"; do
    [ -d "$seed" ] && fuzz_seed_dirs+=("$seed")
  done
  return 0
}

# Names of the inputs libFuzzer keeps for a finding.
fuzz_finding_patterns=(\( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \))
