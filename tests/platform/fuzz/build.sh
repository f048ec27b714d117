#!/bin/sh
# Builds the parser fuzzers with libFuzzer outside the normal build:
#   tests/platform/fuzz/build.sh [OUT-DIR]     (default: build-fuzz)
# Run one for a minute:  build-fuzz/fuzz_text_lines -max_total_time=60 -timeout=5
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
out=${1:-$root/build-fuzz}
mkdir -p "$out/obj"
flags="-std=c++20 -g -O1 -fPIC -ffp-contract=off -fsanitize=address,undefined -fno-sanitize-recover=all -I$root $(pkg-config --cflags Qt6Core)"
/usr/lib/qt6/libexec/moc "$root/scan/TreeScan.h" -o "$out/obj/moc_TreeScan.cpp"
objs=""
for src in "$root"/platform/*.cpp "$root"/scan/*.cpp "$root/app/Ledger.cpp" "$out/obj/moc_TreeScan.cpp"; do
  # Image files need Qt's GUI module, which the fuzzers do without.
  [ "$(basename "$src")" = ImageFile.cpp ] && continue
  obj="$out/obj/$(basename "$src" .cpp).o"
  clang++ $flags -fsanitize=fuzzer-no-link -c "$src" -o "$obj"
  objs="$objs $obj"
done
for f in "$here"/fuzz_*.cpp; do
  name=$(basename "$f" .cpp)
  clang++ $flags -fsanitize=fuzzer "$f" $objs $(pkg-config --libs Qt6Core) -o "$out/$name"
done
echo "fuzzers in $out"
