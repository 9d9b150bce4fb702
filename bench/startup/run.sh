#!/usr/bin/env bash
# Start-up benchmark: builds the client, the simulator, the two floors (plain form, empty window)
# and the runner, then prints three markdown tables (bench/RESULTS.md, "Start-up time"): the
# sign-in on a slow link, the sign-in's overhead on loopback, the start-up to the login window.
#   BUILD_DIR  build folder (default build-bench; Release-like flags, warnings as errors)
#   RUNS       runs per measure on loopback (default 21; the median is reported)
#   SLOW_RUNS  sign-ins on the slow link (default 3), SLOW_MS its delay per answer (default 100)
#   PLATFORM   xcb (default: under a private Xvfb) or offscreen
#   BASELINE   optional: another build's quorvel executable, measured in the same rounds and
#              compared in a second table (e.g. a build of an older commit in a git worktree)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${BUILD_DIR:-build-bench}
runs=${RUNS:-21}
platform=${PLATFORM:-xcb}
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(pwd)} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_WERROR=ON >/dev/null
cmake --build "$build" -j2 --target quorvel quorvel-sim bench_startup bench_startup_bare bench_startup_plain >/dev/null

xvfb_pid=
cleanup() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true; }
trap cleanup EXIT
if [ "$platform" = xcb ]; then
  command -v Xvfb >/dev/null || { echo "run.sh: Xvfb is missing (apt-get install xvfb), or use PLATFORM=offscreen" >&2; exit 1; }
  display_file=$(mktemp)
  # Xvfb picks a free display number itself and writes it to fd 3. -noreset: a desktop's X server
  # lives on between programs. Without it Xvfb regenerates whenever its one client ends, and the
  # next program's first windows then wait ~15 ms while the server faults in a fresh frame buffer.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$display_file" 2>/dev/null &
  xvfb_pid=$!
  for _ in $(seq 50); do [ -s "$display_file" ] && break; sleep 0.1; done
  [ -s "$display_file" ] || { echo "run.sh: Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$(head -n1 "$display_file")"
  rm -f "$display_file"
fi

baseline=()
[ -n "${BASELINE:-}" ] && baseline=(--baseline-client "$(realpath "$BASELINE")")
"$build/bench/startup/bench_startup" --build "$build" --runs "$runs" --slow-runs "${SLOW_RUNS:-3}" \
  --slow-ms "${SLOW_MS:-100}" --platform "$platform" "${baseline[@]}"
