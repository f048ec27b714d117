#!/usr/bin/env bash
# Installs what is missing, builds, and starts lagwatch. Without a data
# folder it first generates a demo station of three product families
# (out/demo-data, its families file out/demo-families.conf) and fresh ledgers
# (out/demo-ledger/) and starts on them. Extra arguments are passed on.
# -v (first argument) shows the build's progress lines. --dry-run (first
# argument) only lists the packages it needs and the missing ones.
# It installs what building and running needs, not the test tools
# (scripts/test.sh brings those).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
if [ "${1:-}" = "--dry-run" ]; then
  exec "$root/scripts/install-deps.sh" --run --dry-run
fi
if [ "${1:-}" = "-v" ]; then
  export LAGWATCH_VERBOSE=1
  shift
fi
"$root/scripts/install-deps.sh" --run
BUILD_DIR="$root/build" "$root/scripts/build.sh" -DLAGWATCH_TESTS=OFF -DLAGWATCH_BENCH=OFF

args=("$@")
if [ ${#args[@]} -eq 0 ]; then
  demo="$root/out/demo-data"
  families="$root/out/demo-families.conf"
  # The families' ledgers go beside the CRM ledger: one folder holds them all.
  ledgers="$root/out/demo-ledger"
  rm -rf "$demo" "$ledgers"
  "$root/build/tools/lagwatch-demo-data" --families "$families" "$demo"
  mkdir -p "$ledgers"
  : > "$ledgers/CRM-received.txt"
  args=("$demo" "$ledgers/CRM-received.txt" "-families=$families")
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  # No desktop here: run once on a virtual display, print the summary and save the chart.
  echo "No display: running once with -close; the chart goes to out/lagwatch.png"
  mkdir -p "$root/out"
  exec xvfb-run -a "$root/build/app/lagwatch" "${args[@]}" -close "-png=$root/out/lagwatch.png"
fi
exec "$root/build/app/lagwatch" "${args[@]}"
