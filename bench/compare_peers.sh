#!/usr/bin/env bash
# Lagwatch beside the plain tools that do the same work, in one run, with the
# targets of the speed and memory work:
#   1. lagwatch DATA LEDGER -close over 90 unrecorded days of 2,000 files (96
#      CRM products a day), start-up included (no window: no wait), against find -iname '2*crm.grb' -printf '%f %B@ %T@\n':
#      at most 1.2 times find.
#   2. A 350,000-line ledger loaded and saved in place (bench/ledger_roundtrip,
#      the program's own LoadLedger and SaveLedger) against sort -f of the
#      same file: at most 0.3 times sort -f.
#   3. A 2,000,000-line ledger (53 MB, from 2011 on, so that decades of it lie
#      after today, as in a ledger carried over from a clock set wrong) through
#      lagwatch EMPTY LEDGER -close: the peak memory (/usr/bin/time -v) above
#      that of the same run with an empty ledger at most 3 times the file (the
#      goal: 2 times), time at most 3 times sort -f of the same file.
# Each pair runs alternately, RUNS times each (at least 5); the medians are
# compared. Both ledgers are written shuffled by day, so loading has to sort,
# and every run starts from that same file.
#
#   bench/compare_peers.sh [BUILD_DIR] [RUNS]
#
# Exits 1 when a ratio misses its target. Needs python3 and /usr/bin/time.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
runs="${2:-5}"
[ "$runs" -ge 5 ] || { echo "compare_peers.sh: at least 5 runs" >&2; exit 2; }
if [ ! -x "$build/app/lagwatch" ] || [ ! -x "$build/bench/ledger_roundtrip" ]; then
  BUILD_DIR="$build" "$root/scripts/build.sh"
fi
[ -x /usr/bin/time ] || { echo "compare_peers.sh: /usr/bin/time is needed (Debian package time)" >&2; exit 2; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# One locale for every tool: sort -f compares bytes there, and Lagwatch
# collates as English (its full locale collation, not a byte order).
export LC_ALL=C.UTF-8
export QT_QPA_PLATFORM=offscreen

echo "Generating the tree and the ledgers in $work ..."
python3 - "$work" <<'PY'
import datetime, os, random, sys
work = sys.argv[1]
data = os.path.join(work, "data")
today = datetime.datetime.now(datetime.timezone.utc).date()
for back in range(90):
    day = today - datetime.timedelta(days=back)
    folder = os.path.join(data, day.strftime("%Y/%m/%d"))
    os.makedirs(folder)
    stamp = day.strftime("%Y%m%d")
    for i in range(96):
        open(os.path.join(folder, "%s%02d%02d-crm.grb" % (stamp, i // 4, (i % 4) * 15)), "w").close()
    for i in range(2000 - 96):
        open(os.path.join(folder, "%s%04d-other.dat" % (stamp, i)), "w").close()
os.makedirs(os.path.join(work, "empty"))

def ledger(path, count, first_year, low, high, seed):
    # 96 products a day, days out of order (as bench_ledger writes them).
    rnd = random.Random(seed)
    with open(path, "w", newline="") as f:
        lines = []
        for i in range(count):
            day, slot = divmod(i, 96)
            y, doy = first_year + day // 365, day % 365
            m, d = 1 + doy // 31 % 12, 1 + doy % 28
            lines.append("%04d%02d%02d%02d%02d-crm.grb=%u\r\n" % (y, m, d, slot // 4, slot % 4 * 15, rnd.randrange(low, high)))
        f.write("".join(lines))
ledger(os.path.join(work, "ledger-350k.txt"), 350000, 2011, 0, 4000, 7)
ledger(os.path.join(work, "ledger-2m.txt"), 2000000, 2011, 0, 4000, 11)
PY

python3 - "$work" "$build" "$runs" <<'PY'
import os, shutil, statistics, subprocess, sys, time
work, build, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
lagwatch = os.path.join(build, "app", "lagwatch")
roundtrip = os.path.join(build, "bench", "ledger_roundtrip")
data, empty = os.path.join(work, "data"), os.path.join(work, "empty")

def timed(command, stdout=subprocess.DEVNULL):
    start = time.perf_counter()
    done = subprocess.run(command, stdout=stdout, stderr=subprocess.PIPE, check=True)
    return time.perf_counter() - start, done

def timed_peak(command):
    # /usr/bin/time -v reports the peak resident memory of the command.
    start = time.perf_counter()
    done = subprocess.run(["/usr/bin/time", "-v"] + command, stdout=subprocess.DEVNULL,
                          stderr=subprocess.PIPE, text=True, check=True)
    seconds = time.perf_counter() - start
    peak = next(int(l.split(":")[1]) for l in done.stderr.splitlines() if "Maximum resident set size" in l)
    return seconds, peak * 1024

results = []
def report(label, ratio, target, detail, goal=None):
    ok = ratio <= target
    results.append(ok)
    aim = "target <= %.1f%s" % (target, ", goal %.1f" % goal if goal else "")
    print("%-44s %6.2f  (%s)  %s   %s" % (label, ratio, aim, "ok" if ok else "MISSED", detail))

print("runs of each: %d, alternating; medians" % runs)

# 1. The whole program over 90 unrecorded days, against find.
ledger1 = os.path.join(work, "ledger-scan.txt")
prog, peer = [], []
for _ in range(runs):
    open(ledger1, "w").close()
    seconds, _ = timed([lagwatch, data, ledger1, "-close"])
    prog.append(seconds)
    seconds, _ = timed(["find", data, "-iname", "2*crm.grb", "-printf", "%f %B@ %T@\n"])
    peer.append(seconds)
recorded = sum(1 for _ in open(ledger1))
p, f = statistics.median(prog), statistics.median(peer)
report("1. lagwatch -close / find (90 days)", p / f, 1.2,
       "%.0f ms / %.0f ms, %d products recorded" % (p * 1000, f * 1000, recorded))
if shutil.which("strace"):
    open(ledger1, "w").close()
    done = subprocess.run(["strace", "-f", "-c", "-e", "trace=statx,newfstatat,stat,lstat,fstat", lagwatch, data, ledger1, "-close"],
                          stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    calls = {l.split()[-1]: int(l.split()[3]) for l in done.stderr.splitlines()
             if len(l.split()) >= 5 and l.split()[-1] in ("statx", "newfstatat", "stat", "lstat", "fstat")}
    print("   status calls of one run (strace -c): %s; products %d" %
          (", ".join("%s %d" % kv for kv in sorted(calls.items())), recorded))

# 2. The 350,000-line ledger: load and save in place, against sort -f.
source2 = os.path.join(work, "ledger-350k.txt")
copy2 = os.path.join(work, "ledger-350k-run.txt")
prog, peer, load, save = [], [], [], []
for _ in range(runs):
    shutil.copyfile(source2, copy2)
    _, done = timed([roundtrip, copy2], stdout=subprocess.PIPE)
    l, s, count = done.stdout.decode().split()
    load.append(float(l)); save.append(float(s)); prog.append((float(l) + float(s)) / 1000)
    seconds, _ = timed(["sort", "-f", source2])
    peer.append(seconds)
p, f = statistics.median(prog), statistics.median(peer)
report("2. ledger load+save / sort -f (350,000)", p / f, 0.3,
       "%.0f ms (load %.0f, save %.0f) / %.0f ms, %s lines" %
       (p * 1000, statistics.median(load), statistics.median(save), f * 1000, count))

# 3. The 2,000,000-line ledger through the program: time and peak memory.
source3 = os.path.join(work, "ledger-2m.txt")
copy3 = os.path.join(work, "ledger-2m-run.txt")
size3 = os.path.getsize(source3)
empty3 = os.path.join(work, "ledger-empty-run.txt")
prog, peer, peaks, floors = [], [], [], []
for _ in range(runs):
    shutil.copyfile(source3, copy3)
    seconds, peak = timed_peak([lagwatch, empty, copy3, "-close"])
    prog.append(seconds); peaks.append(peak)
    open(empty3, "w").close()
    floors.append(timed_peak([lagwatch, empty, empty3, "-close"])[1])
    seconds, _ = timed(["sort", "-f", source3])
    peer.append(seconds)
p, f = statistics.median(prog), statistics.median(peer)
peak, floor = statistics.median(peaks), statistics.median(floors)
report("3a. lagwatch peak memory above empty / file", (peak - floor) / size3, 3.0,
       "%.0f MB - %.0f MB / %.1f MB (largest peak %.0f MB)" % (peak / 1e6, floor / 1e6, size3 / 1e6, max(peaks) / 1e6),
       goal=2.0)
report("3b. lagwatch -close / sort -f (2,000,000)", p / f, 3.0, "%.0f ms / %.0f ms" % (p * 1000, f * 1000))
sys.exit(0 if all(results) else 1)
PY
