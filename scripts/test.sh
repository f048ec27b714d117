#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
# BUILD_DIR and extra CMake arguments select other builds (the sanitizer run of CI).
# -v (first argument) shows the build's progress lines.
#
# The tests are switched on explicitly: scripts/run.sh configures the same
# build folder without them, and that setting must not decide what is tested.
# The benchmarks are not built (bench/: -DLAGWATCH_BENCH=ON). A run that
# finds no test fails.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
if [ "${1:-}" = "-v" ]; then
  export LAGWATCH_VERBOSE=1
  shift
fi
"$root/scripts/install-deps.sh"
build="${BUILD_DIR:-$root/build}"
BUILD_DIR="$build" "$root/scripts/build.sh" -DLAGWATCH_TESTS=ON -DLAGWATCH_BENCH=OFF "$@"
echo "Running the tests in $build"
cd "$build"
ctest --output-on-failure --no-tests=error -j2 --timeout 900
