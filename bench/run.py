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
    python3 bench/run.py --pairs --angle 180 --shape 45

Then, for each mesh of ../shared/corpus (where it exists), each grid, a
noisy 200 x 200 grid from ../shared/bench/gen_grid.py in order and with its
faces shuffled by ../shared/bench/shuffle_faces.py, and a flat 500 x 500
grid (gen_grid.py --noise 0) shuffled, it prints for each pairing mode
(consecutive, neighbours and squarest):
the pairs joined beside the reference's (the largest number the
neighbours mode can join, from bench/maximum's Boost.Graph Edmonds
matching; for squarest, LEMON's heaviest matching); their shape (for
neighbours, the total shape error of the copy's quads over the least of a
largest matching, LEMON's weighted matching; for squarest, the greatest
total worth less the matching's, over its total error, a pair being worth
90 degrees less its error); the times of `facemeld -q -n -j 2 -a LIMIT -p
MODE IN OUT`, the modes run in turn (the input in the page cache, the
output a new file in build/bench-data, removed after each run): the
median of each and the median of the ratios of each run to the
consecutive mode's run beside it; the peak memory, against the allowance
of 24 bytes per vertex + 56 bytes per triangle of the largest run of face
lines + 16 MiB; and the longest the copy went without moving its
progress line (bench/meld, through the engine's call). --angle sets the
fold limit (default 5), --shape the shape limit (default 90, none), and
the references leave out the pairs over it.

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
    ap.add_argument("--pairs", action="store_true", help="only the pairs each mode joins, their shape and times")
    ap.add_argument("--angle", default="5", help="the fold limit of the table of pairs (default 5)")
    ap.add_argument("--shape", default="90", help="the shape limit of the table of pairs (default 90, none)")
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


def made(path, make):
    """Makes the file by make(part) once; whether it exists."""
    if not os.path.exists(path):
        make(path + ".part")
        os.replace(path + ".part", path)
    return os.path.exists(path)


def testmeshes(tools):
    """The noisy 200 x 200 grid in order and shuffled, and the flat 500 x
    500 grid shuffled: small enough for the references, and where the
    matchings differ most in shape."""
    data = os.path.join(ROOT, "build", "bench-data")
    if not os.path.exists(tools):
        return []
    grid = lambda n, *more: lambda p: subprocess.run([sys.executable, os.path.join(tools, "gen_grid.py"), str(n),
                                                      str(n), p, *more], check=True, stdout=subprocess.DEVNULL)
    shuffle = lambda src: lambda p: subprocess.run([sys.executable, os.path.join(tools, "shuffle_faces.py"), src, p,
                                                    "--seed=1"], check=True, stdout=subprocess.DEVNULL)
    noisy, flat = os.path.join(data, "noisy-200.obj"), os.path.join(data, "flat-500.obj")
    made(noisy, grid(200))
    made(flat, grid(500, "--noise", "0"))
    out = [noisy]
    for src in (noisy, flat):
        out.append(src[:-4] + "-shuffled.obj")
        made(out[-1], shuffle(src))
    return out


def pairs(args, grids, runone, facemeld, meld, maximum, out):
    """For each mode, the pairs it joins against the reference's, their
    shape against the best, the time against the consecutive mode's, the
    peak memory and the longest wait of the progress line."""
    corpus = os.path.join(ROOT, "..", "shared", "corpus")
    meshes = sorted(os.path.join(corpus, f) for f in os.listdir(corpus) if f.endswith(".obj")) \
        if os.path.isdir(corpus) else []
    meshes += grids + testmeshes(os.path.join(ROOT, "..", "shared", "bench"))
    modes = ["consecutive", "neighbours", "squarest"]
    print(f"\npairs joined (normals dropped, limit {args.angle}, shape limit {args.shape}, 2 threads; times: medians of {args.runs} runs "
          f"of each mode in turn, the ratio the median of the runs' ratios to the consecutive mode's)")
    print("reference: consecutive and neighbours, the largest count (Edmonds); squarest, LEMON's heaviest. "
          "shape: neighbours, the total error over the least of the largest (LEMON); squarest, the greatest "
          "worth less the worth, over the total error (at most 2 %)")
    print(f"{'mesh':<32}{'triangles':>10}  {'mode':<12}{'pairs':>9}{'reference':>10}{'shape':>10}"
          f"{'median s':>10}{'ratio':>7}{'peak MiB':>10}{'allow. MiB':>11}{'gap s':>7}")
    for path in meshes:
        warm(path)
        times, peak = {m: [] for m in modes}, {m: 0 for m in modes}
        for _ in range(args.runs):
            for mode in modes:
                t, kib = run(runone, [facemeld, "-q", "-n", "-j", "2", "-a", args.angle, "-s", args.shape, "-p", mode, path, out])
                os.unlink(out)
                times[mode].append(t)
                peak[mode] = max(peak[mode], kib)
        ref = subprocess.run([maximum, "-n", "-l", args.shape, "-m", args.angle, path], check=True, stdout=subprocess.PIPE,
                             text=True).stdout.split()
        tri, most, least = int(ref[0]), int(ref[1]), None if ref[2] == "-" else float(ref[2])
        greatest, heavy = None if ref[5] == "-" else float(ref[5]), int(ref[6])
        allow = (24 * vertices(path) + 56 * longest(path) + 16 * MIB) / MIB
        for mode in modes:
            counts = subprocess.run([meld, mode, "2", path, out, args.angle, args.shape], check=True, stdout=subprocess.PIPE,
                                    text=True).stdout.split()
            got, gap = int(counts[1]), f"{float(counts[2]):.3f}"
            # The joined quads' shape error: the copy's quads' less the input's own.
            error = [float(subprocess.run([maximum, "-s", p], check=True, stdout=subprocess.PIPE,
                                          text=True).stdout.split()[1]) for p in (out, path)]
            error = error[0] - error[1]
            shape, reference = "-", most
            if mode == "neighbours" and least is not None:
                shape = f"{error / least:.4f}" if least > 0 else "1" if error <= 1e-6 * got else "inf"
            if mode == "squarest":
                reference = heavy if greatest is not None else "-"
                if greatest is not None:
                    worth = 90 * got - error
                    shape = f"{100 * (greatest - worth) / error:.3f} %" if error > 0 else "0 %"
            if os.path.exists(out):
                os.unlink(out)
            ratio = statistics.median(a / c for a, c in zip(times[mode], times["consecutive"]))
            first = mode == modes[0]
            print(f"{os.path.basename(path) if first else '':<32}{f'{tri:,}' if first else '':>10}  {mode:<12}"
                  f"{got:>9,}{reference if isinstance(reference, str) else f'{reference:,}':>10}{shape:>10}{statistics.median(times[mode]):>10.3f}{ratio:>7.2f}"
                  f"{peak[mode] / 1024:>10.1f}{f'{allow:.1f}' if first else '':>11}{gap:>7}")


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
