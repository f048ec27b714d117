#!/usr/bin/env bash
# Installs the Debian packages Lagwatch needs. Safe to run again: it does
# nothing when all of them are present.
#
#   install-deps.sh            everything: building, running and testing
#   install-deps.sh --run      only building and running (scripts/run.sh)
#   ... --dry-run              print the packages the set holds and the
#                              missing ones; install nothing
#
# As root it installs directly, as a user through sudo; a user without sudo
# is told what to install.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
. "$root/scripts/as-root.sh"

set_name=all
dry_run=0
for arg in "$@"; do
  case "$arg" in
    --run) set_name=run ;;
    --dry-run) dry_run=1 ;;
    *) echo "usage: install-deps.sh [--run] [--dry-run]" >&2; exit 2 ;;
  esac
done

# Building and running: the compiler, CMake, Ninja, Qt, the chart's fonts.
run_packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools
  fonts-liberation fonts-dejavu-core
)
# Without a desktop the window is drawn on a virtual display.
if [ "$set_name" = all ] || { [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; }; then
  run_packages+=(xvfb xauth)
fi

# Testing, benchmarking and CI on top of that.
test_packages=(
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  findutils ccache
  faketime  # the end-to-end test pins the clock of the real program
  prometheus python3  # promtool and a CSV reader for the monitoring tests
  prometheus-node-exporter  # serves the metrics files to a real Prometheus in the end-to-end test
  prometheus-alertmanager  # Alertmanager and amtool: the planned-outage inhibition end to end
  proj-bin  # PROJ's proj, which lagwatch-map's conversions are compared with
  gdal-bin  # GDAL's gdalinfo, gdaltransform and gdalwarp, which open lagwatch-map's georeferenced images
  time  # /usr/bin/time -v: peak memory in bench/compare_peers.sh
  locales  # the locales the tests run under (made below)
  strace  # the end-to-end test that an unattended run loads no GUI
  # The install and package checks: the package tools and the linters.
  git dpkg-dev file lintian desktop-file-utils mandoc man-db systemd bash-completion
)

packages=("${run_packages[@]}")
# The locales the tests run the program under: a desktop's, and a German one
# with a decimal comma.
locales=()
if [ "$set_name" = all ]; then
  packages+=("${test_packages[@]}")
  locales=(en_US de_DE)
fi

# Each missing locale is compiled from the locales package's sources.
make_locales() {
  local have l
  [ ${#locales[@]} -eq 0 ] && return 0
  have="$(locale -a 2>/dev/null | tr 'A-Z' 'a-z')"
  for l in "${locales[@]}"; do
    if ! grep -qx "$(echo "$l.utf8" | tr 'A-Z' 'a-z')" <<<"$have"; then
      echo "Making the locale $l.UTF-8"
      as_root localedef -i "$l" -c -f UTF-8 -A /usr/share/locale/locale.alias "$l.UTF-8"
    fi
  done
}

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ "$dry_run" = 1 ]; then
  echo "Packages: ${packages[*]}"
  echo "Missing: ${missing[*]}"
  exit 0
fi
if [ ${#missing[@]} -eq 0 ]; then
  make_locales
  exit 0
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
if [ "${LAGWATCH_VERBOSE:-0}" = 1 ]; then
  as_root apt-get update -q
  as_root apt-get install -y -q "${missing[@]}"
else
  # apt's own lines only when it fails.
  log="$(mktemp)"
  trap 'rm -f "$log"' EXIT
  if ! { as_root apt-get update -q && as_root apt-get install -y -q "${missing[@]}"; } >"$log" 2>&1; then
    cat "$log" >&2
    exit 1
  fi
fi
make_locales
