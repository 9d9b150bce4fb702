#!/usr/bin/env bash
# Configures and builds one build folder. Usage: scripts/build.sh DIR [cmake options...]
# A new folder gets Ninja when it is there (it starts a target's compiles before the libraries
# under it are linked, and spends less than make between steps); a folder keeps its generator.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1; shift
# Cache hits across clones of the tree in other folders (CI builds a fresh clone); the tests'
# precompiled headers may be cached too.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(pwd)} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
export CCACHE_SLOPPINESS=${CCACHE_SLOPPINESS:-pch_defines,time_macros}
generator=()
if [ ! -f "$dir/CMakeCache.txt" ] && command -v ninja >/dev/null; then
  generator=(-G Ninja)
fi
cmake -S . -B "$dir" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$dir" -j2
