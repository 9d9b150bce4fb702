# Shared by the screenshot scripts (sourced, not run): the forum simulator on free ports, the client
# pointed at it on a private Xvfb, and the xdotool helpers that find, click and photograph its
# windows. The caller sets build (build folder), out (picture folder) and scale (1 to 4) first.
#
#   xs_prepare                 installs the tools and builds when missing; sets client, simulator, work
#   xs_start_sim [ARGS...]     the simulator with extra switches; sets client_args, vip_host
#   xs_start_xvfb              a private X server large enough for the panel at the scale; sets DISPLAY
#   xs_start_client            the client on that display; sets client_pid
#   sim_control PATH           GET /__sim/PATH on the simulator, printing the answer
#   window TITLE, click ID X Y, shot ID NAME

xs_prepare() {
  case $scale in [1-4]) ;; *) echo "--scale takes a whole factor from 1 to 4" >&2; exit 2 ;; esac
  suffix=""
  [ "$scale" != 1 ] && suffix="@${scale}x"
  # What the pictures need: X server, ImageMagick's import, xdotool, and the CJK face.
  if ! command -v Xvfb >/dev/null || ! command -v import >/dev/null || ! command -v xdotool >/dev/null \
     || ! fc-list 2>/dev/null | grep -qi 'Noto Sans CJK'; then
    bash scripts/deps.sh demo
  fi
  if [ ! -x "$build/quorvel" ] || [ ! -x "$build/sim/quorvel-sim" ]; then
    bash scripts/build.sh "$build"
  fi
  client=$(cd "$build" && pwd)/quorvel
  simulator=$(cd "$build" && pwd)/sim/quorvel-sim
  mkdir -p "$out"
  out=$(cd "$out" && pwd)
  work=$(mktemp -d)
  pids=()
  trap xs_cleanup EXIT
}

xs_cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}

# The simulator's first line is the client's command line.
xs_start_sim() {
  "$simulator" "$@" --print-client-args --quiet >"$work/sim.out" 2>"$work/sim.err" &
  pids+=($!)
  for _ in $(seq 100); do grep -q -- '--forum-host' "$work/sim.out" 2>/dev/null && break; sleep 0.1; done
  read -r -a client_args < <(grep -- '--forum-host' "$work/sim.out" | head -n 1)
  vip_host=""
  for ((i = 0; i < ${#client_args[@]}; i++)); do
    [ "${client_args[$i]}" = --vip-host ] && vip_host=${client_args[$((i + 1))]}
  done
  [ -n "$vip_host" ] || { echo "the simulator did not start:" >&2; cat "$work/sim.out" "$work/sim.err" >&2; exit 1; }
}

sim_control() { curl -fsS "http://$vip_host/__sim/$1"; }

xs_start_xvfb() {
  exec 3>"$work/display"
  Xvfb -displayfd 3 -screen 0 "$((1280 * scale))x$((800 * scale))x24" -nolisten tcp >"$work/xvfb.log" 2>&1 &
  pids+=($!)
  exec 3>&-
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || { echo "Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
  export DISPLAY=:$(head -n 1 "$work/display")
}

xs_start_client() {
  mkdir -p "$work/data"
  QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale QT_AUTO_SCREEN_SCALE_FACTOR=0 QT_ENABLE_HIGHDPI_SCALING=1 \
    "$client" --data-dir "$work/data" "${client_args[@]}" >"$work/client.log" 2>&1 &
  client_pid=$!
  pids+=($client_pid)
}

# Waits for a visible window whose title is exactly $1 and prints its id. The start window bears
# the login window's title: windows smaller than 100 pixels a side do not count.
window() {
  local id X Y WIDTH HEIGHT SCREEN WINDOW
  for _ in $(seq 200); do
    for id in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
      WIDTH=0 HEIGHT=0
      eval "$(xdotool getwindowgeometry --shell "$id" 2>/dev/null)" || continue
      if [ "${WIDTH:-0}" -ge $((100 * scale)) ] && [ "${HEIGHT:-0}" -ge $((100 * scale)) ]; then
        echo "$id"
        return 0
      fi
    done
    sleep 0.1
  done
  echo "no window \"$1\" appeared" >&2
  return 1
}

# Clicks at a place given in the window's own (unscaled) pixels.
click() { xdotool mousemove --window "$1" $(($2 * scale)) $(($3 * scale)) click 1; sleep 0.3; }

# The window's rectangle cut from the whole screen: "import -window ID" waits for an expose event
# that never comes on a server without a window manager.
shot() {
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$1")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out/$2$suffix.png"
  echo "$out/$2$suffix.png"
}
