#!/usr/bin/env bash
# Installs what is missing, builds and runs every test headless: once with warnings as errors,
# once under AddressSanitizer + UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh build
export QT_QPA_PLATFORM=offscreen
export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/ccache}

echo "== build (warnings are errors) =="
bash scripts/build.sh build -DQUORVEL_WERROR=ON
(cd build && ctest --output-on-failure -j2)

echo "== build (ASan + UBSan) =="
bash scripts/build.sh build-asan -DQUORVEL_WERROR=ON -DQUORVEL_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
(cd build-asan && ctest --output-on-failure -j2)

if [ -f fuzz/run-short.sh ]; then
  echo "== fuzz (short runs) =="
  bash fuzz/run-short.sh
fi
