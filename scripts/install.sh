#!/usr/bin/env bash
# Builds the Debian package from the checkout and installs it with its
# dependencies: apt directly as root, through sudo as a user.
# -v (first argument) shows the build's progress lines.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
. "$root/scripts/as-root.sh"
if [ "${1:-}" = "-v" ]; then
  export LAGWATCH_VERBOSE=1
  shift
fi
"$root/scripts/install-deps.sh" --run
BUILD_DIR="$root/build" "$root/scripts/build.sh" -DLAGWATCH_TESTS=OFF -DLAGWATCH_BENCH=OFF
echo "Packaging $root/build"
rm -f "$root"/build/lagwatch_*.deb
# CPack's own lines only when it fails.
(cd "$root/build" && cpack -G DEB) >"$root/build/cpack.log" 2>&1 || { cat "$root/build/cpack.log" >&2; exit 1; }
deb="$(ls "$root"/build/lagwatch_*.deb)"
echo "Installing $deb"
as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$deb"
