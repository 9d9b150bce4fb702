#!/usr/bin/env bash
# Installs what is missing, builds, starts the forum simulator and the client pointed at it.
# Without a display it runs both under Xvfb and says how to look at it. Arguments go to the
# simulator: `bash scripts/demo.sh --charset utf-8 --captcha` plays a UTF-8 forum with a captcha.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh demo
bash scripts/build.sh build
sim_out=$(mktemp)
./build/sim/quorvel-sim --print-client-args "$@" >"$sim_out" 2>&1 &
sim_pid=$!
trap 'kill $sim_pid 2>/dev/null || true' EXIT
for _ in $(seq 50); do grep -q -- '--forum-host' "$sim_out" && break; sleep 0.1; done
cat "$sim_out"
read -r -a args < <(grep -- '--forum-host' "$sim_out" | tail -n 1)
data_dir=${QUORVEL_DEMO_DATA:-$HOME/.local/share/quorvel-demo}
mkdir -p "$data_dir"
if [ -z "${DISPLAY:-}" ]; then
  # Xvfb admits only clients that show its cookie: keep the authority file where the printed
  # command can name it (a private folder, not a guessable name in /tmp).
  auth_dir=${XDG_RUNTIME_DIR:-$HOME/.cache}/quorvel-demo
  mkdir -p "$auth_dir"
  chmod 700 "$auth_dir"
  auth_file=$auth_dir/Xauthority
  rm -f "$auth_file"
  touch "$auth_file"
  echo "No display: running under Xvfb on :99. Take a screenshot with:"
  echo "  XAUTHORITY=$auth_file DISPLAY=:99 import -window root shot.png"
  xvfb-run -n 99 -f "$auth_file" -s "-screen 0 1280x800x24" ./build/quorvel --data-dir "$data_dir" "${args[@]}"
else
  ./build/quorvel --data-dir "$data_dir" "${args[@]}"
fi
