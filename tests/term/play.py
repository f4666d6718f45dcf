# Plays a session or a case's steps through the terminal edition and checks
# everything it shows (see README.md beside this file):
#   play.py FACEMELD SOURCE SCRATCH
import difflib, os, re, select, shutil, signal, subprocess, sys

MENU = "(q)uadrify an .OBJ file, (e)xit? {%s}\n"
SHOW = {"open": "file to read mesh from?\n", "save": "file to write mesh to?\n",
        "yesno": "{} (y/n) ", "ask": "{} ", "title": "[{}]\n"}


# A case's steps as a session: each path typed at its prompt, yes to
# replacing an existing output, an empty answer for a way out of a prompt,
# the end of the input for a cancelled choice.
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
            text += "{%s}\n" % rest + (f"@/{rest} already exists; replace it? (y/n) {{y}}\n" if here and kind == "save" else "")
            name[kind] = "@/" + rest
        elif kind == ">":
            text += "{%s}\n" % ("" if rest.startswith("!") else rest)
        elif kind in ("box", "mainbox"):
            caption, said = (part.strip() for part in rest.split("|", 1))
            text += (caption and caption + ": ") + said + "\n"
        elif kind in ("output", "nooutput"):
            text += f"% check {name['save'][2:]} {rest or '-'}\n"
    return text.replace("@in", name.get("open", "")).replace("@out", name.get("save", "")) + MENU % "e"


def play(exe, source, scratch):
    folder, scratch = os.path.dirname(source), os.path.realpath(scratch)
    lines = (fromsteps(source) if source.endswith("steps") else open(source).read()).splitlines(True)
    opts = [line[2:].split() for line in lines if line.startswith("% ")]
    for o in (o for o in opts if o[0] == "put"):
        shutil.copyfile(os.path.join(folder, o[2]), os.path.join(scratch, o[1]))
    # A terminal ends the lines it shows with CR LF, and Enter types CR.
    pty, eol = ["pty"] in opts, "\r\n" if ["crlf"] in opts else "\n"
    nl, eol = ("\r\n", "\r") if pty else ("\n", eol)
    text = "".join(line for line in lines if line[0] not in "#%").strip("\n") + "\n"
    text = re.sub(r"@x(\d+)", lambda m: "x" * (int(m[1]) - len(scratch) - 1), text)
    text = text.encode("latin-1").decode("unicode_escape").replace("@", scratch).replace("\n", nl)
    parts = re.split(r"\{([^{}]*)\}", text)

    # Shown and typed parts by turns. Each act waits for so much output, then
    # types its text (or "^C": presses Ctrl-C) and maybe ends the input.
    expected, acts = open(os.path.join(os.path.dirname(__file__), "help.out")).read().replace("\n", nl), []
    for i, part in enumerate(parts):
        if i % 2 == 0:
            expected += part
        elif part == "^C":
            acts.append((len(expected), part, False))
        else:
            typed = part.removesuffix("^D")
            acts.append((len(expected), typed + ("" if typed != part else eol), typed != part))
            expected += typed

    if pty:  # the same terminal both ways
        into, ins = out, outs = os.openpty()
    else:
        (ins, into), (out, outs) = os.pipe(), os.pipe()
    p = subprocess.Popen([exe], cwd=scratch, stdin=ins, stdout=outs)
    for fd in {ins, outs}:
        os.close(fd)
    got = b""

    def read(length):  # until the output is so long, ends, or stops for 10 s
        nonlocal got
        while len(got) < length and select.select([out], [], [], 10)[0]:
            try:
                chunk = os.read(out, 65536)
            except OSError:  # a pseudo-terminal whose program has ended
                chunk = b""
            got += chunk
            if not chunk:
                return

    # Through pipes a script gives its answers at once; on a terminal a
    # person types each after its prompt. Ctrl-C always comes at a prompt.
    for length, typed, ends in acts:
        if pty or typed == "^C":
            read(length)
        try:
            if typed == "^C":
                p.send_signal(signal.SIGINT)
            elif typed:
                os.write(into, typed.encode("latin-1"))
            if ends:
                os.write(into, b"\x04") if pty else os.close(into)
        except OSError:
            pass  # the program has ended, or the input already
    if not pty and not any(ends for _, _, ends in acts):
        os.close(into)
    read(float("inf"))
    failures = [] if p.wait(timeout=10) == 0 else [f"exit status {p.returncode}"]
    diff = difflib.unified_diff(expected.splitlines(True), got.decode("latin-1").splitlines(True), "expected", "shown")
    failures += [line.encode("unicode_escape").decode() for line in diff]
    held = lambda path: open(path, "rb").read() if os.path.exists(path) else None  # "-" is no file
    return failures + [f"{o[1]} does not hold {o[2]}" for o in opts if o[0] == "check"
                       and held(os.path.join(scratch, o[1])) != held(os.path.join(folder, o[2]))]


if __name__ == "__main__":
    shutil.rmtree(sys.argv[3], ignore_errors=True)
    os.makedirs(sys.argv[3])
    failures = play(os.path.abspath(sys.argv[1]), sys.argv[2], sys.argv[3])
    sys.exit("\n".join(failures) or shutil.rmtree(sys.argv[3]))  # a text fails, None passes
