#!/usr/bin/env bash
# Configures and builds Tavrin into build/ (the program's folder). Extra arguments go to cmake.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
  cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
elif [ $# -gt 0 ]; then
  cmake -S . -B "$BUILD_DIR" "$@"
fi
cmake --build "$BUILD_DIR" -j"$(nproc)"
