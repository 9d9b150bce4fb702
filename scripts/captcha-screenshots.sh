#!/usr/bin/env bash
# The login window on a forum that asks for a captcha, taken under a private Xvfb, and one sign-in
# driven with xdotool the way a member does it (the code typed, Enter pressed):
#   login-captcha.png           the captcha row after the first press of the login button
#   login-captcha-question.png  the same with the security-question answer box
# With --scale N the client runs at QT_SCALE_FACTOR=N and the names get "@Nx".
#
# Usage: scripts/captcha-screenshots.sh [--build DIR] [--scale N] [OUTDIR]
set -euo pipefail
cd "$(dirname "$0")/.."

build=build
scale=1
out=docs/screenshots
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=${2:?--build needs a folder}; shift 2 ;;
    --scale) scale=${2:?--scale needs a factor}; shift 2 ;;
    -h|--help) sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "unknown option $1" >&2; exit 2 ;;
    *) out=$1; shift ;;
  esac
done
case $scale in [1-4]) ;; *) echo "--scale takes a whole factor from 1 to 4" >&2; exit 2 ;; esac
suffix=""
[ "$scale" != 1 ] && suffix="@${scale}x"

if ! command -v Xvfb >/dev/null || ! command -v import >/dev/null || ! command -v xdotool >/dev/null; then
  bash scripts/deps.sh demo
fi
[ -x "$build/quorvel" ] && [ -x "$build/sim/quorvel-sim" ] || bash scripts/build.sh "$build"
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

"$simulator" --captcha --print-client-args --quiet >"$work/sim.out" 2>"$work/sim.err" &
pids+=($!)
for _ in $(seq 100); do grep -q -- '--forum-host' "$work/sim.out" 2>/dev/null && break; sleep 0.1; done
read -r -a client_args < <(grep -- '--forum-host' "$work/sim.out" | head -n 1)
vip_host=""
for ((i = 0; i < ${#client_args[@]}; i++)); do
  [ "${client_args[$i]}" = --vip-host ] && vip_host=${client_args[$((i + 1))]}
done
[ -n "$vip_host" ] || { echo "the simulator did not start" >&2; cat "$work/sim.err" >&2; exit 1; }
control() { curl -fsS "http://$vip_host/__sim/$1"; }

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 "$((1280 * scale))x$((800 * scale))x24" -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
exec 3>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(head -n 1 "$work/display")

window() {
  local id X Y WIDTH HEIGHT SCREEN WINDOW
  for _ in $(seq 200); do
    for id in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
      WIDTH=0 HEIGHT=0
      eval "$(xdotool getwindowgeometry --shell "$id" 2>/dev/null)" || continue
      if [ "${WIDTH:-0}" -ge $((100 * scale)) ] && [ "${HEIGHT:-0}" -ge $((100 * scale)) ]; then
        echo "$id"; return 0
      fi
    done
    sleep 0.1
  done
  echo "no window \"$1\" appeared" >&2
  return 1
}
click() { xdotool mousemove --window "$1" $(($2 * scale)) $(($3 * scale)) click 1; sleep 0.3; }
shot() {
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$1")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out/$2$suffix.png"
  echo "$out/$2$suffix.png"
}

mkdir -p "$work/data"
QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale QT_AUTO_SCREEN_SCALE_FACTOR=0 QT_ENABLE_HIGHDPI_SCALING=1 \
  "$client" --data-dir "$work/data" "${client_args[@]}" >"$work/client.log" 2>&1 &
pids+=($!)

# Places in the window's own pixels: the input panel starts at y 136.
login=$(window Quorvel)
sleep 1
click "$login" 268 163
xdotool type --delay 40 alice
click "$login" 268 188
xdotool type --delay 40 alice123
# The first press reads the login form: the forum asks for a captcha, nothing is posted yet.
click "$login" 212 304
sleep 2
shot "$login" login-captcha

# The question list (third entry), then the answer box shows above the captcha row.
click "$login" 268 215
xdotool key Down Down Down Return
sleep 0.8
shot "$login" login-captcha-question
# Back to no question for the sign-in.
click "$login" 268 207
xdotool key Up Up Up Return
sleep 0.8

# The member reads the picture; the script asks the simulator. Then the code box, and Enter.
code=$(control captcha | sed -n 's/.*code=\([^ ]*\).*/\1/p')
[ -n "$code" ] && [ "$code" != - ] || { echo "no captcha code issued" >&2; exit 1; }
click "$login" 216 245
xdotool type --delay 60 "$code"
xdotool key Return
window Quorvel会员中心 >/dev/null
echo "signed in with code $code through the captcha row"
control requests | grep -E 'seccode|action=login' || true
