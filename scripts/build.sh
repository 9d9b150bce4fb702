#!/usr/bin/env bash
# Configures and builds one build folder. Usage: scripts/build.sh DIR [cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1; shift
# Cache hits across clones of the tree in other folders (CI builds a fresh clone).
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(pwd)} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$dir" -j2
