# shellcheck shell=bash disable=SC2154
# Sourced by the scripts that time lagwatch beside the monitoring plugins'
# file-age check: sets plugin (installing monitoring-plugins-basic when it is
# missing), checks for /usr/bin/time, builds lagwatch into $build when it is
# not there, makes the scratch folder $work (removed at exit) and clears the
# display and locale, as a monitoring agent runs. Needs $root, $build, $me.
plugin=/usr/lib/nagios/plugins/check_file_age
if [ ! -x "$plugin" ]; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q monitoring-plugins-basic >/dev/null
fi
[ -x /usr/bin/time ] || { echo "$me: /usr/bin/time is needed (Debian package time)" >&2; exit 2; }
[ -x "$build/app/lagwatch" ] || BUILD_DIR="$build" "$root/scripts/build.sh"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
unset DISPLAY WAYLAND_DISPLAY LANG LANGUAGE LC_ALL QT_QPA_PLATFORM
