#!/usr/bin/env bash
# Installs the Debian packages the build, the tests or the demo need, only those missing.
# Usage: scripts/deps.sh build|demo
set -euo pipefail
kind=${1:-build}
# Compiler and build (ninja for scripts/build.sh, lld to link); Qt (libxkbcommon-dev for its Gui
# config); libcrypto, the reference of the cipher tests, and the openssl command for the test
# certificates; clang for the ASan build and the fuzzers; the fonts the windows name; Qt's own
# texts in Chinese (message-box buttons, context menus); an X server and xdotool for the
# held-input test's real clicks.
pkgs=(cmake g++ make ninja-build lld ccache qt6-base-dev qt6-base-dev-tools libxkbcommon-dev libssl-dev openssl
      clang libclang-rt-14-dev fonts-noto-cjk fonts-dejavu-core qt6-translations-l10n xvfb xauth xdotool)
if [ "$kind" = demo ]; then
  pkgs+=(imagemagick) # import, for a screenshot of the demo
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
