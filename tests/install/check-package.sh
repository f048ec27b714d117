#!/usr/bin/env bash
# The Debian package built by CPack: its name and fields, its files in their
# Debian places, lintian (no errors; warnings are shown), and the installed
# program run from a scratch root unpacked with dpkg -x.
# Usage: check-package.sh BUILD-DIR SCRATCH-DIR VERSION
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/common.sh"
build="$1"
scratch="$2"
version="$3"
for tool in cpack dpkg-deb dpkg-shlibdeps lintian; do need_tool "$tool"; done

rm -rf "$scratch"
mkdir -p "$scratch"
(cd "$build" && cpack -G DEB -B "$scratch/out") >"$scratch/cpack.log" 2>&1 || { cat "$scratch/cpack.log" >&2; echo "FAIL: cpack" >&2; exit 1; }
arch="$(dpkg --print-architecture)"
deb="$scratch/out/lagwatch_${version}_${arch}.deb"
[ -f "$deb" ] || { echo "FAIL: no $(basename "$deb"); cpack made: $(ls "$scratch/out")" >&2; exit 1; }

# Control fields.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = lagwatch ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', not the project's $version"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture is '$(field Architecture)'"
[[ "$(field Maintainer)" == *"<"*"@"*">" ]] || fail "Maintainer '$(field Maintainer)' has no address"
[ -n "$(field Description)" ] || fail "no Description"
[ "$(dpkg-deb -f "$deb" Description | wc -l)" -gt 2 ] || fail "the Description has no long text"
# Computed from the shared libraries: the C++ runtime and Qt's widgets.
for dep in libc6 libstdc++6 libqt6widgets6 libqt6gui6 libqt6core6; do
  field Depends | grep -q "\b$dep\b" || fail "Depends lacks $dep: $(field Depends)"
done

# Files in their Debian places.
listing="$(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|')"
for path in /usr/bin/lagwatch /usr/bin/lagwatch-map /usr/bin/lagwatch-demo-data /usr/lib/lagwatch/lagwatch-desktop \
            /usr/share/man/man1/lagwatch.1.gz /usr/share/man/man1/lagwatch-map.1.gz \
            /usr/share/applications/lagwatch.desktop /usr/share/icons/hicolor/scalable/apps/lagwatch.svg \
            /usr/share/lagwatch/Datawarden.conf /usr/lib/systemd/user/lagwatch.service \
            /usr/lib/systemd/user/lagwatch.timer /usr/share/bash-completion/completions/lagwatch \
            /usr/share/bash-completion/completions/lagwatch-map /usr/share/doc/lagwatch/copyright \
            /usr/share/doc/lagwatch/changelog.gz /usr/share/lagwatch/monitoring/lagwatch-rules.yml \
            /usr/share/lagwatch/monitoring/lagwatch-alerts.yml /usr/share/lagwatch/monitoring/lagwatch-dashboard.json \
            /usr/share/lagwatch/monitoring/alertmanager.yml; do
  grep -qx "$path" <<<"$listing" || fail "the package lacks $path"
done

# lintian: errors fail, warnings are listed.
lintian --tag-display-limit 0 "$deb" >"$scratch/lintian.log" 2>&1
if grep -q "^E: " "$scratch/lintian.log"; then
  fail "lintian reports errors"
  grep "^[EW]: " "$scratch/lintian.log" >&2
elif grep -q "^W: " "$scratch/lintian.log"; then
  echo "lintian warnings:"
  grep "^W: " "$scratch/lintian.log"
fi

# Unpacked into a scratch root: the version, then a pass on demo data. The
# root's usr/bin is writable, yet the ledger goes to the data home.
root="$scratch/root"
dpkg -x "$deb" "$root" || fail "dpkg -x"
[ "$("$root/usr/bin/lagwatch" --version)" = "Lagwatch checker $version" ] ||
  fail "the installed lagwatch --version printed '$("$root/usr/bin/lagwatch" --version)'"
"$root/usr/bin/lagwatch-demo-data" --days 5 "$scratch/demo" >/dev/null || fail "the installed lagwatch-demo-data"
home="$scratch/home"
mkdir -p "$home" "$scratch/runtime" && chmod 700 "$scratch/runtime"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$home" XDG_CONFIG_HOME="$home/config" \
  XDG_DATA_HOME="$home/data" XDG_RUNTIME_DIR="$scratch/runtime" \
  timeout 120 "$root/usr/bin/lagwatch" "$scratch/demo" -close -png="$scratch/chart.png" >"$scratch/run.out" 2>"$scratch/run.err"
status=$?
[ "$status" -eq 0 ] || fail "the installed lagwatch -close ended with status $status: $(cat "$scratch/run.err")"
grep -q "^Lagwatch - latest data was from" "$scratch/run.out" || fail "the pass printed no summary: $(head -3 "$scratch/run.out")"
[ "$(cat "$home"/data/lagwatch/*demo-*/CRM-received.txt 2>/dev/null | grep -c "crm.grb=")" -gt 5 ] ||
  fail "no ledger with the demo products in \$XDG_DATA_HOME/lagwatch"
[ ! -e "$root/usr/bin/CRM-received.txt" ] || fail "the installed program wrote its ledger beside the executable"
[ -s "$scratch/chart.png" ] || fail "no chart"

finish
