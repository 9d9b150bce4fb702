#!/usr/bin/env bash
# Installs the Debian packages the build, the tests or the demo need, only those missing.
# Usage: scripts/deps.sh build|demo
set -euo pipefail
kind=${1:-build}
pkgs=(cmake g++ make ccache pkg-config qt6-base-dev qt6-base-dev-tools qt6-httpserver-dev qt6-websockets-dev
      libxkbcommon-dev libgl-dev libssl-dev openssl clang libclang-rt-14-dev fonts-noto-cjk fonts-dejavu-core
      xvfb xauth xdotool) # the held-input test clicks through a real X server
if [ "$kind" = demo ]; then
  pkgs+=(x11-utils imagemagick)
fi
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
