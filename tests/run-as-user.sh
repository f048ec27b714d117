#!/bin/sh
# Runs a test program as an ordinary user. As root, permissions never bind,
# so the tests of unreadable folders and read-only ledgers would only skip;
# the program is copied where that user can reach it.
set -eu
if [ "$(id -u)" -ne 0 ]; then
  exec "$@"
fi
program="$1"
shift
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
cp "$program" "$scratch/"
chmod 755 "$scratch" "$scratch/$(basename "$program")"
# A sanitizer's suppressions file may sit where that user cannot read it.
if [ -n "${LSAN_OPTIONS:-}" ]; then
  options=""
  old_ifs="$IFS"
  IFS=:
  for option in $LSAN_OPTIONS; do
    case "$option" in
      suppressions=*)
        cp "${option#suppressions=}" "$scratch/lsan.supp"
        chmod 644 "$scratch/lsan.supp"
        option="suppressions=$scratch/lsan.supp"
        ;;
    esac
    options="${options:+$options:}$option"
  done
  IFS="$old_ifs"
  LSAN_OPTIONS="$options"
  export LSAN_OPTIONS
fi
cd /tmp
setpriv --reuid=65534 --regid=65534 --clear-groups env HOME=/tmp LAGWATCH_TESTS_AS_USER=1 "$scratch/$(basename "$program")" "$@"
