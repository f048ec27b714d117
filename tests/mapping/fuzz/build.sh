#!/bin/sh
# Builds the conversion fuzzer outside the normal build (clang, libFuzzer,
# address and undefined-behaviour sanitizers) and runs it.
#   tests/mapping/fuzz/build.sh [seconds]    (from the repository root)
set -eu
root=$(cd "$(dirname "$0")/../../.." && pwd)
out=${FUZZ_OUT:-$root/build-fuzz}
mkdir -p "$out/corpus"
qt=$(pkg-config --cflags --libs Qt6Gui Qt6Core)
# shellcheck disable=SC2086
clang++ -std=c++20 -g -O1 -fPIC -ffp-contract=off -fno-sanitize-recover=undefined \
    -fsanitize=fuzzer,address,undefined -I"$root" \
    "$root"/tests/mapping/fuzz/MappingConversionFuzz.cpp "$root"/mapping/*.cpp "$root"/platform/DegreeSign.cpp \
    $qt -o "$out/mapping_fuzz"
"$out/mapping_fuzz" -max_total_time="${1:-120}" -timeout=5 -rss_limit_mb=1024 -print_final_stats=1 "$out/corpus"
