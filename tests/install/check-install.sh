#!/usr/bin/env bash
# `cmake --install` into a scratch prefix: the files it places, the linters
# of each kind of file, the bash completion, and the installed program's run
# on demo data, which must keep its ledger in the user's data folder.
# Usage: check-install.sh BUILD-DIR SCRATCH-DIR VERSION
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/common.sh"
build="$1"
scratch="$2"
version="$3"
for tool in mandoc man desktop-file-validate systemd-analyze; do need_tool "$tool"; done
need_file /usr/share/bash-completion/bash_completion bash-completion

rm -rf "$scratch"
mkdir -p "$scratch"
prefix="$scratch/usr"
cmake --install "$build" --prefix "$prefix" >"$scratch/install.log" 2>&1 || { cat "$scratch/install.log" >&2; echo "FAIL: cmake --install" >&2; exit 1; }

# Every installed file, and nothing else.
expected=(
  bin/lagwatch
  bin/lagwatch-demo-data
  bin/lagwatch-map
  lib/lagwatch/lagwatch-desktop
  lib/systemd/user/lagwatch.service
  lib/systemd/user/lagwatch.timer
  share/applications/lagwatch.desktop
  share/bash-completion/completions/lagwatch
  share/bash-completion/completions/lagwatch-map
  share/doc/lagwatch/changelog.gz
  share/doc/lagwatch/copyright
  share/icons/hicolor/scalable/apps/lagwatch.svg
  share/lagwatch/Datawarden.conf
  share/lagwatch/families.conf
  share/lagwatch/monitoring/alertmanager.yml
  share/lagwatch/monitoring/lagwatch-alerts.yml
  share/lagwatch/monitoring/lagwatch-dashboard.json
  share/lagwatch/monitoring/lagwatch-rules.yml
  share/man/man1/lagwatch-demo-data.1.gz
  share/man/man1/lagwatch-map.1.gz
  share/man/man1/lagwatch.1.gz
)
actual="$(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | sort)"
wanted="$(printf '%s\n' "${expected[@]}" | sort)"
if [ "$actual" != "$wanted" ]; then
  fail "installed files differ from the expected list"
  diff <(echo "$wanted") <(echo "$actual") >&2
fi
for exe in bin/lagwatch bin/lagwatch-demo-data bin/lagwatch-map lib/lagwatch/lagwatch-desktop; do
  [ -x "$prefix/$exe" ] || fail "$exe is not executable"
done

# Man pages as the package ships them (prefix /usr): mandoc's lint at every
# level, and man's own warnings at 80 columns.
DESTDIR="$scratch/destdir" cmake --install "$build" --prefix /usr >>"$scratch/install.log" 2>&1 || fail "cmake --install with DESTDIR"
for page in "$scratch"/destdir/usr/share/man/man1/*.1.gz; do
  out="$(mandoc -Tlint "$page" 2>&1)" || fail "mandoc -Tlint $(basename "$page"): $out"
  out="$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)"
  [ -z "$out" ] || fail "man --warnings $(basename "$page"): $out"
  # Read whole first: grep -q ends early, and pipefail would count zcat's SIGPIPE.
  text="$(zcat "$page")"
  grep -q "^\.SH EXIT STATUS" <<<"$text" || fail "$(basename "$page") has no exit-status section"
  grep -q "^\.SH EXAMPLES" <<<"$text" || fail "$(basename "$page") has no examples"
  grep -q "Lagwatch $version" <<<"$text" || fail "$(basename "$page") does not carry version $version"
done
grep -q "/usr/share/lagwatch/Datawarden.conf" <<<"$(zcat "$scratch/destdir/usr/share/man/man1/lagwatch.1.gz")" ||
  fail "lagwatch(1) does not name the installed example settings"
grep -q "$prefix/share/lagwatch/Datawarden.conf" <<<"$(zcat "$prefix/share/man/man1/lagwatch.1.gz")" ||
  fail "lagwatch(1) does not name the example settings below the install prefix"

out="$(desktop-file-validate "$prefix/share/applications/lagwatch.desktop" 2>&1)" || fail "desktop-file-validate: $out"
[ -z "$out" ] || fail "desktop-file-validate: $out"
grep -qx "Icon=lagwatch" "$prefix/share/applications/lagwatch.desktop" || fail "the desktop entry names another icon"

# The text files a user reads or copies (the example settings above all):
# each ends with a newline and has no CR, tab or trailing blank.
for f in share/lagwatch/Datawarden.conf share/lagwatch/families.conf share/applications/lagwatch.desktop lib/systemd/user/lagwatch.service \
         lib/systemd/user/lagwatch.timer share/bash-completion/completions/lagwatch \
         share/bash-completion/completions/lagwatch-map share/doc/lagwatch/copyright share/lagwatch/families.conf \
         share/lagwatch/monitoring/lagwatch-rules.yml share/lagwatch/monitoring/lagwatch-alerts.yml \
         share/lagwatch/monitoring/lagwatch-dashboard.json share/lagwatch/monitoring/alertmanager.yml; do
  [ "$(tail -c 1 "$prefix/$f" | od -An -tx1 | tr -d ' ')" = 0a ] || fail "$f does not end with a newline"
  ! grep -qn $'\r\|\t\| $' "$prefix/$f" || fail "$f has a CR, a tab or a trailing blank: $(grep -n $'\r\|\t\| $' "$prefix/$f" | head -3)"
done
grep -q "<svg" "$prefix/share/icons/hicolor/scalable/apps/lagwatch.svg" || fail "the icon is no SVG"
# The monitoring files as a server reads them: the rules load, the
# Alertmanager example passes its check, the dashboard is JSON.
if command -v promtool >/dev/null; then
  out="$(promtool check rules "$prefix"/share/lagwatch/monitoring/lagwatch-*.yml 2>&1)" || fail "promtool check rules: $out"
fi
if command -v amtool >/dev/null; then
  out="$(amtool check-config "$prefix/share/lagwatch/monitoring/alertmanager.yml" 2>&1)" || fail "amtool check-config: $out"
fi
python3 -c 'import json, sys; json.load(open(sys.argv[1]))' "$prefix/share/lagwatch/monitoring/lagwatch-dashboard.json" ||
  fail "the dashboard is no JSON"

# The units as systemd reads them; the service runs the installed program.
mkdir -m 700 "$scratch/runtime"
out="$(cd "$prefix/lib/systemd/user" && MANPATH="$prefix/share/man" XDG_RUNTIME_DIR="$scratch/runtime" \
        systemd-analyze verify --user "$PWD/lagwatch.service" "$PWD/lagwatch.timer" 2>&1)" ||
  fail "systemd-analyze verify: $out"
[ -z "$out" ] || fail "systemd-analyze verify: $out"
grep -qx "ExecStart=$prefix/bin/lagwatch -close -metrics=%S/lagwatch/lagwatch.prom" "$prefix/lib/systemd/user/lagwatch.service" ||
  fail "the service does not run the installed lagwatch with -close and -metrics"
grep -qx "OnCalendar=\*:0/15" "$prefix/lib/systemd/user/lagwatch.timer" || fail "the timer does not run every 15 minutes"

# Bash completion: what a Tab offers after the words before it and the
# current word (table: program | words before | current word | offered).
complete_line() {
  bash -c '
    . /usr/share/bash-completion/bash_completion
    . "$1/share/bash-completion/completions/$2"
    compopt() { :; }  # only valid inside a real completion
    shift
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
    func="$(complete -p "$1" | sed "s/.*-F \([^ ]*\) .*/\1/")"
    "$func" "$1" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
    [ ${#COMPREPLY[@]} -eq 0 ] || printf "%s\n" "${COMPREPLY[@]}" | sort | paste -sd " "' _ "$prefix" "$@"
}
mkdir -p "$scratch/compl/station1" && touch "$scratch/compl/ledger.txt" "$scratch/compl/in.png"
cd "$scratch/compl"
while IFS='|' read -r program before current want; do
  # shellcheck disable=SC2086
  got="$(complete_line "$program" $before "$current" 2>&1)"
  [ "$got" = "$want" ] || fail "completion of '$program $before $current': got '$got', want '$want'"
done <<'TABLE'
lagwatch||-c|-check -close -critical= -csv=
lagwatch||-m|-max-age= -metrics= -missing-after= -missing-critical= -missing-warning=
lagwatch||-expect=1|-expect=10m -expect=12:00,13:15 -expect=15m -expect=1h
lagwatch||-r|-refresh= -report=
lagwatch||--|-- --help --version
lagwatch||--h|--help
lagwatch|||station1
lagwatch|station1||in.png ledger.txt station1
lagwatch|station1 ledger.txt||
lagwatch|-close /CLOSE station1||in.png ledger.txt station1
lagwatch|-- -close||in.png ledger.txt station1
lagwatch||-png=le|-png=ledger.txt
lagwatch||-warning=|
lagwatch-map|||fwd fwdf georef grid inv proj
lagwatch-map|--preset||DiscMapping LambertMapping1K LambertMapping4K PolarMapping800 PolarMappingNorth
lagwatch-map|--preset DiscMapping|f|fwd fwdf
lagwatch-map|--kind|Lam|LambertConformal
lagwatch-map|--list||kinds presets
lagwatch-map||--v|--version
lagwatch-map|--preset DiscMapping grid||in.png station1
lagwatch-map|grid - out.png|--no|--no-labels
lagwatch-map|inv||in.png ledger.txt station1
lagwatch-map|--preset DiscMapping georef||in.png station1
lagwatch-map|georef in.png|--w|--world-file
lagwatch-map|fwdf|--d|--decimals
TABLE
cd "$scratch"

# The switches --help lists (it is made from the program's table of switches)
# are the ones the man page's OPTIONS describe and the ones the completion
# offers: none missing, none other.
help_switches="$("$prefix/bin/lagwatch" --help | sed -n 's/^  \(--\?[a-z][a-z-]*\).*/\1/p' | sort -u)"
man_switches="$(zcat "$prefix/share/man/man1/lagwatch.1.gz" | sed -n '/^\.SH OPTIONS/,/^\.SH [^O]/p' |
  awk 'previous == ".TP" { print } { previous = $0 }' | sed 's/\\-/-/g' |
  sed -n 's/^\.BI\? \(--\?[a-z][a-z-]*\).*/\1/p' | sort -u)"
completion_switches="$(sed -n "/compgen -W '-close/,/' -- /p" "$prefix/share/bash-completion/completions/lagwatch" |
  grep -o -- "--\?[a-z][a-z-]*" | sort -u)"
[ -n "$help_switches" ] || fail "lagwatch --help lists no switches"
[ "$man_switches" = "$help_switches" ] ||
  fail "lagwatch(1) OPTIONS differ from --help: $(diff <(echo "$help_switches") <(echo "$man_switches") | grep '^[<>]' | paste -sd ' ')"
[ "$completion_switches" = "$help_switches" ] ||
  fail "the completion differs from --help: $(diff <(echo "$help_switches") <(echo "$completion_switches") | grep '^[<>]' | paste -sd ' ')"

# The defaults --help gives (the limits' table's, among others) are the ones
# the man page's OPTIONS give: "(default 35)" in a switch's entry there.
help_defaults="$("$prefix/bin/lagwatch" --help | awk '
  /^  --?[a-z]/ { if (entry != "") print entry; entry = $0; next }
  entry != "" && /^   / { entry = entry " " $0; next }
  { if (entry != "") print entry; entry = "" }
  END { if (entry != "") print entry }' | tr -s ' ' |
  sed -n 's/^ \(--\?[a-z][a-z-]*\).*(default \([^ )]*\)).*/\1 \2/p')"
[ "$(wc -l <<<"$help_defaults")" -ge 7 ] || fail "lagwatch --help gives fewer defaults than its limits: $help_defaults"
man_options="$(zcat "$prefix/share/man/man1/lagwatch.1.gz" | sed -n '/^\.SH OPTIONS/,/^\.SH [^O]/p')"
while read -r switch value; do
  entry="$(awk -v sw="$switch" '
    { line = $0; gsub(/\\-/, "-", line) }
    inside && /^\.(TP|SH)/ { exit }
    inside { print line }
    previous == ".TP" && line ~ ("^\\.BI? " sw "([= ]|$)") { inside = 1 }
    { previous = $0 }' <<<"$man_options" | tr '\n' ' ')"
  grep -Eq "default $value[),.]" <<<"$entry" ||
    fail "lagwatch(1) OPTIONS do not give $switch the default of --help ($value)"
done <<<"$help_defaults"

# The installed program: its version, then one pass with the settings taken
# from the installed example, no ledger named. The bin folder is writable
# here (and the checks may run as root), yet the ledger must go to the data
# home, carrying over the old one found beside the executable.
[ "$("$prefix/bin/lagwatch" --version)" = "Lagwatch checker $version" ] || fail "lagwatch --version does not print $version"
"$prefix/bin/lagwatch-demo-data" --days 5 "$scratch/demo" >/dev/null || fail "lagwatch-demo-data"
mkdir -p "$scratch/home/config/Ashgrove"
sed "s|^ImagesPath=.*|ImagesPath=$scratch/demo|" "$prefix/share/lagwatch/Datawarden.conf" >"$scratch/home/config/Ashgrove/Datawarden.conf"
old="$(date -u -d '10 days ago' +%Y%m%d)1200-crm.grb=61"
printf '%s\r\n' "$old" >"$prefix/bin/CRM-received.txt"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/config" \
  XDG_DATA_HOME="$scratch/home/data" XDG_RUNTIME_DIR="$scratch/runtime" \
  timeout 120 "$prefix/bin/lagwatch" -close >"$scratch/run.out" 2>"$scratch/run.err"
status=$?
[ "$status" -eq 0 ] || fail "the installed lagwatch -close ended with status $status: $(cat "$scratch/run.err")"
grep -q "^Lagwatch - latest data was from" "$scratch/run.out" || fail "the pass printed no summary: $(head -3 "$scratch/run.out")"
# Each data folder keeps its own ledgers, named after it.
ledger="$(ls "$scratch"/home/data/lagwatch/*demo-*/CRM-received.txt 2>/dev/null | head -1)"
# The demo products come from the folder named in the settings.
[ "$(grep -c "crm.grb=" "$ledger" 2>/dev/null)" -gt 5 ] || fail "no ledger with the demo products in \$XDG_DATA_HOME/lagwatch"
grep -q "^$old" "$ledger" 2>/dev/null || fail "the ledger beside the executable was not carried over"
[ "$(cat "$prefix/bin/CRM-received.txt")" = "$old"$'\r' ] || fail "the installed program wrote beside its executable"
[ -z "$(cd "$prefix/bin" && ls | grep -v '^lagwatch\(-map\|-demo-data\)\?$' | grep -v '^CRM-received.txt$')" ] ||
  fail "the installed program left files beside its executable: $(ls "$prefix/bin")"

# The service's own command line, as systemd would start it for this user
# (%S is the user's state folder): the program must accept it as it stands.
exec_start="$(sed -n 's/^ExecStart=//p' "$prefix/lib/systemd/user/lagwatch.service")"
mkdir -p "$scratch/home/state/lagwatch"
# shellcheck disable=SC2086
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/config" \
  XDG_DATA_HOME="$scratch/home/data" XDG_RUNTIME_DIR="$scratch/runtime" \
  timeout 120 ${exec_start//%S/$scratch/home/state} >"$scratch/service.out" 2>"$scratch/service.err"
status=$?
[ "$status" -eq 0 ] || fail "the service's command line ended with status $status: $(cat "$scratch/service.err")"
grep -q "^lagwatch_last_run_success.* 1$" "$scratch/home/state/lagwatch/lagwatch.prom" 2>/dev/null ||
  fail "the service's run wrote no metrics of a successful run to its state folder"

finish
