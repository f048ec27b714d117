"""Timing whole programs beside their peers for the bench/ scripts: each
command run alternately, wall time and peak memory (through /usr/bin/time -v)
kept per run, medians compared against targets."""
import statistics
import subprocess
import time


class Timings:
    def __init__(self, commands):
        self.commands = commands
        self.wall = {k: [] for k in commands}
        self.peak = {k: [] for k in commands}  # KiB

    def run(self, name):
        """Runs one command once, records it and gives what it printed."""
        start = time.perf_counter()
        done = subprocess.run(["/usr/bin/time", "-v"] + self.commands[name], stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, text=True)
        self.wall[name].append(time.perf_counter() - start)
        self.peak[name].append(
            next(int(l.split(":")[1]) for l in done.stderr.splitlines() if "Maximum resident set size" in l))
        return done

    def medians(self):
        """Median wall seconds and median peak MiB of each command."""
        return ({k: statistics.median(v) for k, v in self.wall.items()},
                {k: statistics.median(v) / 1024 for k, v in self.peak.items()})


class Targets:
    def __init__(self, width):
        self.width = width
        self.results = []

    def report(self, label, ratio, target, detail):
        ok = ratio <= target
        self.results.append(ok)
        print("%-*s %6.2f  (target <= %.1f)  %s   %s" % (self.width, label, ratio, target, "ok" if ok else "MISSED",
                                                        detail))

    def status(self):
        return 0 if all(self.results) else 1
