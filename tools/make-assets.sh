#!/usr/bin/env bash
# Redraws the login window's pictures and animations into assets/pictures (committed, so a build
# needs no image tools). Needs ImageMagick's convert. Usage: tools/make-assets.sh BUILD_DIR
set -euo pipefail
assets=$(cd "$(dirname "$0")/../assets" && pwd)
build=${1:?usage: make-assets.sh BUILD_DIR}
convert=${CONVERT:-convert}

cmake --build "$build" --target quorvel-draw-assets
frames=$(mktemp -d)
trap 'rm -rf "$frames"' EXIT
QT_QPA_PLATFORM=offscreen "$build/tools/draw-assets/quorvel-draw-assets" "$frames"

cp "$frames"/*.png "$assets/pictures/"
# Frame delays in hundredths of a second; -loop 0 plays forever.
"$convert" -delay 7 -loop 0 "$frames"/banner/frame-*.png -layers Optimize "$assets/pictures/login-banner.gif"
"$convert" -delay 8 -loop 0 "$frames"/start/frame-*.png -layers Optimize "$assets/pictures/start.gif"
"$convert" -delay 7 -loop 0 "$frames"/banner@2x/frame-*.png -layers Optimize "$assets/pictures/login-banner@2x.gif"
"$convert" -delay 8 -loop 0 "$frames"/start@2x/frame-*.png -layers Optimize "$assets/pictures/start@2x.gif"
ls -l "$assets/pictures"
