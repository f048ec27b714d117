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
  time  # /usr/bin/time -v: peak memory in bench/compare_peers.sh
  strace  # the end-to-end test that an unattended run loads no GUI
  # The install and package checks: the package tools and the linters.
  git dpkg-dev file lintian desktop-file-utils mandoc man-db systemd bash-completion
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
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
