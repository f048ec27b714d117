#!/usr/bin/env bash
# Configures and builds Lagwatch into BUILD_DIR (default: build/); only the
# target BUILD_TARGET and what it needs, when set. Extra arguments go to
# CMake's configure step. Quiet unless -v (first argument) or
# LAGWATCH_VERBOSE=1: one line per step, and the compiler's messages when a
# step fails.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
if [ "${1:-}" = "-v" ]; then
  export LAGWATCH_VERBOSE=1
  shift
fi
build="${BUILD_DIR:-$root/build}"
verbose="${LAGWATCH_VERBOSE:-0}"

# With ccache, a build folder made anew (a build folder removed by hand)
# compiles again only what changed. The checkout is ccache's base folder, and
# the folder a compiler runs in is not part of the key: a copy of the checkout
# elsewhere (the script check's, a fresh clone) finds what this one compiled.
# Paths below the checkout then reach the compiler relative to the build
# folder (__FILE__ too; no code depends on it).
launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=)
if command -v ccache >/dev/null 2>&1 && [ -n "${CCACHE_DIR:-}${XDG_CACHE_HOME:-}${HOME:-}" ]; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  # The precompiled headers (CMakeLists.txt) are cached only with this sloppiness.
  export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=true \
    CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
fi

echo "Configuring $build"
configure=(cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "${launcher[@]}" "$@")
if [ "$verbose" = 1 ]; then
  "${configure[@]}"
else
  "${configure[@]}" >/dev/null
fi

echo "Building $build"
target=()
[ -z "${BUILD_TARGET:-}" ] || target=(--target "$BUILD_TARGET")
if [ "$verbose" = 1 ]; then
  cmake --build "$build" -j"$(nproc)" "${target[@]}"
else
  # Drop Ninja's progress lines; keep warnings, errors and the failed commands.
  cmake --build "$build" -j"$(nproc)" "${target[@]}" 2>&1 | sed -e '/^\[[0-9]*\/[0-9]*\] /d' -e '/^ninja: no work to do\.$/d'
fi
