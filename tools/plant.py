#!/usr/bin/env python3
"""Plants one-line faults in the engine and the terminal edition, one at a
time, and runs the native suite on each: a fault that no test notices marks
a place the tests do not guard.

    python3 tools/plant.py [COUNT [SEED [FILE...]]]     # 40 faults, seed 1

FILE... (paths such as src/mesh/engine/pairtest.cpp) plants only in those files.

Works in a copy of the tree (build/plant), never in the sources. Prints one
line per fault (caught or not, the file, the line and the change) and the
tally; a fault that does not compile is replaced by another.
"""
import os, random, re, shutil, subprocess, sys

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WORK = os.path.join(TOP, "build", "plant")
SOURCES = ("src/mesh/engine", "src/mesh/engine/neighbours", "src/mesh/command", "src/term")

# Each change: a pattern and what a match becomes.
CHANGES = [
    (r"==", "!="), (r"!=", "=="), (r"(?<![<>=!])<(?![<=])", "<="), (r"<=", "<"),
    (r"(?<![<>=!-])>(?![>=])", ">="), (r">=", ">"), (r"&&", "||"), (r"\|\|", "&&"),
    (r"(?<![+])\+(?![+=])", "-"), (r"(?<!-)-(?![->=])", "+"), (r"\b1\b", "0"), (r"\b0\b", "1"),
    (r"\btrue\b", "false"), (r"\bfalse\b", "true"), (r"if \(!", "if ("),
]


def candidates(only):
    """Every (file, line number, new text) that one change makes of a code line."""
    out = []
    for folder in SOURCES:
        for name in sorted(os.listdir(os.path.join(TOP, folder))):
            if not name.endswith((".cpp", ".h")) or name == "windows.cpp":  # built for Windows only
                continue
            path = os.path.join(folder, name)
            if only and path not in only:
                continue
            for n, line in enumerate(open(os.path.join(TOP, path)).read().split("\n")):
                code = line.split("//")[0]
                if not code.strip() or code.lstrip().startswith(("#", "*", "/*")) or '"' in code:
                    continue
                for pattern, to in CHANGES:
                    for m in re.finditer(pattern, code):
                        out.append((path, n, line[:m.start()] + to + line[m.end():]))
                if re.match(r"\s+(if \(|return |[a-z_.]+ [-+*/]?= )", code) and code.rstrip().endswith(";"):
                    out.append((path, n, ""))  # the statement deleted
    return out


def run(cmd, **kw):
    return subprocess.run(cmd, cwd=WORK, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, **kw)


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 40
    rnd = random.Random(int(sys.argv[2]) if len(sys.argv) > 2 else 1)
    shutil.rmtree(WORK, ignore_errors=True)
    shutil.copytree(TOP, WORK, ignore=shutil.ignore_patterns("build", ".git"))
    # The shared meshes sit beside the tree; the copy sees them at the same place.
    shared = os.path.join(WORK, "..", "shared")
    if not os.path.lexists(shared):
        os.symlink(os.path.join(TOP, "..", "shared"), shared)
    if run(["cmake", "-S", ".", "-B", "b", "-DCMAKE_BUILD_TYPE=Release"]).returncode or \
            run(["cmake", "--build", "b", "-j2"]).returncode:
        sys.exit("plant: the unchanged tree does not build")
    pool = candidates(sys.argv[3:])
    rnd.shuffle(pool)
    caught = planted = 0
    for path, n, text in pool:
        if planted == count:
            break
        file = os.path.join(WORK, path)
        original = open(file).read()
        lines = original.split("\n")
        before, lines[n] = lines[n], text
        open(file, "w").write("\n".join(lines))
        try:
            if run(["cmake", "--build", "b", "-j2"]).returncode:
                continue
            planted += 1
            tests = run(["ctest", "--test-dir", "b", "-j2", "--timeout", "120", "--stop-on-failure"])
            hit = tests.returncode != 0
            caught += hit
            print(f"{'caught' if hit else 'MISSED'}  {path}:{n + 1}  {before.strip()}  ->  {text.strip() or '(deleted)'}",
                  flush=True)
        finally:
            open(file, "w").write(original)
    run(["cmake", "--build", "b", "-j2"])
    print(f"{caught} of {planted} planted faults caught")


if __name__ == "__main__":
    main()
