#!/usr/bin/env python3
"""Times facemeld on large grid meshes, on one thread and on two.

Builds facemeld, the grid generator, the timer and the loader in build/bench
(Release), writes the grids to build/bench-data once, and then, for each
grid, runs `wc -l FILE FILE`, `facemeld -n -a 5 -j 1` and `-j 2` (normals
dropped, limit 5) and, on the smaller grid, a mere load of the file by
tinyobjloader and by assimp, in turn, five times each, on the same file with
the file in the page cache. Prints, per grid, the median wall time of each,
as MB/s over the input and as a multiple of `wc -l`'s, the peak resident
memory against facemeld's allowance of 24 bytes per vertex + 16 MiB, and
what one and two threads imply for more: the time t(n) = s + p / n that
fits both.

    python3 bench/run.py            # the 1001 x 1001 grid (about 150 MB)
    python3 bench/run.py --large    # and the 3163 x 3163 grid (about 1.6 GB)
    python3 bench/run.py --windows  # the pass alone, native and under Wine
    python3 bench/run.py --batch    # a batch of 400 small meshes
    python3 bench/run.py --pairs    # only the table of pairs below

Then, for each mesh of ../shared/corpus (where it exists) and each grid, it
prints the pairs joined in either pairing mode (consecutive, neighbours) by
one copy through the engine's call (bench/meld: normals dropped, limit 5,
two threads) beside the largest number of pairs the neighbours mode can
join, from a reference of its own (bench/maximum, Boost.Graph's Edmonds
matching), the total shape error of the neighbours mode's quads beside the
least of a largest matching (LEMON's weighted matching; also for a noisy
200 x 200 grid from ../shared/bench/gen_grid.py, in order and with its
faces shuffled by ../shared/bench/shuffle_faces.py), and the times of
`facemeld -q -n -j 2 IN OUT` and `facemeld -q -n -j 2 -p neighbours IN
OUT`, run in turn (the input in the page cache, the output a new file in
build/bench-data, removed after each run): the median of each and the
median of the ratios of the pairs of runs, and the peak memory of either
mode, the latter against the neighbours mode's allowance of 24 bytes per
vertex + 56 bytes per triangle of the largest run of face lines + 16 MiB.

With --windows it builds the benchmark of the pass alone (passbench) for
this machine and for Windows, and times both on the smaller grid, on one
thread and on two, the Windows build under Wine: the Windows program's pass
against the terminal edition's.

With --batch it copies the meshes of ../shared/corpus under 1 MB, taken in
turn, to 400 files, and times `facemeld -q -j 1 -o DIR` and `-j 2` on all
of them, in turn, fifteen times each: the batch shares its files among its
threads. The files are in memory (/dev/shm, or --dir), so that the figures
are the program's and not the disk's: on a disk, creating, replacing and
deleting files also waits for the file system's journal and for the disk,
and the kernel's writing back of earlier runs takes a core now and then.
The output folder is emptied before each run.
"""

import argparse
import glob
import os
import shutil
import statistics
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MIB = 1 << 20


def build(builddir, *options):
    subprocess.run(["cmake", "-S", ROOT, "-B", builddir, "-DCMAKE_BUILD_TYPE=Release",
                    "-DFACEMELD_BENCHMARKS=ON", "-DFACEMELD_TESTS=OFF", *options],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", builddir, "-j", str(os.cpu_count() or 2)],
                   check=True, stdout=subprocess.DEVNULL)


def find(builddir, name):
    for d, _, files in os.walk(builddir):
        if name in files and os.access(os.path.join(d, name), os.X_OK):
            return os.path.join(d, name)
    sys.exit(f"{name} not found under {builddir}")


def run(runone, argv):
    """Runs argv to its end; returns (wall s, peak resident KiB)."""
    out = subprocess.run([runone, os.devnull, os.devnull] + argv, check=True,
                         stdout=subprocess.PIPE, text=True).stdout.split()
    return float(out[0]), int(out[2])


def warm(path):
    with open(path, "rb") as f:
        while f.read(8 * MIB):
            pass


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--large", action="store_true", help="also the 3163 x 3163 grid")
    ap.add_argument("--runs", type=int, default=5, help="runs of each program per grid (default 5)")
    ap.add_argument("--windows", action="store_true", help="the pass alone, native and under Wine")
    ap.add_argument("--batch", action="store_true", help="a batch of 400 small meshes, on 1 and 2 threads")
    ap.add_argument("--pairs", action="store_true", help="only the pairs either mode joins, their shape and times")
    ap.add_argument("--dir", default="/dev/shm" if os.path.isdir("/dev/shm") else os.path.join(ROOT, "build"),
                    help="where --batch puts its files (default /dev/shm)")
    ap.add_argument("--build", default=os.path.join(ROOT, "build", "bench"), help="build directory")
    args = ap.parse_args()
    if args.windows:
        return windows(args)
    if args.batch:
        return batch(args)

    datadir = os.path.join(ROOT, "build", "bench-data")
    os.makedirs(datadir, exist_ok=True)
    build(args.build)
    gengrid, runone = find(args.build, "gengrid"), find(args.build, "runone")
    facemeld, loadobj = find(args.build, "facemeld"), find(args.build, "loadobj")

    grids = []
    for n in [1001, 3163] if args.large else [1001]:
        path = os.path.join(datadir, f"grid{n}.obj")
        if not os.path.exists(path):
            print(f"writing {path} ...", flush=True)
            subprocess.run([gengrid, str(n), path + ".part"], check=True)
            os.replace(path + ".part", path)
        grids.append((n, path))
    out = os.path.join(datadir, "out.obj")
    if args.pairs:
        return pairs(args, [p for _, p in grids], runone, facemeld, find(args.build, "meld"),
                     find(args.build, "maximum"), out)
    programs = {
        "wc -l": lambda p: ["/usr/bin/wc", "-l", p, p],
        "1 thread": lambda p: [facemeld, "-q", "-n", "-a", "5", "-j", "1", p, out],
        "2 threads": lambda p: [facemeld, "-q", "-n", "-a", "5", "-j", "2", p, out],
        "tinyobjloader": lambda p: [loadobj, "tinyobjloader", p],
        "assimp": lambda p: [loadobj, "assimp", p],
    }
    # The loaders hold the whole mesh, several gigabytes for the large grid.
    plays = lambda n: [name for name in programs if n < 2000 or name in ("wc -l", "1 thread", "2 threads")]
    times = {(n, name): [] for n, _ in grids for name in plays(n)}
    peak = {(n, name): 0 for n, _ in grids for name in plays(n)}
    for _, path in grids:
        warm(path)
    # Rounds over every grid and program, so that a change in the machine's
    # load during the run falls on all of them alike.
    for _ in range(args.runs):
        for n, path in grids:
            for name in plays(n):
                t, kib = run(runone, programs[name](path))
                times[n, name].append(t)
                peak[n, name] = max(peak[n, name], kib)
                if os.path.exists(out):
                    os.unlink(out)  # so its pages are not written back while the next runs

    print(f"\nmedians of {args.runs} runs each, in turn, input in the page cache")
    print(f"{'grid':<12}{'input MB':>9}  {'program':<14}{'median s':>9}{'MB/s':>7}{'x wc -l':>9}"
          f"{'peak RSS MiB':>14}{'allowance MiB':>15}")
    for n, path in grids:
        mb = os.path.getsize(path) / 1e6
        allowance = (24 * n * n + 16 * MIB) / MIB
        wc = statistics.median(times[n, "wc -l"])
        for name in plays(n):
            t = statistics.median(times[n, name])
            first, ours = name == "wc -l", "thread" in name
            print(f"{f'{n} x {n}' if first else '':<12}{f'{mb:.1f}' if first else '':>9}  {name:<14}"
                  f"{t:>9.3f}{mb / t:>7.0f}{t / wc:>9.2f}{peak[n, name] / 1024:>14.1f}"
                  f"{f'{allowance:.1f}' if ours else '':>15}")
        t1, t2 = statistics.median(times[n, "1 thread"]), statistics.median(times[n, "2 threads"])
        s, p = 2 * t2 - t1, 2 * (t1 - t2)
        guess = ", ".join(f"{k}: {s + p / k:.3f} s" for k in (4, 8, 16))
        print(f"{'':<23}facemeld: t(n) = {s:.3f} + {p:.3f} / n s; {guess}")
    pairs(args, [p for _, p in grids], runone, facemeld, find(args.build, "meld"), find(args.build, "maximum"), out)


def pairs(args, grids, runone, facemeld, meld, maximum, out):
    """The pairs either mode joins against the largest number, with time and memory."""
    corpus = os.path.join(ROOT, "..", "shared", "corpus")
    meshes = sorted(os.path.join(corpus, f) for f in os.listdir(corpus) if f.endswith(".obj")) \
        if os.path.isdir(corpus) else []
    print(f"\npairs joined (normals dropped, limit 5, 2 threads; times: medians of {args.runs} pairs of runs in turn)")
    print(f"{'mesh':<32}{'triangles':>10}{'consec.':>9}{'neighb.':>9}{'maximum':>9}{'% max':>7}"
          f"{'error':>12}{'least':>12}{'x least':>8}"
          f"{'consec. s':>10}{'neighb. s':>10}{'ratio':>7}{'consec. MiB':>12}{'neighb. MiB':>12}{'allow. MiB':>11}")
    # A noisy grid, small enough for the reference's least error, where
    # the largest matchings differ most in shape.
    noisy = os.path.join(ROOT, "build", "bench-data", "noisy-200.obj")
    shuffled = os.path.join(ROOT, "build", "bench-data", "noisy-200-shuffled.obj")
    tools = os.path.join(ROOT, "..", "shared", "bench")
    if not os.path.exists(noisy) and os.path.exists(tools):
        subprocess.run([sys.executable, os.path.join(tools, "gen_grid.py"), "200", "200", noisy], check=True,
                       stdout=subprocess.DEVNULL)
    if not os.path.exists(shuffled) and os.path.exists(noisy):
        subprocess.run([sys.executable, os.path.join(tools, "shuffle_faces.py"), noisy, shuffled, "--seed=1"],
                       check=True, stdout=subprocess.DEVNULL)
    for path in meshes + grids + [p for p in (noisy, shuffled) if os.path.exists(p)]:
        warm(path)
        res, times, peak = {}, {"consecutive": [], "neighbours": []}, {"consecutive": 0, "neighbours": 0}
        for _ in range(args.runs):
            for mode, extra in (("consecutive", []), ("neighbours", ["-p", "neighbours"])):
                t, kib = run(runone, [facemeld, "-q", "-n", "-j", "2", *extra, path, out])
                os.unlink(out)
                times[mode].append(t)
                peak[mode] = max(peak[mode], kib)
        ratio = statistics.median(n / c for c, n in zip(times["consecutive"], times["neighbours"]))
        for mode in ("consecutive", "neighbours"):
            counts = subprocess.run([meld, mode, "2", path, out], check=True, stdout=subprocess.PIPE,
                                    text=True).stdout.split()
            res[mode] = (int(counts[0]), int(counts[1]), statistics.median(times[mode]), peak[mode] / 1024)
        # The joined quads' shape error: the copy's quads' less the input's own.
        shape = [float(subprocess.run([maximum, "-s", p], check=True, stdout=subprocess.PIPE,
                                      text=True).stdout.split()[1]) for p in (out, path)]
        error = shape[0] - shape[1]
        ref = subprocess.run([maximum, "-n", "5", path], check=True, stdout=subprocess.PIPE, text=True).stdout.split()
        most, least = int(ref[1]), None if ref[2] == "-" else float(ref[2])
        (tri, cons, tc, mc), (_, neigh, tn, mn) = res["consecutive"], res["neighbours"]
        allow = (24 * vertices(path) + 56 * longest(path) + 16 * MIB) / MIB
        share = f"{100 * neigh / most:.1f}" if most else "-"
        multiple = "-" if least is None else f"{error / least:.4f}" if least > 0 else "1" if error <= 1e-6 * neigh else "inf"
        print(f"{os.path.basename(path):<32}{tri:>10,}{cons:>9,}{neigh:>9,}{most:>9,}{share:>7}"
              f"{error:>12.1f}{'-' if least is None else f'{least:.1f}':>12}{multiple:>8}{tc:>10.3f}{tn:>10.3f}{ratio:>7.2f}{mc:>12.1f}{mn:>12.1f}{allow:>11.1f}")


def vertices(path):
    """The vertex lines of an OBJ file, as the copy counts them."""
    with open(path, "rb") as f:
        return sum(1 for line in f.read().replace(b"\r", b"\n").split(b"\n") if line.split()[:1] == [b"v"])


def longest(path):
    """The triangles of the longest run of face lines (normals dropped)."""
    best = run = 0
    with open(path, "rb") as f:
        for line in f.read().replace(b"\r", b"\n").split(b"\n"):
            words = line.split()
            if not words or words[0].lower() == b"vn":
                continue
            if words[0].lower() != b"f":
                run = 0
            elif len(words) == 4:
                run += 1
                best = max(best, run)
    return best


def windows(args):
    """Times passbench for this machine and, under Wine, for Windows, in turn."""
    native, win64 = args.build, args.build + "-win64"
    build(native)
    build(win64, "-DCMAKE_TOOLCHAIN_FILE=" + os.path.join(ROOT, "cmake", "mingw-w64-x86_64.cmake"))
    grid = os.path.join(ROOT, "build", "bench-data", "grid1001.obj")
    if not os.path.exists(grid):
        subprocess.run([find(native, "gengrid"), "1001", grid], check=True)
    env = dict(os.environ, WINEPREFIX=os.path.join(ROOT, "build", "bench-data", "wine"), WINEDEBUG="-all")
    out = os.path.join(ROOT, "build", "bench-data", "out.obj")
    print(f"median seconds of the pass over {grid} ({args.runs} runs in each of 3 rounds, in turn)")
    for threads in ("1", "2"):
        times = {"native": [], "Windows": []}
        for _ in range(3):
            for name, argv in (("native", [find(native, "passbench")]),
                               ("Windows", ["wine", find(win64, "passbench.exe")])):
                line = subprocess.run(argv + [grid, out, threads, str(args.runs)], env=env, check=True,
                                      stdout=subprocess.PIPE, text=True).stdout
                times[name].append(float(line.split("median ")[1].split(" ")[0]))
        a, b = statistics.median(times["native"]), statistics.median(times["Windows"])
        print(f"{threads} thread{'s' * (threads != '1')}: native {a:.3f} s, Windows under Wine {b:.3f} s, "
              f"ratio {b / a:.2f}")


def batch(args):
    """Times a batch of 400 small meshes on one thread and on two, in turn."""
    corpus = os.path.join(ROOT, "..", "shared", "corpus")
    small = sorted(p for p in glob.glob(os.path.join(corpus, "*.obj")) if os.path.getsize(p) < MIB)
    if not small:
        sys.exit(f"no meshes under 1 MB in {corpus}")
    build(args.build)
    facemeld, runone = find(args.build, "facemeld"), find(args.build, "runone")
    data = os.path.join(args.dir, "facemeld-batch")
    ins, out = os.path.join(data, "in"), os.path.join(data, "out")
    shutil.rmtree(data, ignore_errors=True)
    os.makedirs(ins)
    files = []
    for i in range(400):
        mesh = small[i % len(small)]
        files.append(os.path.join(ins, f"{os.path.basename(mesh)[:-4]}-{i}.obj"))
        shutil.copyfile(mesh, files[-1])
    mb = sum(os.path.getsize(f) for f in files) / 1e6
    times = {1: [], 2: []}
    for _ in range(max(args.runs, 15)):
        for threads in times:
            shutil.rmtree(out, ignore_errors=True)
            os.mkdir(out)
            t, _ = run(runone, [facemeld, "-q", "-j", str(threads), "-o", out] + files)
            times[threads].append(t)
    t1, t2 = statistics.median(times[1]), statistics.median(times[2])
    shutil.rmtree(data)
    print(f"400 files in {data}, {len(small)} meshes, {mb:.1f} MB; medians of {len(times[1])} runs each, in turn")
    print(f"1 thread: {t1:.3f} s; 2 threads: {t2:.3f} s; ratio {t2 / t1:.2f}")
    ratios = sorted(b / a for a, b in zip(times[1], times[2]))
    print(f"ratio run by run: {ratios[0]:.2f} to {ratios[-1]:.2f}, median {statistics.median(ratios):.2f}")


if __name__ == "__main__":
    main()
