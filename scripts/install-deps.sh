#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Lagwatch
# needs. Safe to run again: it does nothing when all of them are present.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation fonts-dejavu-core
  xvfb xauth
  clang libclang-rt-14-dev
  findutils ccache
  faketime  # the end-to-end test pins the clock of the real program
  prometheus python3  # promtool and a CSV reader for the monitoring tests
  prometheus-node-exporter  # serves the metrics files to a real Prometheus in the end-to-end test
  proj-bin  # PROJ's proj, which lagwatch-map's conversions are compared with
  gdal-bin  # GDAL's gdalinfo, gdaltransform and gdalwarp, which open lagwatch-map's georeferenced images
  time  # /usr/bin/time -v: peak memory in bench/compare_peers.sh
  locales  # the locales the tests run under (made below)
  strace  # the end-to-end test that an unattended run loads no GUI
  # The install and package checks: the package tools and the linters.
  git dpkg-dev file lintian desktop-file-utils mandoc man-db systemd bash-completion
)

# The locales the tests run the program under: a desktop's, and a German one
# with a decimal comma.
locales=(en_US de_DE)

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

# Each missing locale is compiled from the locales package's sources.
make_locales() {
  local have l
  have="$(locale -a 2>/dev/null | tr 'A-Z' 'a-z')"
  for l in "${locales[@]}"; do
    if ! grep -qx "$(echo "$l.utf8" | tr 'A-Z' 'a-z')" <<<"$have"; then
      echo "Making the locale $l.UTF-8"
      $sudo localedef -i "$l" -c -f UTF-8 -A /usr/share/locale/locale.alias "$l.UTF-8"
    fi
  done
}

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  make_locales
  exit 0
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
if [ "${LAGWATCH_VERBOSE:-0}" = 1 ]; then
  $sudo apt-get update -q
  $sudo apt-get install -y -q "${missing[@]}"
else
  # apt's own lines only when it fails.
  log="$(mktemp)"
  trap 'rm -f "$log"' EXIT
  if ! { $sudo apt-get update -q && $sudo apt-get install -y -q "${missing[@]}"; } >"$log" 2>&1; then
    cat "$log" >&2
    exit 1
  fi
fi
make_locales
