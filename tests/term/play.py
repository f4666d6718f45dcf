"""Plays the terminal edition and compares everything it shows.

    play.py FACEMELD SOURCE SCRATCH

SOURCE is a case's steps (tests/cases), which become one session, or a
transcript of sessions, each after a line "== what it shows". A session is
what the program writes after its help text, with what the user types in
braces: {q} types q and Enter, and shows the echo q; {^D} ends the input,
{exit^D} types exit and then ends it; {^C} sends Ctrl-C. "@" stands for the
scratch folder, "@x4096" for a name in it whose full path is 4096 bytes.
Escapes are Python's, so a backslash at the end of a line joins the next.
Lines "# ..." are comments; lines "% ..." before the first session hold for
every one, and at the start of a session for that one:
    % pty               play on a pseudo-terminal rather than pipes
    % crlf              end typed lines with CR LF
    % put NAME FILE     the session starts with FILE (beside SOURCE) as NAME,
    % put NAME = TEXT   or with TEXT
    % check NAME FILE   afterwards NAME holds what FILE holds, or TEXT with
    % check NAME = TEXT "= TEXT"; with "-" there is no NAME
Every session starts in an empty scratch folder and ends with status 0.
"""
import difflib, os, re, select, shutil, signal, subprocess, sys

MENU = "(q)uadrify an .OBJ file, (e)xit? "


def unescape(text):
    return text.encode("latin-1").decode("unicode_escape")


# What a put or check names: a file beside the source, "= TEXT", or "-" for
# no file.
def content(spec, source):
    if spec == "-":
        return None
    if spec.startswith("= "):
        return unescape(spec[2:]).encode("latin-1")
    return open(os.path.join(os.path.dirname(source), spec), "rb").read()


def transcript(path):
    common, sessions = [], []
    for line in open(path, encoding="latin-1").read().splitlines(True):
        if line.startswith("== "):
            sessions.append({"name": line[3:].strip(), "opts": list(common), "text": ""})
        elif line.startswith("% "):
            (sessions[-1]["opts"] if sessions else common).append(line[2:].rstrip("\n").split(" ", 2))
        elif sessions and not line.startswith("#"):
            sessions[-1]["text"] += line
    for s in sessions:
        s["text"] = unescape(s["text"].rstrip("\n") + "\n")
    return sessions


# The steps of a case as the terminal shows them: the paths are typed at
# the path prompts, a yes to replacing an existing output, and a way out of
# the prompt is an empty answer; a cancelled choice ends the input.
def steps(path):
    case, text, opts, names, chosen = os.path.dirname(path), MENU + "{q}\n", [], {}, ""
    opts = [["put", f, f] for f in os.listdir(case) if f != "steps"]
    for line in open(path).read().splitlines():
        kind, _, rest = line.partition(" ")
        if kind in ("open", "save"):
            text += "file to read mesh from?\n" if kind == "open" else "file to write mesh to?\n"
            text += f"path [{chosen}]: " if chosen else "path: "
            if rest == "!cancel":
                return [{"name": "case", "opts": opts, "text": text + "{^D}\n" + MENU + "\n"}]
            if kind == "open" and not os.path.exists(os.path.join(case, rest)):
                sys.exit(77)  # the file choice refuses it before the pass
            text += "{" + rest + "}\n"
            if kind == "save" and os.path.exists(os.path.join(case, rest)):
                text += f"@/{rest} already exists; replace it? (y/n) {{y}}\n"
            names[kind], chosen = rest, os.path.basename(rest)
        elif kind == ">":
            text += "{" + ("" if rest.startswith("!") else rest) + "}\n"
        elif kind in ("yesno", "ask"):
            text += rest + (" (y/n) " if kind == "yesno" else " ")
        elif kind == "title":
            text += f"[{rest}]\n"
        elif kind in ("box", "mainbox"):
            caption, _, said = rest.partition("|")
            text += (caption.strip() + ": " if caption.strip() else "") + said.strip() + "\n"
        elif kind in ("output", "nooutput"):
            opts.append(["check", names["save"], rest or "-"])
    text = text.replace("@in", "@/" + names.get("open", "")).replace("@out", "@/" + names.get("save", ""))
    return [{"name": "case", "opts": opts, "text": text + MENU + "{e}\n"}]


def play(exe, source, scratch, session):
    shutil.rmtree(scratch, ignore_errors=True)
    os.makedirs(scratch)
    scratch = os.path.realpath(scratch)
    opts = session["opts"]
    for o in opts:
        if o[0] == "put":
            open(os.path.join(scratch, o[1]), "wb").write(content(o[2], source))
    pty = ["pty"] in opts
    eol = "\r" if pty else "\r\n" if ["crlf"] in opts else "\n"
    text = re.sub(r"@x(\d+)", lambda m: "x" * (int(m.group(1)) - len(scratch) - 1), session["text"])
    text = text.replace("@", scratch)

    expected = open(os.path.join(os.path.dirname(__file__), "help.out")).read()
    acts, at = [], 0  # what to do once the output is so long: type, "" to end the input, None for Ctrl-C
    for m in re.finditer(r"\{([^{}]*)\}", text):
        expected += text[at:m.start()]
        at = m.end()
        typed = m.group(1)
        if typed == "^C":
            acts.append((len(expected), None))
            continue
        ends = typed.endswith("^D")
        typed = typed[:-2] if ends else typed
        if typed or not ends:
            acts.append((len(expected), typed + ("" if ends else eol)))
        expected += typed
        if ends:
            acts.append((len(expected), ""))
    expected += text[at:]

    if pty:
        master, slave = os.openpty()
        p = subprocess.Popen([exe], cwd=scratch, stdin=slave, stdout=slave, start_new_session=True)
        os.close(slave)
        into = out = master
    else:
        p = subprocess.Popen([exe], cwd=scratch, stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        into, out = p.stdin.fileno(), p.stdout.fileno()
    got = b""

    def shown():
        s = got.decode("latin-1")
        return s.replace("\r\n", "\n") if pty else s

    # Reads until the output is `length` characters long, it ends, or 10 s
    # pass without a byte.
    def read(length):
        nonlocal got
        while len(shown()) < length and select.select([out], [], [], 10)[0]:
            try:
                chunk = os.read(out, 65536)
            except OSError:  # a pseudo-terminal whose program has ended
                chunk = b""
            if not chunk:
                return
            got += chunk

    # Through pipes a script gives its answers at once; on a terminal a
    # person types each after its prompt, and Ctrl-C always comes then.
    for length, typed in acts:
        if pty or typed is None:
            read(length)
        try:
            if typed is None:
                p.send_signal(signal.SIGINT)
            elif typed:
                os.write(into, typed.encode("latin-1"))
            else:
                os.write(into, b"\x04") if pty else p.stdin.close()
        except OSError:
            pass  # the program has ended already; the transcript tells
    if not pty and not p.stdin.closed:
        p.stdin.close()
    read(float("inf"))
    status, failures = p.wait(timeout=10), []
    if shown() != expected:
        diff = difflib.unified_diff(expected.splitlines(True), shown().splitlines(True), "expected", "shown")
        failures.append("".join(line.encode("unicode_escape").decode() + "\n" for line in diff))
    if status != 0:
        failures.append(f"exit status {status}")
    for o in opts:
        if o[0] == "check":
            name = os.path.join(scratch, o[1])
            if (open(name, "rb").read() if os.path.exists(name) else None) != content(o[2], source):
                failures.append(f"{o[1]} does not hold what {o[2]} holds")
    shutil.rmtree(scratch)
    return failures


def main(exe, source, scratch):
    exe = os.path.abspath(exe)
    failed = 0
    for s in steps(source) if os.path.basename(source) == "steps" else transcript(source):
        failures = play(exe, source, scratch, s)
        print(("FAIL " if failures else "ok   ") + s["name"])
        for f in failures:
            print(f)
        failed += bool(failures)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
