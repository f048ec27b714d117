#!/usr/bin/env bash
# A monitoring server's check of a one-year station, steady state (365 days
# of 96 products every 15 minutes, the ledger up to date), beside the
# monitoring plugins' file-age check on the newest product file and beside
# lagwatch --version (the process's floor: start-up and exit). Targets:
#   lagwatch -check wall time   <= 0.6 x check_file_age -w 2100 -c 2700 -f NEWEST
#   lagwatch -check wall time   <= 2.5 x lagwatch --version
#   lagwatch -check peak memory <= 2.5 x check_file_age's
# The three run alternately, RUNS times each (at least 5); medians compared.
#
#   bench/check_peers.sh [BUILD_DIR] [RUNS]
#
# Exits 1 when a ratio misses its target. Installs monitoring-plugins-basic
# (the file-age check) when it is missing; needs python3 and /usr/bin/time.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
runs="${2:-15}"
[ "$runs" -ge 5 ] || { echo "check_peers.sh: at least 5 runs" >&2; exit 2; }
me=check_peers.sh
# shellcheck source=bench/peer_setup.sh
. "$root/bench/peer_setup.sh"

echo "Generating a one-year station in $work ..."
python3 - "$work" <<'PY'
import datetime, os, random, sys
work = sys.argv[1]
data = os.path.join(work, "data")
now = datetime.datetime.now(datetime.timezone.utc).replace(tzinfo=None)
rnd = random.Random(5)
newest = None
for back in range(365):
    day = now.date() - datetime.timedelta(days=back)
    folder = os.path.join(data, day.strftime("%Y/%m/%d"))
    os.makedirs(folder)
    for slot in range(96):
        nominal = datetime.datetime.combine(day, datetime.time(slot // 4, slot % 4 * 15))
        if nominal > now:
            continue
        path = os.path.join(folder, nominal.strftime("%Y%m%d%H%M") + "-crm.grb")
        open(path, "w").close()
        written = datetime.datetime.now().timestamp() - rnd.randrange(120, 1800)
        os.utime(path, (written, written))
        if newest is None or path > newest:
            newest = path
open(os.path.join(work, "newest"), "w").write(newest)
PY
newest="$(cat "$work/newest")"
ledger="$work/ledger.txt"
# The ledger of the whole year: the program records what its walk reaches,
# the older days are written as it writes them, then one run brings it up to date.
python3 - "$work" "$ledger" <<'PY'
import os, sys
work, ledger = sys.argv[1], sys.argv[2]
lines = []
for folder, _, files in os.walk(os.path.join(work, "data")):
    lines += ["%s=%d\r\n" % (f, 600) for f in files]
open(ledger, "w", newline="").write("".join(sorted(lines)))
PY
"$build/app/lagwatch" "$work/data" "$ledger" -close > /dev/null

PYTHONDONTWRITEBYTECODE=1 PYTHONPATH="$root/bench" python3 - "$build/app/lagwatch" "$work/data" "$ledger" "$plugin" "$newest" "$runs" <<'PY'
import sys
from peer_timing import Targets, Timings
lagwatch, data, ledger, plugin, newest, runs = sys.argv[1:7]
runs = int(runs)
commands = {
    "check": [lagwatch, data, ledger, "-check"],
    "peer": [plugin, "-w", "2100", "-c", "2700", "-f", newest],
    "floor": [lagwatch, "--version"],
}
timings = Timings(commands)
for _ in range(runs):
    for name in commands:
        done = timings.run(name)
        if name == "check":
            line = done.stdout.strip()
print("runs of each: %d, alternating; medians" % runs)
print("lagwatch -check said: %s" % line[:160])
w, p = timings.medians()
targets = Targets(44)
report = targets.report
report("lagwatch -check / check_file_age (wall)", w["check"] / w["peer"], 0.6,
       "%.1f ms / %.1f ms" % (w["check"] * 1000, w["peer"] * 1000))
report("lagwatch -check / lagwatch --version (wall)", w["check"] / w["floor"], 2.5,
       "%.1f ms / %.1f ms" % (w["check"] * 1000, w["floor"] * 1000))
report("lagwatch -check / check_file_age (memory)", p["check"] / p["peer"], 2.5,
       "%.1f MiB / %.1f MiB (--version %.1f MiB)" % (p["check"], p["peer"], p["floor"]))
sys.exit(targets.status())
PY
