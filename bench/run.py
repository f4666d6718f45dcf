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


def measure(grid, n, facemeld, wc, runone, datadir, runs):
    mb = os.path.getsize(grid) / 1e6
    out = os.path.join(datadir, "out.obj")
    script = os.path.join(datadir, "answers.txt")
    log = os.path.join(datadir, "facemeld.log")
    with open(script, "w") as f:
        f.write(f"q\n{grid}\n{out}\ny\n5\ne\n")
    warm(grid)
    times = {"facemeld": [], "wc -l": []}
    cpu = {"facemeld": [], "wc -l": []}
    rss = {"facemeld": 0, "wc -l": 0}
    argv = {"facemeld": [facemeld], "wc -l": [wc, "-l", grid, grid]}
    for _ in range(runs):
        if os.path.exists(out):
            os.unlink(out)
        for prog, stdin, stdout in (("facemeld", script, log), ("wc -l", os.devnull, os.devnull)):
            t, c, m = run(runone, argv[prog], stdin, stdout)
            times[prog].append(t)
            cpu[prog].append(c)
            rss[prog] = max(rss[prog], m)
    with open(log, errors="replace") as f:
        summary = [line.strip() for line in f if "triangles found" in line]
    med = {k: statistics.median(v) for k, v in times.items()}
    medcpu = {k: statistics.median(v) for k, v in cpu.items()}
    return {"name": os.path.basename(grid), "mb": mb, "vertices": n * n, "median": med,
            "cpu": medcpu,
            "rss": rss, "summary": summary[-1] if summary else "(no summary)",
            "outmb": os.path.getsize(out) / 1e6 if os.path.exists(out) else 0}


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
    results = []
    for n in sizes:
        grid = os.path.join(datadir, f"grid{n}.obj")
        if not os.path.exists(grid):
            print(f"writing {grid} ...", flush=True)
            subprocess.run([gengrid, str(n), grid + ".part"], check=True)
            os.replace(grid + ".part", grid)
        results.append(measure(grid, n, facemeld, wc, runone, datadir, args.runs))

    print(f"\nmedians of {args.runs} runs each, alternating, input in the page cache;"
          f" cpu = user + system time")
    print(f"{'grid':<14}{'input MB':>9}  {'program':<9}{'median s':>9}{'MB/s':>8}{'cpu s':>8}"
          f"{'peak RSS MiB':>14}{'limit MiB':>11}{'x wc -l':>9}")
    for r in results:
        limit = (24 * r["vertices"] + 8 * MIB) / MIB
        for prog in ("facemeld", "wc -l"):
            t = r["median"][prog]
            ratio = t / r["median"]["wc -l"]
            first = prog == "facemeld"
            mb = f"{r['mb']:.1f}" if first else ""
            print(f"{r['name'] if first else '':<14}{mb:>9}  {prog:<9}"
                  f"{t:>9.3f}{r['mb'] / t:>8.0f}{r['cpu'][prog]:>8.3f}{r['rss'][prog] / 1024:>14.1f}"
                  f"{f'{limit:.1f}' if first else '':>11}{ratio:>9.2f}")
        print(f"{'':<14}facemeld: {r['summary']}; output {r['outmb']:.1f} MB")
    if len(results) == 2:
        a, b = results
        print(f"\n{b['name']} / {a['name']}: input {b['mb'] / a['mb']:.2f} x, "
              f"facemeld time {b['median']['facemeld'] / a['median']['facemeld']:.2f} x")


if __name__ == "__main__":
    main()
