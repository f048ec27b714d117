#!/usr/bin/env bash
# A three-family station over 30 days (about 330,000 files: image segments,
# 114 files every 15 minutes, in IMG/yyyy/mm/dd/; an hourly product and the
# CRM products in the day folders), timed beside peer tools. Targets:
#   first run (empty ledgers) -close          <= 1.0 x find DATA -type f -printf '%f %B@ %T@\n'
#   steady state -close -metrics=FILE, the segments' ledger holding a year
#     (4 million entries) / the same holding a week   <= 1.5 x (wall time and peak memory)
#   -check -family=segments (steady state)     <= 1.0 x check_file_age on the newest segment
# Each pair runs alternately, RUNS times (at least 3); medians compared.
#
#   bench/families_peers.sh [BUILD_DIR] [RUNS]
#
# Prints every ratio; exits 1 when one misses its target. Installs
# monitoring-plugins-basic (the file-age check) when it is missing; needs
# python3 and /usr/bin/time.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
runs="${2:-5}"
[ "$runs" -ge 3 ] || { echo "families_peers.sh: at least 3 runs" >&2; exit 2; }
me=families_peers.sh
# shellcheck source=bench/peer_setup.sh
. "$root/bench/peer_setup.sh"
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/share"

cat > "$work/families.conf" <<'CONF'
[segments]
folder = IMG/%Y/%m/%d
pattern = IMG_???_{channel}_{segment}_{time:%Y%m%d%H%M}.seg
expect = 15m
files-per-slot = 114
warning = 5
critical = 10

[hourly]
pattern = AMV_{time:%Y%m%d%H}00.nc
expect = 1h
CONF

echo "Generating a 30-day three-family station in $work ..."
python3 - "$work" <<'PY'
import datetime, os, sys
work = sys.argv[1]
data = os.path.join(work, "data")
now = datetime.datetime.now(datetime.timezone.utc).replace(tzinfo=None)
stamp = now.timestamp() if False else datetime.datetime.now().timestamp()
channels = ["VIS006", "VIS008", "IR_016", "IR_039", "WV_062", "WV_073", "IR_087", "IR_097", "IR_108",
            "IR_120", "IR_134", "HRV___"]
newest = None
count = 0
for back in range(30):
    day = now.date() - datetime.timedelta(days=back)
    segs = os.path.join(data, "IMG", day.strftime("%Y/%m/%d"))
    days = os.path.join(data, day.strftime("%Y/%m/%d"))
    os.makedirs(segs)
    os.makedirs(days)
    for slot in range(96):
        nominal = datetime.datetime.combine(day, datetime.time(slot // 4, slot % 4 * 15))
        if nominal > now - datetime.timedelta(minutes=15):
            continue
        t = nominal.strftime("%Y%m%d%H%M")
        written = (nominal - datetime.datetime(1970, 1, 1)).total_seconds() + 120
        for k in range(114):
            name = "IMG_MSG_%s_%03d_%s.seg" % (channels[k % 12], k // 12 + 1 if k < 108 else 10 + k - 107, t)
            path = os.path.join(segs, name)
            os.close(os.open(path, os.O_CREAT | os.O_WRONLY, 0o644))
            os.utime(path, (written, written))
            count += 1
            if newest is None or nominal.strftime("%Y%m%d%H%M") >= newest[0]:
                newest = (t, path)
        if slot % 4 == 0:
            path = os.path.join(days, "AMV_%s00.nc" % nominal.strftime("%Y%m%d%H"))
            os.close(os.open(path, os.O_CREAT | os.O_WRONLY, 0o644))
            os.utime(path, (written, written))
            count += 1
    for hhmm in ("1200", "1315"):
        nominal = datetime.datetime.combine(day, datetime.time(int(hhmm[:2]), int(hhmm[2:])))
        if nominal <= now:
            path = os.path.join(days, day.strftime("%Y%m%d") + hhmm + "-crm.grb")
            open(path, "w").close()
            count += 1
open(os.path.join(work, "newest"), "w").write(newest[1])
print("%d files" % count)
PY
newest="$(cat "$work/newest")"
lagwatch="$build/app/lagwatch"

# The first run's ledgers: an empty CRM ledger named on the command line, so
# the families' ledgers lie beside it.
fresh() { rm -rf "$1"; mkdir -p "$1"; : > "$1/CRM-received.txt"; }

# A steady state: every ledger up to date, then the segments' ledger given a
# year (or a week) of older days written directly, and the newest slot taken
# out again so that each timed run records one new slot.
fresh "$work/steady"
"$lagwatch" "$work/data" "$work/steady/CRM-received.txt" -close -families="$work/families.conf" > /dev/null
python3 - "$work" <<'PY'
import datetime, os, re, shutil, sys
work = sys.argv[1]
base = os.path.join(work, "steady", "segments-received")
def day_files(folder):
    return sorted(f for f in os.listdir(folder) if re.fullmatch(r"\d{4}-\d\d-\d\d\.txt", f))
days = day_files(base)
today = days[-1]
lines = open(os.path.join(base, today), newline="").read().splitlines(True)
newest = max(l[:12] for l in lines)
open(os.path.join(work, "today-without-newest"), "w", newline="").write("".join(l for l in lines if l[:12] != newest))
for kind, keep in (("year", 365), ("week", 7)):
    target = os.path.join(work, kind)
    shutil.copytree(os.path.join(work, "steady"), target)
    seg = os.path.join(target, "segments-received")
    first = datetime.date.fromisoformat(today[:10])
    for f in day_files(seg):
        if datetime.date.fromisoformat(f[:10]) <= first - datetime.timedelta(days=keep):
            os.remove(os.path.join(seg, f))
    for back in range(30, keep):
        day = first - datetime.timedelta(days=back)
        out = []
        for slot in range(96):
            t = "%s%02d%02d" % (day.strftime("%Y%m%d"), slot // 4, slot % 4 * 15)
            for k in range(114):
                out.append("%s00 img_msg_ch%02d_%03d_%s.seg=120\r\n" % (t, k % 12, k, t))
        out.sort()
        open(os.path.join(seg, day.isoformat() + ".txt"), "w", newline="").write("".join(out))
    total = sum(1 for f in day_files(seg) for _ in open(os.path.join(seg, f)))
    print("%s: the segments' ledger holds %d entries" % (kind, total))
PY

PYTHONDONTWRITEBYTECODE=1 PYTHONPATH="$root/bench" python3 - "$lagwatch" "$work" "$plugin" "$newest" "$runs" <<'PY'
import os, re, shutil, subprocess, sys
from peer_timing import Targets, Timings
lagwatch, work, plugin, newest, runs = sys.argv[1:6]
runs = int(runs)
data = os.path.join(work, "data")
families = "-families=" + os.path.join(work, "families.conf")
today = sorted(f for f in os.listdir(os.path.join(work, "year", "segments-received"))
               if re.fullmatch(r"\d{4}-\d\d-\d\d\.txt", f))[-1]

def prepare(name):
    if name == "first":
        shutil.rmtree(os.path.join(work, "first"), ignore_errors=True)
        os.makedirs(os.path.join(work, "first"))
        open(os.path.join(work, "first", "CRM-received.txt"), "w").close()
    elif name in ("year", "week"):
        shutil.copyfile(os.path.join(work, "today-without-newest"),
                        os.path.join(work, name, "segments-received", today))

def ledger(name):
    return os.path.join(work, name, "CRM-received.txt")

commands = {
    "first": [lagwatch, data, ledger("first"), "-close", families],
    "find": ["find", data, "-type", "f", "-printf", "%f %B@ %T@\\n"],
    "year": [lagwatch, data, ledger("year"), "-close", families, "-metrics=" + os.path.join(work, "m.prom")],
    "week": [lagwatch, data, ledger("week"), "-close", families, "-metrics=" + os.path.join(work, "m.prom")],
    "check": [lagwatch, data, ledger("year"), "-check", families, "-family=segments"],
    "peer": [plugin, "-w", "600", "-c", "1200", "-f", newest],
}
timings = Timings(commands)
# A steady state follows a run: one run of each ledger first, as a timer's
# previous run would have left it (the older days' digests made once).
for name in ("year", "week"):
    prepare(name)
    subprocess.run(commands[name], stdout=subprocess.DEVNULL, check=False)
said = {}
# Every other round in the reverse order, so that no command always follows
# the same one (the find over the whole tree leaves the caches to the next).
for round in range(runs):
    for name in list(commands)[:: 1 if round % 2 == 0 else -1]:
        prepare(name)
        done = timings.run(name)
        said[name] = (done.returncode, done.stdout.strip().splitlines()[:1])
print("runs of each: %d, alternating, every other round reversed; medians" % runs)
print("lagwatch -check -family=segments said: %s (status %d)" % (said["check"][1], said["check"][0]))
w, p = timings.medians()
targets = Targets(52)
report = targets.report
report("first run -close / find -printf (wall)", w["first"] / w["find"], 1.0,
       "%.0f ms / %.0f ms" % (w["first"] * 1000, w["find"] * 1000))
report("steady -close -metrics: year / week (wall)", w["year"] / w["week"], 1.5,
       "%.0f ms / %.0f ms" % (w["year"] * 1000, w["week"] * 1000))
report("steady -close -metrics: year / week (memory)", p["year"] / p["week"], 1.5,
       "%.1f MiB / %.1f MiB" % (p["year"], p["week"]))
report("-check -family=segments / check_file_age (wall)", w["check"] / w["peer"], 1.0,
       "%.0f ms / %.0f ms" % (w["check"] * 1000, w["peer"] * 1000))
sys.exit(targets.status())
PY
