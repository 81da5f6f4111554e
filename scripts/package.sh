#!/usr/bin/env bash
# Builds the Debian package tavrin_<version>_<arch>.deb and checks it with lintian, which fails
# the script on an error and lists its warnings. Usage:
#   scripts/package.sh [--no-build] [OUTPUT_FOLDER]      (default: build/package)
# --no-build packages what build/ already holds. Prints the package's path last.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
if [ "${1:-}" = "--no-build" ]; then
  shift
else
  scripts/install-deps.sh
  scripts/build.sh
fi
out=$(realpath -m "${1:-$BUILD_DIR/package}")
rm -rf "$out"
mkdir -p "$out"
cpack --config "$BUILD_DIR/CPackConfig.cmake" -G DEB -B "$out" >"$out/cpack.log" 2>&1 || {
  cat "$out/cpack.log" >&2
  exit 1
}
deb=$(find "$out" -maxdepth 1 -name 'tavrin_*.deb' | head -n 1)
if [ -z "$deb" ]; then
  cat "$out/cpack.log" >&2
  echo "package.sh: cpack made no package" >&2
  exit 1
fi
lintian --fail-on error --tag-display-limit 0 --info "$deb"
echo "$deb"
