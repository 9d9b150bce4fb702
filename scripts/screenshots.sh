#!/usr/bin/env bash
# Screenshots of the client's windows against the forum simulator, taken under a private Xvfb:
#   login.png     the login window
#   identity.png  the identity check during the hand-over (the VIP page is slowed to keep it up)
#   panel.png     the member panel of the demo VIP member vipbob
# With --all also lostpassword.png (the lost-password window) and panel-exchange.png,
# panel-about.png (the panel's other two pages). With --scale N the client runs at
# QT_SCALE_FACTOR=N on a screen N times as large, and every file name gets "@Nx" (login@2x.png):
# the high-density check, to be looked at for cut or overlapping controls and blurry pictures.
#
# Usage: scripts/screenshots.sh [--build DIR] [--scale N] [--all] [OUTDIR]
#   --build DIR  use the client and simulator built in DIR (default: build, built when missing)
#   OUTDIR       where the pictures go (default: docs/screenshots)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

build=build
scale=1
all=0
out=docs/screenshots
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=${2:?--build needs a folder}; shift 2 ;;
    --scale) scale=${2:?--scale needs a factor}; shift 2 ;;
    --all) all=1; shift ;;
    -h|--help) sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "unknown option $1" >&2; exit 2 ;;
    *) out=$1; shift ;;
  esac
done
case $scale in
  [1-4]) ;;
  *) echo "--scale takes a whole factor from 1 to 4" >&2; exit 2 ;;
esac
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
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The simulator on free ports; its first line is the client's command line.
"$simulator" --print-client-args --quiet >"$work/sim.out" 2>"$work/sim.err" &
pids+=($!)
for _ in $(seq 100); do grep -q -- '--forum-host' "$work/sim.out" 2>/dev/null && break; sleep 0.1; done
read -r -a client_args < <(grep -- '--forum-host' "$work/sim.out" | head -n 1)
vip_host=""
for ((i = 0; i < ${#client_args[@]}; i++)); do
  [ "${client_args[$i]}" = --vip-host ] && vip_host=${client_args[$((i + 1))]}
done
[ -n "$vip_host" ] || { echo "the simulator did not start:" >&2; cat "$work/sim.out" "$work/sim.err" >&2; exit 1; }
control() { curl -fsS "http://$vip_host/__sim/$1" >/dev/null; }

# A private X server on a free display, large enough for the panel at the chosen scale.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 "$((1280 * scale))x$((800 * scale))x24" -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
exec 3>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=:$(head -n 1 "$work/display")

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

mkdir -p "$work/data"
QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale QT_AUTO_SCREEN_SCALE_FACTOR=0 QT_ENABLE_HIGHDPI_SCALING=1 \
  "$client" --data-dir "$work/data" "${client_args[@]}" >"$work/client.log" 2>&1 &
client_pid=$!
pids+=($client_pid)

# Login window: the clock has ticked and the banner has moved on a few frames.
login=$(window Quorvel)
sleep 1.6
shot "$login" login

if [ "$all" = 1 ]; then
  # The lost-password window, from the "找回密码" link of the input panel (Picture1 at y 136).
  click "$login" 384 190
  lost=$(window 找回密码)
  sleep 0.5
  shot "$lost" lostpassword
  # Escape closes it; keys go to the window under the pointer on a server without window manager.
  lost=$(window 找回密码)
  xdotool mousemove --window "$lost" 20 20 key Escape
  for _ in $(seq 50); do xdotool search --onlyvisible --name '^找回密码$' >/dev/null 2>&1 || break; sleep 0.1; done
fi

# Keep the identity check on screen: the next VIP page answers four seconds late.
control "slow?ms=4000"
control "fault?mode=slow&role=vip&count=1"

# Sign in as vipbob: the account box (its prompt goes at the click), the password box, the button.
click "$login" 268 163
xdotool type --delay 40 vipbob
click "$login" 268 188
xdotool type --delay 40 bob456
click "$login" 212 304

identity=$(window Quorvel软件)
sleep 2.2
shot "$identity" identity

panel=$(window Quorvel会员中心)
# The version check and the readings have written their status by now.
sleep 2
shot "$panel" panel

if [ "$all" = 1 ]; then
  # The tab strip sits at x 224, y 118 of the panel; the tabs stand round x 263, 367 and 475.
  for page in exchange:367 about:475; do
    xdotool mousemove --window "$panel" $((${page#*:} * scale)) $((133 * scale)) click 1
    sleep 0.6
    shot "$panel" "panel-${page%%:*}"
  done
fi

kill "$client_pid" 2>/dev/null || true
