# Sourced by the scripts that install system packages: as_root runs a
# command as root, directly for root and through sudo for a user. A user on a
# machine without sudo gets the command to run as root instead.
as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  elif command -v sudo >/dev/null 2>&1; then
    sudo "$@"
  else
    echo "Root is needed and there is no sudo here; run as root: $*" >&2
    return 1
  fi
}
