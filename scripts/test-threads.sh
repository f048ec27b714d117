#!/usr/bin/env bash
# The thread tests under ThreadSanitizer: the status helper and the family
# walk, built with clang into BUILD_DIR (default: build-tsan/) and run as a
# stress loop; any report of the checker fails the run. Only the test program
# and the libraries it links are built. Extra arguments go to CMake.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build-tsan}"
CC=clang CXX=clang++ BUILD_DIR="$build" BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" BUILD_TARGET=threads_tests \
  "$root/scripts/build.sh" -DLAGWATCH_TSAN=ON -DLAGWATCH_TESTS=ON -DLAGWATCH_BENCH=OFF "$@"
echo "Running the thread tests in $build"
cd "$build"
ctest --output-on-failure --no-tests=error --timeout 600
