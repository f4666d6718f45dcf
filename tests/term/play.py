# play.py FACEMELD SOURCE SCRATCH [DIFFERENCES]: plays a session or a case's steps
# through the terminal edition and checks everything it shows (see README.md beside
# this file), or plays a transcript of the command line (cli/*.t), changed as
# DIFFERENCES says (cli/windows) for the Windows console program.
import difflib, os, re, select, shlex, shutil, signal, subprocess, sys

MENU = "(q)uadrify an .OBJ file, (e)xit? {%s}\n"
SHOW = {"open": "file to read mesh from?\n", "save": "file to write mesh to?\n",
        "yesno": "{} (y/n) ", "ask": "{} ", "title": "[{}]\n"}


# A case's steps as a session: paths typed at their prompts, yes to replacing an
# output, Enter for a way out of a prompt, the input ended for a cancelled choice.
def fromsteps(path):
    folder, name = os.path.dirname(path), {}
    text = "".join(f"% put {f} {f}\n" for f in os.listdir(folder)) + MENU % "q"
    for kind, _, rest in (line.partition(" ") for line in open(path).read().splitlines()):
        here = os.path.exists(os.path.join(folder, rest))
        text += SHOW.get(kind, "").format(rest)
        if kind in ("open", "save"):
            text += f"path [{os.path.basename(name['open'])}]: " if name else "path: "
            if rest == "!cancel":
                return text + "{^D}\n" + MENU % "^D"
            if not here and kind == "open":
                sys.exit(77)  # the file choice refuses it before any pass
            text += "{%s}\n" % rest
            if here and kind == "save":
                text += f"@/{rest} already exists; replace it? (y/n) {{y}}\n"
            name[kind] = "@/" + rest
        elif kind == ">":
            text += "{%s}\n" % ("" if rest.startswith("!") else rest)
        elif kind in ("box", "mainbox"):
            caption, said = (part.strip() for part in rest.split("|", 1))
            text += (caption and caption + ": ") + said + "\n"
        elif kind in ("output", "nooutput"):
            text += f"% check {name['save'][2:]} {rest or '-'}\n"
    text = text.replace("@in", name.get("open", "")).replace("@out", name.get("save", ""))
    return text + MENU % "e"


# A transcript: each "  $ COMMAND" runs, in order, in one shell with facemeld
# first on PATH and $EXAMPLES and $CASES naming those folders; its output
# (standard output and error together), indented by two spaces, and
# "  [STATUS]" unless the status is 0, must be the lines after it.
def transcript(exe, lines, scratch):
    script, here = "", os.path.dirname(os.path.abspath(__file__))
    for line in lines:
        if not line.startswith("  ") or line.startswith("  $ "):
            script += f"printf %s {shlex.quote(line)}\n"
        if line.startswith("  $ "):
            script += f"{{ {line[4:]}}} >.out 2>&1 && s=0 || s=$?\nsed 's/^/  /' .out; [ $s = 0 ] || echo \"  [$s]\"\n"
    env = dict(os.environ, PATH=os.path.dirname(exe) + ":" + os.environ["PATH"],
               EXAMPLES=os.path.join(here, "../../examples"), CASES=os.path.join(here, "../cases"))
    got = subprocess.run(["sh", "-c", script], cwd=scratch, env=env, stdout=subprocess.PIPE, text=True).stdout
    return list(difflib.unified_diff(lines, got.splitlines(True), "expected", "shown"))


# A transcript's lines with its differences: each run of "-" lines of its
# section ("= NAME.t") found in order and replaced by the "+" lines after it,
# then every "* OLD -> NEW" text replaced in every line.
def changed(lines, differences, name):
    hunks, rules, section, hunk = [], [], None, None
    for line in open(differences).read().splitlines(True):
        if line.startswith("= "):
            section = line[2:].strip()
        elif line.startswith("* "):
            rules.append(line[2:].rstrip("\n").split(" -> "))
        if line[0] not in "-+" or section != name:
            hunk = None
            continue
        if hunk is None or line[0] == "-" and hunk[1]:
            hunk = ([], [])
            hunks.append(hunk)
        hunk[line[0] == "+"].append(line[1:])
    at = 0
    for old, new in hunks:
        at = next((i for i in range(at, len(lines)) if old and lines[i:i + len(old)] == old), -1)
        if at < 0:
            sys.exit(f"{differences}: not in {name}, in order: {old or new}")
        lines[at:at + len(old)] = new
        at += len(new)
    for old, new in rules:
        lines = [line.replace(old, new) for line in lines]
    return lines


def play(exe, source, scratch, differences=None):
    lines = (fromsteps(source) if source.endswith("steps") else open(source).read()).splitlines(True)
    shutil.rmtree(scratch, ignore_errors=True)
    os.makedirs(scratch)
    if source.endswith(".t"):
        return transcript(exe, changed(lines, differences, os.path.basename(source)) if differences else lines, scratch)
    folder, scratch = os.path.dirname(source), os.path.realpath(scratch)
    opts = [line[2:].split() for line in lines if line.startswith("% ")]
    for o in (o for o in opts if o[0] == "put"):
        shutil.copyfile(os.path.join(folder, o[2]), os.path.join(scratch, o[1]))
    pty = ["pty"] in opts  # a terminal ends its lines with CR LF, and Enter types CR
    nl, eol = ("\r\n", "\r") if pty else ("\n", "\r\n" if ["crlf"] in opts else "\n")
    text = "".join(line for line in lines if line[0] not in "#%").strip("\n") + "\n"
    text = re.sub(r"@x(\d+)", lambda m: "x" * (int(m[1]) - len(scratch) - 1), text)
    text = text.encode("latin-1").decode("unicode_escape").replace("@", scratch)
    text = (open(os.path.join(os.path.dirname(__file__), "help.out")).read() + text).replace("\n", nl)

    # Shown and typed parts by turns. Each act waits for so much output, then
    # types its text (or "^C": presses Ctrl-C) and maybe ends the input.
    expected, acts = "", []
    for i, part in enumerate(re.split(r"\{([^{}]*)\}", text)):
        if i % 2 == 0:
            expected += part
        elif part == "^C":
            acts.append((len(expected), part, False))
        else:
            typed = part.removesuffix("^D")
            acts.append((len(expected), typed + ("" if typed != part else eol), typed != part))
            expected += typed

    # The program's ends stay open here too, so that nothing breaks when it
    # ends early, and the output is read once it has ended.
    if pty:  # the same terminal both ways
        into, ins = out, outs = os.openpty()
    else:
        (ins, into), (out, outs) = os.pipe(), os.pipe()
    p, got = subprocess.Popen([exe], cwd=scratch, stdin=ins, stdout=outs), b""

    def read(length, wait=10):  # until the output is so long, or stops for `wait` s
        nonlocal got
        while len(got) < length and select.select([out], [], [], wait)[0]:
            got += os.read(out, 65536)

    # Through pipes a script gives its answers at once; on a terminal a
    # person types each after its prompt. Ctrl-C always comes at a prompt.
    for length, typed, ends in acts:
        if pty or typed == "^C":
            read(length)
        if typed == "^C":
            p.send_signal(signal.SIGINT)
        elif typed:
            os.write(into, typed.encode("latin-1"))
        if ends and pty:
            os.write(into, b"\x04")
        elif ends and into >= 0:  # a pipe ends once
            os.close(into)
            into = -1
    if not pty and into >= 0:
        os.close(into)
    try:
        failures = [] if p.wait(timeout=10) == 0 else [f"exit status {p.returncode}"]
    except subprocess.TimeoutExpired:
        p.kill()
        failures = ["still running 10 s after its input ended"]
    read(float("inf"), 0)
    shown = got.decode("latin-1").splitlines(True)
    diff = difflib.unified_diff(expected.splitlines(True), shown, "expected", "shown")
    failures += [line.encode("unicode_escape").decode() for line in diff]
    failures += [f"left {name}" for name in os.listdir(scratch) if name.startswith(".")]  # a copy begun
    held = lambda path: open(path, "rb").read() if os.path.exists(path) else None  # "-": none
    return failures + [f"{o[1]} does not hold {o[2]}" for o in opts if o[0] == "check"
                       and held(os.path.join(scratch, o[1])) != held(os.path.join(folder, o[2]))]


if __name__ == "__main__":
    failures = play(os.path.abspath(sys.argv[1]), *sys.argv[2:])
    sys.exit("\n".join(failures) or shutil.rmtree(sys.argv[3]))  # a text fails, None passes
