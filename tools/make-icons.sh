#!/usr/bin/env bash
# Renders the PNG sizes of the application icon from quorvel.svg. The PNGs are committed, so a build
# or a package needs no image tools; run this again after changing the SVG.
# Needs rsvg-convert (Debian: librsvg2-bin).
set -euo pipefail
here=$(cd "$(dirname "$0")/../packaging/icons" && pwd)
command -v rsvg-convert >/dev/null || { echo "rsvg-convert is missing (apt-get install librsvg2-bin)" >&2; exit 1; }

# At 16 and 32 pixels the typing dots and the background rings only blur, so those sizes leave
# out every element whose id starts with "detail-".
small_css=$(mktemp --suffix=.css)
trap 'rm -f "$small_css"' EXIT
echo '[id^="detail-"] { display: none; }' >"$small_css"

for size in 16 32 48 64 128 256; do
  out="$here/$size/quorvel.png"
  mkdir -p "$here/$size"
  if [ "$size" -le 32 ]; then
    rsvg-convert --stylesheet "$small_css" -w "$size" -h "$size" "$here/quorvel.svg" -o "$out"
  else
    rsvg-convert -w "$size" -h "$size" "$here/quorvel.svg" -o "$out"
  fi
  echo "$out"
done
