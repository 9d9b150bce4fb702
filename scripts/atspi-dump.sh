#!/usr/bin/env bash
# Starts the client against the forum simulator under Xvfb with its own D-Bus session and prints
# what a Linux screen reader sees of the login window (AT-SPI), checking the controls' names.
# Needs: xvfb, dbus, at-spi2-core, python3-pyatspi. Usage: scripts/atspi-dump.sh [BUILD_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}

if [ -z "${QUORVEL_ATSPI_INNER:-}" ]; then
  export QUORVEL_ATSPI_INNER=1
  exec xvfb-run -a -s "-screen 0 1280x800x24" dbus-run-session -- "$0" "$build"
fi

work=$(mktemp -d)
sim_out=$work/sim.out
"$build/sim/quorvel-sim" --print-client-args >"$sim_out" 2>&1 &
sim_pid=$!
client_pid=
cleanup() {
  [ -n "$client_pid" ] && kill "$client_pid" 2>/dev/null || true
  kill "$sim_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
for _ in $(seq 50); do grep -q -- '--forum-host' "$sim_out" && break; sleep 0.1; done
read -r -a args < <(grep -- '--forum-host' "$sim_out" | tail -n 1)

export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 NO_AT_BRIDGE=0
mkdir -p "$work/data"
"$build/quorvel" --data-dir "$work/data" "${args[@]}" >"$work/client.log" 2>&1 &
client_pid=$!
status=0
/usr/bin/python3 "$here/atspi_dump.py" 20 || status=$?
exit $status
