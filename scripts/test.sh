#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
# BUILD_DIR and extra CMake arguments select other builds (the sanitizer run of CI).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
build="${BUILD_DIR:-$root/build}"
BUILD_DIR="$build" "$root/scripts/build.sh" "$@"
cd "$build"
ctest --output-on-failure -j2 --timeout 900
