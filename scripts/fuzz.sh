#!/usr/bin/env bash
# Fuzzes every libFuzzer target of tests/*/fuzz/ for SECONDS each (default
# 60), built with clang, the sanitizers and coverage in every library
# (BUILD_DIR, default build-fuzz/). Each starts from its stored corpus,
# tests/<folder>/fuzz/corpus/<name>/; new inputs that reach new code are
# merged into it (commit them), and a crash leaves its input as
# crash-<hash> in the build folder and fails the script.
#
#   scripts/fuzz.sh [SECONDS]
#
# CI only replays the stored corpora, in its sanitizer build.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
case "$seconds" in
  ''|*[!0-9]*) echo "Usage: scripts/fuzz.sh [SECONDS]" >&2; exit 2 ;;
esac
build="${BUILD_DIR:-$root/build-fuzz}"
CC=clang CXX=clang++ BUILD_DIR="$build" BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "$root/scripts/build.sh" \
  -DLAGWATCH_TESTS=ON -DLAGWATCH_FUZZ=ON -DLAGWATCH_BENCH=OFF
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$root/.ci/lsan.supp:print_suppressions=0}"
export QT_QPA_PLATFORM=offscreen
status=0
for corpus in "$root"/tests/*/fuzz/corpus/*/; do
  name="$(basename "$corpus")"
  fuzzer="$build/tests/$name"
  [ -x "$fuzzer" ] || { echo "no fuzzer $name in $build" >&2; status=1; continue; }
  found="$(mktemp -d)"
  echo "Fuzzing $name for $seconds s"
  if ! (cd "$build" && "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 "$found" "$corpus" >"$build/$name.log" 2>&1); then
    echo "$name failed: see $build/$name.log" >&2
    status=1
  fi
  # Only what reaches new code (edges, not hit counts) joins the stored corpus.
  "$fuzzer" -merge=1 -use_counters=0 "$corpus" "$found" >>"$build/$name.log" 2>&1 || status=1
  rm -rf "$found"
done
exit "$status"
