#!/usr/bin/env python3
"""Times the terminal edition of facemeld on large grid meshes.

Builds facemeld, the grid generator and the timer in build/bench (Release),
writes the grids to build/bench-data once, and then, for each grid, runs
facemeld (normals dropped, limit 5, driven through standard input) and
`wc -l FILE FILE` alternately, five times each, on the same file with the
file in the page cache. Prints, per program, the median wall time, the rate
over the input file, the median processor time, the peak resident memory
and the time as a multiple of `wc -l`'s, with facemeld's memory allowance of
24 bytes per vertex + 8 MiB.

    python3 bench/run.py            # the 1001 x 1001 grid (about 150 MB)
    python3 bench/run.py --large    # and the 3163 x 3163 grid (about 1.5 GB)
"""

import argparse
import os
import statistics
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MIB = 1 << 20


def build(builddir):
    subprocess.run(["cmake", "-S", ROOT, "-B", builddir, "-DCMAKE_BUILD_TYPE=Release",
                    "-DFACEMELD_BENCHMARKS=ON", "-DFACEMELD_TESTS=OFF"],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", builddir, "-j", str(os.cpu_count() or 2)],
                   check=True, stdout=subprocess.DEVNULL)


def find(builddir, name):
    for d, _, files in os.walk(builddir):
        if name in files and os.access(os.path.join(d, name), os.X_OK):
            return os.path.join(d, name)
    sys.exit(f"{name} not found under {builddir}")


def run(runone, argv, stdin_path, stdout_path):
    """Runs argv to its end; returns (wall s, processor s, peak resident KiB)."""
    out = subprocess.run([runone, stdin_path, stdout_path] + argv, check=True,
                         stdout=subprocess.PIPE, text=True).stdout.split()
    return float(out[0]), float(out[1]), int(out[2])


def warm(path):
    with open(path, "rb") as f:
        while f.read(8 * MIB):
            pass


class Grid:
    """One grid file and the measurements taken on it."""

    def __init__(self, path, n, datadir):
        self.path, self.n = path, n
        self.name = os.path.basename(path)
        self.mb = os.path.getsize(path) / 1e6
        self.out = os.path.join(datadir, f"out{n}.obj")
        self.log = os.path.join(datadir, f"facemeld{n}.log")
        self.script = os.path.join(datadir, f"answers{n}.txt")
        with open(self.script, "w") as f:
            f.write(f"q\n{path}\n{self.out}\ny\n5\ne\n")
        self.times = {"facemeld": [], "wc -l": []}
        self.cpu = {"facemeld": [], "wc -l": []}
        self.rss = {"facemeld": 0, "wc -l": 0}
        self.outmb = 0.0
        if os.path.exists(self.out):
            os.unlink(self.out)

    def round(self, facemeld, wc, runone):
        """Runs facemeld, then wc -l, once each."""
        for prog, argv, stdin, stdout in (
                ("facemeld", [facemeld], self.script, self.log),
                ("wc -l", [wc, "-l", self.path, self.path], os.devnull, os.devnull)):
            t, c, m = run(runone, argv, stdin, stdout)
            self.times[prog].append(t)
            self.cpu[prog].append(c)
            self.rss[prog] = max(self.rss[prog], m)
            if prog == "facemeld":
                # Removed at once: the terminal edition would ask before
                # replacing it, and its pages would be written back to disk
                # while the next programs run.
                self.outmb = os.path.getsize(self.out) / 1e6
                os.unlink(self.out)

    def median(self, prog):
        return statistics.median(self.times[prog])

    def summary(self):
        with open(self.log, errors="replace") as f:
            lines = [line.strip() for line in f if "triangles found" in line]
        return f"{lines[-1] if lines else '(no summary)'}; output {self.outmb:.1f} MB"


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--large", action="store_true", help="also the 3163 x 3163 grid (about 1.5 GB)")
    ap.add_argument("--runs", type=int, default=5, help="runs of each program per grid (default 5)")
    ap.add_argument("--build", default=os.path.join(ROOT, "build", "bench"), help="build directory")
    ap.add_argument("--facemeld", help="time this facemeld instead of the one built here")
    args = ap.parse_args()

    datadir = os.path.join(ROOT, "build", "bench-data")
    os.makedirs(datadir, exist_ok=True)
    build(args.build)
    gengrid = find(args.build, "gengrid")
    runone = find(args.build, "runone")
    facemeld = os.path.abspath(args.facemeld) if args.facemeld else find(args.build, "facemeld")
    wc = "/usr/bin/wc"

    sizes = [1001, 3163] if args.large else [1001]
    grids = []
    for n in sizes:
        path = os.path.join(datadir, f"grid{n}.obj")
        if not os.path.exists(path):
            print(f"writing {path} ...", flush=True)
            subprocess.run([gengrid, str(n), path + ".part"], check=True)
            os.replace(path + ".part", path)
        grids.append(Grid(path, n, datadir))
    for g in grids:
        warm(g.path)
    # Rounds over all grids, so that a change in the machine's load during
    # the run falls on every grid alike.
    for _ in range(args.runs):
        for g in grids:
            g.round(facemeld, wc, runone)

    print(f"\nmedians of {args.runs} runs each, alternating, input in the page cache;"
          f" cpu = user + system time")
    print(f"{'grid':<14}{'input MB':>9}  {'program':<9}{'median s':>9}{'MB/s':>8}{'cpu s':>8}"
          f"{'peak RSS MiB':>14}{'limit MiB':>11}{'x wc -l':>9}")
    for g in grids:
        limit = (24 * g.n * g.n + 8 * MIB) / MIB
        for prog in ("facemeld", "wc -l"):
            t = g.median(prog)
            first = prog == "facemeld"
            print(f"{g.name if first else '':<14}{f'{g.mb:.1f}' if first else '':>9}  {prog:<9}"
                  f"{t:>9.3f}{g.mb / t:>8.0f}{statistics.median(g.cpu[prog]):>8.3f}"
                  f"{g.rss[prog] / 1024:>14.1f}{f'{limit:.1f}' if first else '':>11}"
                  f"{t / g.median('wc -l'):>9.2f}")
        print(f"{'':<14}facemeld: {g.summary()}")
    if len(grids) == 2:
        a, b = grids
        print(f"\n{b.name} / {a.name}: input {b.mb / a.mb:.2f} x, "
              f"facemeld time {b.median('facemeld') / a.median('facemeld'):.2f} x")

if __name__ == "__main__":
    main()
