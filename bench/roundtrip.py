#!/usr/bin/env python3
"""Quad models split into triangles and joined again: which quads come back.

Each quad mesh is copied with every quad split along a diagonal chosen at
random (a fixed seed) and every longer face fanned from its first corner,
every other line kept as it is; once with the faces in file order and once
shuffled within each run of face lines. Each copy is then joined by each
mode, `facemeld -q -p MODE -a DEG [-s SHAPE] IN OUT`, and the table gives
the share of the model's quads that come back exactly (a joined face with
the quad's four vertices), the pairs joined and the triangles left, for
each mode, order and limit, and the three pooled over the meshes.

The meshes: the corpus's quad meshes (../shared/corpus) where they are,
and quad meshes made here with irregular vertices: a cube's six faces
gridded and blown up into a ball (eight corners of three quads), and a
plane of jittered triangles each cut into three quads at its middle
(corners of three and of six quads), plain and with a hill, and a larger
hill.

    python3 bench/roundtrip.py                  # builds build/bench, all meshes
    python3 bench/roundtrip.py --angles 180 MESH.obj ...
"""

import argparse
import math
import os
import random
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CORPUS = ["blender274_suzanne.obj", "blender279_pirate.obj", "blender291_teslacyberv3.0.obj",
          "lightwave_greek_helmet.obj", "mcguire_CornellBox-Original.obj", "wings3d_rabbit.obj"]
MODES = ["consecutive", "neighbours", "squarest"]


def vertex(token, count):
    """The absolute number of a corner's vertex, `count` vertices read so far."""
    i = int(token.split(b"/")[0])
    return i if i > 0 else count + i + 1


def split(lines, rnd):
    """The lines with every face split into triangles, the model's quads
    (as sorted vertex numbers) and each triangle's vertices, in order."""
    out, quads, tris, count = [], [], [], 0
    for line in lines:
        words = line.split()
        key = words[0].lower() if words else b""
        if key == b"v":
            count += 1
        if key != b"f" or len(words) < 5 or line.rstrip().endswith(b"\\"):
            if key == b"f" and len(words) == 4:
                tris.append(tuple(vertex(c, count) for c in words[1:]))
            out.append(line)
            continue
        c = words[1:]
        if len(c) == 4:
            quads.append(tuple(sorted(vertex(x, count) for x in c)))
            k = rnd.randrange(2)
            faces = [(c[k], c[k + 1], c[k + 2]), (c[k + 2], c[(k + 3) % 4], c[k])]
        else:
            faces = [(c[0], c[i], c[i + 1]) for i in range(1, len(c) - 1)]
        for f in faces:
            out.append(b"f " + b" ".join(f))
            tris.append(tuple(vertex(x, count) for x in f))
    return out, quads, tris


def shuffled(lines, rnd):
    """The lines with the faces of each run of face lines in random order."""
    out, run = [], []
    for line in lines + [b""]:
        if line.split()[:1] in ([b"f"], [b"F"]):
            run.append(line)
            continue
        rnd.shuffle(run)
        out += run + [line]
        run = []
    return out[:-1]


def faces(path):
    """The quads (sorted vertex numbers) and the number of triangles of a file."""
    quads, triangles, count = [], 0, 0
    with open(path, "rb") as f:
        for line in f.read().split(b"\n"):
            words = line.split()
            key = words[0].lower() if words else b""
            count += key == b"v"
            if key == b"f" and len(words) == 5:
                quads.append(tuple(sorted(vertex(c, count) for c in words[1:])))
            triangles += key == b"f" and len(words) == 4
    return quads, triangles


def play(tools, mode, angle, shape, path):
    """(quads joined, triangles left) of one copy in one mode."""
    limit = ["-s", shape] if shape else []
    out = path[:-4] + "-" + mode + "-out.obj"
    subprocess.run([tools["facemeld"], "-q", "-p", mode, "-a", angle, *limit, path, out], check=True)
    quads, left = faces(out)
    os.unlink(out)
    return quads, left


def cube_ball(n, path):
    """A cube's faces gridded n by n and blown up into a ball."""
    index, verts, quads = {}, [], []

    def at(p):
        key = tuple(round(x * n) for x in p)
        if key not in index:
            r = math.sqrt(sum(x * x for x in p))
            index[key] = len(verts) + 1
            verts.append(tuple(x / r for x in p))
        return index[key]

    for axis in range(3):
        for side in (-1, 1):
            for i in range(n):
                for j in range(n):
                    corner = []
                    for di, dj in ((0, 0), (1, 0), (1, 1), (0, 1)) if side > 0 else ((0, 0), (0, 1), (1, 1), (1, 0)):
                        p = [0.0, 0.0, 0.0]
                        p[axis] = side
                        p[(axis + 1) % 3] = -1 + 2 * (i + di) / n
                        p[(axis + 2) % 3] = -1 + 2 * (j + dj) / n
                        corner.append(at(p))
                    quads.append(corner)
    write(path, verts, quads)


def cut_plane(n, path, bump, seed=7):
    """A plane of jittered triangles, n by n squares of two, each cut into
    three quads at its middle; with `bump`, lifted into a hill."""
    rnd = random.Random(seed)
    verts, index, quads = [], {}, []
    height = lambda x, y: bump * math.exp(-((x - n / 2) ** 2 + (y - n / 2) ** 2) / (n * n / 8))

    def add(key, x, y):
        if key not in index:
            verts.append((x, y, height(x, y)))
            index[key] = len(verts)
        return index[key]

    grid = {(i, j): (i + rnd.uniform(-0.25, 0.25) * (0 < i < n), j + rnd.uniform(-0.25, 0.25) * (0 < j < n))
            for i in range(n + 1) for j in range(n + 1)}
    for i in range(n):
        for j in range(n):
            for tri in (((i, j), (i + 1, j), (i + 1, j + 1)), ((i, j), (i + 1, j + 1), (i, j + 1))):
                p = [grid[k] for k in tri]
                corner = [add(("v",) + k, *grid[k]) for k in tri]
                mid = [add(("e",) + tuple(sorted((tri[a], tri[(a + 1) % 3]))),
                           (p[a][0] + p[(a + 1) % 3][0]) / 2, (p[a][1] + p[(a + 1) % 3][1]) / 2) for a in range(3)]
                c = add(("c",) + tri, sum(x for x, _ in p) / 3, sum(y for _, y in p) / 3)
                for a in range(3):
                    quads.append([corner[a], mid[a], c, mid[(a + 2) % 3]])
    write(path, verts, quads)


def write(path, verts, quads):
    with open(path, "w") as f:
        f.write("".join("v %.6f %.6f %.6f\n" % v for v in verts))
        f.write("".join("f %d %d %d %d\n" % tuple(q) for q in quads))


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("meshes", nargs="*", help="quad meshes (default: the corpus's and the ones made here)")
    ap.add_argument("--angles", nargs="+", default=["30", "180"], help="fold limits (default 30 180)")
    ap.add_argument("--shape", default=None, help="a shape limit, -s SHAPE (default none)")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--keep", default=None, help="a folder to keep the split copies in")
    ap.add_argument("--build", default=os.path.join(ROOT, "build", "bench"), help="build directory")
    args = ap.parse_args()
    subprocess.run(["cmake", "-S", ROOT, "-B", args.build, "-DCMAKE_BUILD_TYPE=Release", "-DFACEMELD_BENCHMARKS=ON",
                    "-DFACEMELD_TESTS=OFF"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", args.build, "-j", "2", "--target", "facemeld"], check=True,
                   stdout=subprocess.DEVNULL)
    tools = {"facemeld": os.path.join(args.build, "facemeld")}
    work = args.keep or tempfile.mkdtemp(prefix="roundtrip-")
    os.makedirs(work, exist_ok=True)
    meshes = args.meshes
    if not meshes:
        corpus = os.path.join(ROOT, "..", "shared", "corpus")
        meshes = [os.path.join(corpus, m) for m in CORPUS if os.path.exists(os.path.join(corpus, m))]
        for name, make in (("cube-ball-24", lambda p: cube_ball(24, p)), ("cut-plane-40", lambda p: cut_plane(40, p, 0)),
                           ("cut-hill-40", lambda p: cut_plane(40, p, 12)), ("cut-hill-80", lambda p: cut_plane(80, p, 24))):
            meshes.append(os.path.join(work, name + ".obj"))
            make(meshes[-1])
    print(f"{'mesh':<32}{'quads':>7} {'order':<9}{'-a':>5}" + "".join(f"{m + ' %':>15}{'pairs':>7}{'left':>7}" for m in MODES))
    pooled = {}
    for mesh in meshes:
        with open(mesh, "rb") as f:
            lines = f.read().split(b"\n")
        rnd = random.Random(args.seed)
        ordered, quads, _ = split(lines, rnd)
        model = set(quads)
        for order, body in (("file", ordered), ("shuffled", shuffled(ordered, rnd))):
            path = os.path.join(work, os.path.basename(mesh)[:-4] + "-" + order + ".obj")
            with open(path, "wb") as f:
                f.write(b"\n".join(body))
            for angle in args.angles:
                row = f"{os.path.basename(mesh)[:31]:<32}{len(quads):>7} {order:<9}{angle:>5}"
                for mode in MODES:
                    got, left = play(tools, mode, angle, args.shape, path)
                    back = len(model & set(got))
                    p = pooled.setdefault((order, angle, mode), [0, 0, 0, 0])
                    for k, x in enumerate((back, len(quads), len(got), left)):
                        p[k] += x
                    row += f"{100 * back / max(len(quads), 1):>15.1f}{len(got):>7}{left:>7}"
                print(row, flush=True)
    for order in ("file", "shuffled"):
        for angle in args.angles:
            row = f"{'pooled':<32}{pooled[order, angle, MODES[0]][1]:>7} {order:<9}{angle:>5}"
            for mode in MODES:
                back, total, got, left = pooled[order, angle, mode]
                row += f"{100 * back / max(total, 1):>15.1f}{got:>7}{left:>7}"
            print(row)
    if not args.keep:
        for name in os.listdir(work):
            os.unlink(os.path.join(work, name))
        os.rmdir(work)


if __name__ == "__main__":
    sys.exit(main())
