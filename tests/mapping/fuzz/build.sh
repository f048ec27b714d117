#!/bin/sh
# Builds the mapping fuzzers outside the normal build (clang, libFuzzer,
# address and undefined-behaviour sanitizers) and runs each of them:
#   mapping_fuzz       the conversions and the grid on a checking canvas
#   grid_params_fuzz   the grid command's parameters, drawn on a real image
#   tests/mapping/fuzz/build.sh [seconds per fuzzer]    (from the repository root)
set -eu
root=$(cd "$(dirname "$0")/../../.." && pwd)
out=${FUZZ_OUT:-$root/build-fuzz}
qt=$(pkg-config --cflags --libs Qt6Gui Qt6Core)
for target in mapping_fuzz:MappingConversionFuzz grid_params_fuzz:GridParametersFuzz; do
    name=${target%%:*}
    source=${target#*:}
    mkdir -p "$out/corpus-$name"
    # shellcheck disable=SC2086
    clang++ -std=c++20 -g -O1 -fPIC -ffp-contract=off -fno-sanitize-recover=undefined \
        -fsanitize=fuzzer,address,undefined -I"$root" \
        "$root/tests/mapping/fuzz/$source.cpp" "$root"/mapping/*.cpp "$root"/platform/DegreeSign.cpp \
        $qt -o "$out/$name"
done
for name in mapping_fuzz grid_params_fuzz; do
    QT_QPA_PLATFORM=offscreen "$out/$name" -max_total_time="${1:-120}" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 "$out/corpus-$name"
done
