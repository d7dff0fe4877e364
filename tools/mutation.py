#!/usr/bin/python3
"""Mutation testing for the game's rule sources.

Makes one small change at a time (a flipped operator, a changed constant, a removed call, a
negated condition, an altered string) to a scratch copy of the sources, rebuilds the unit and
widget tests there, runs them, and reports which changes no test noticed. The working tree is
never touched: every change is made in the copy under the work folder (build-mutation/ by
default), which is brought up to date with the working tree at every start.

    tools/mutation.sh                              every mutant of every rule source
    tools/mutation.sh --sample 60 --seed 7         60 mutants drawn at random
    tools/mutation.sh round/RoundJudge.cpp         one file only
    tools/mutation.sh --list scores/               list the mutants, run nothing
"""

import argparse
import hashlib
import json
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import time
from dataclasses import dataclass, field
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent

# The rule sources: every .cpp and .h of these folders, and the sound command helpers.
SOURCE_GLOBS = ["core/*.cpp", "core/*.h", "round/*.cpp", "round/*.h", "scores/*.cpp", "scores/*.h",
                "settings/*.cpp", "settings/*.h", "screens/*.cpp", "screens/*.h",
                "phrases/*.cpp", "phrases/*.h", "stats/*.cpp", "stats/*.h",
                "typing/*.cpp", "typing/*.h",
                "sound/MediaCommands*.cpp", "sound/MediaCommands*.h"]
EQUIVALENTS = ROOT / "tools" / "mutation-equivalent.txt"
TEST_PROGRAMS = ["tests/unit-tests", "tests/widget-tests"]

# ---------------------------------------------------------------------------------------------
# A small C++ lexer: enough to tell code from comments, strings and preprocessor lines.

TOKEN_RE = re.compile(r"""
    (?P<ws>[ \t]+)
  | (?P<nl>\r?\n)
  | (?P<comment>//[^\n]*|/\*.*?\*/)
  | (?P<string>(?:u8|u|U|L)?"(?:[^"\\\n]|\\.)*")
  | (?P<char>(?:u8|u|U|L)?'(?:[^'\\\n]|\\.)+')
  | (?P<number>0[xX][0-9a-fA-F']+[uUlL]*|\d[\d']*(?:\.\d*)?(?:[eE][+-]?\d+)?[fFuUlL]*|\.\d+[fF]?)
  | (?P<ident>[A-Za-z_]\w*)
  | (?P<op><=>|<<=|>>=|->\*|\.\.\.|::|->|\+\+|--|<<|>>|<=|>=|==|!=|&&|\|\||[-+*/%&|^!=<>]=|[-+*/%&|^~!=<>?:;,.(){}\[\]#@\\])
""", re.VERBOSE | re.DOTALL)


@dataclass
class Token:
    kind: str
    text: str
    start: int  # offset in the file
    line: int


def lex(source):
    tokens = []
    pos, line = 0, 1
    while pos < len(source):
        m = TOKEN_RE.match(source, pos)
        if not m:
            raise ValueError(f"cannot read the source at line {line}: {source[pos:pos + 20]!r}")
        kind = m.lastgroup
        tokens.append(Token(kind, m.group(), pos, line))
        line += m.group().count("\n")
        pos = m.end()
    return tokens


DECLARATION_RE = re.compile(r"\s*(const\s+)?[\w:<>]+[\s*&]+\w+\s*=(?!=)")

KEYWORDS = {"return", "if", "else", "for", "while", "do", "switch", "case", "default", "break",
            "continue", "const", "constexpr", "static", "auto", "new", "delete", "throw", "try",
            "catch", "using", "namespace", "class", "struct", "enum", "template", "typename",
            "public", "private", "protected", "virtual", "override", "inline", "goto",
            "sizeof", "co_return", "co_await", "static_assert", "emit", "Q_EMIT", "Q_OBJECT",
            "friend", "operator", "typedef", "extern", "volatile", "mutable", "explicit"}

# ---------------------------------------------------------------------------------------------
# Mutants


@dataclass
class Mutant:
    path: str        # relative to the repository root
    line: int
    start: int       # offset of the replaced text
    end: int
    replacement: str
    operator: str    # kind of change
    description: str
    source_line: str = ""
    status: str = "pending"
    detail: str = ""
    seconds: float = 0.0

    @property
    def ident(self):
        return f"{self.path}:{self.line}:{self.start}:{self.operator}:{self.replacement[:12]}"

    def apply(self, text):
        return text[:self.start] + self.replacement + text[self.end:]


RELATIONAL = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "=="}
ARITHMETIC = {"+": "-", "-": "+", "*": "/", "/": "*", "%": "*", "+=": "-=", "-=": "+=",
              "*=": "/=", "/=": "*=", "++": "--", "--": "++"}
LOGICAL = {"&&": "||", "||": "&&"}


def spaced(source, tok):
    """A binary operator as clang-format writes it: a blank on either side."""
    before = source[tok.start - 1] if tok.start > 0 else "\n"
    after = source[tok.start + len(tok.text)] if tok.start + len(tok.text) < len(source) else "\n"
    return before in " \t" and after in " \t\n"


def integer_value(text):
    t = text.replace("'", "").rstrip("uUlL")
    if "." in t or (("e" in t or "E" in t) and not t.lower().startswith("0x")) or t.endswith(("f", "F")):
        return None
    try:
        return int(t, 0) if not (len(t) > 1 and t[0] == "0" and t[1].isdigit()) else int(t, 8)
    except ValueError:
        return None


def mutants_of(path, source):
    tokens = lex(source)
    lines = source.split("\n")
    code = []  # significant tokens outside preprocessor lines
    in_pp = False
    for tok in tokens:
        if tok.kind == "nl":
            in_pp = False
            continue
        if tok.kind in ("ws", "comment"):
            continue
        if tok.text == "#":
            in_pp = True
        if in_pp:
            continue
        code.append(tok)

    found = []

    def add(tok_or_start, end, replacement, operator, description, line):
        found.append(Mutant(path, line, tok_or_start, end, replacement, operator, description,
                            lines[line - 1].strip()))

    # Binary operators count only when blank-separated, as clang-format writes them: that keeps
    # template brackets, pointers, references and unary signs out.
    for i, tok in enumerate(code):
        prev = code[i - 1] if i > 0 else None
        nxt = code[i + 1] if i + 1 < len(code) else None
        if tok.kind == "op":
            if prev is not None and prev.text == "operator":
                continue
            t = tok.text
            if t in RELATIONAL and spaced(source, tok):
                add(tok.start, tok.start + len(t), RELATIONAL[t], "relational",
                    f"'{t}' -> '{RELATIONAL[t]}'", tok.line)
            elif t in LOGICAL and spaced(source, tok):
                add(tok.start, tok.start + len(t), LOGICAL[t], "logical",
                    f"'{t}' -> '{LOGICAL[t]}'", tok.line)
            elif t in ("++", "--"):
                add(tok.start, tok.start + 2, ARITHMETIC[t], "arithmetic",
                    f"'{t}' -> '{ARITHMETIC[t]}'", tok.line)
            elif t in ARITHMETIC and spaced(source, tok):
                add(tok.start, tok.start + len(t), ARITHMETIC[t], "arithmetic",
                    f"'{t}' -> '{ARITHMETIC[t]}'", tok.line)
        elif tok.kind == "number":
            value = integer_value(tok.text)
            if value is None:
                continue
            for new, what in ((value + 1, "+1"), (value - 1, "-1"), (value * 10, "x10")):
                if new == value or new < 0:
                    continue
                add(tok.start, tok.start + len(tok.text), str(new), "constant",
                    f"{tok.text} -> {new} ({what})", tok.line)
        elif tok.kind == "string":
            if prev is not None and prev.text == "extern":
                continue
            changed = tok.text[:-1] + '~"'
            add(tok.start, tok.start + len(tok.text), changed, "string",
                f"{tok.text} -> {changed}", tok.line)
        elif tok.kind == "ident":
            if tok.text in ("true", "false"):
                flipped = "false" if tok.text == "true" else "true"
                add(tok.start, tok.start + len(tok.text), flipped, "constant",
                    f"{tok.text} -> {flipped}", tok.line)
            elif tok.text in ("if", "while") and nxt is not None and nxt.text == "(":
                close = matching(code, i + 1)
                if close is None or (tok.text == "while" and close + 1 < len(code)
                                     and code[close + 1].text == ";"):
                    continue  # do ... while: leave alone
                inner_start = code[i + 2].start
                inner_end = code[close].start
                inner = source[inner_start:inner_end]
                if DECLARATION_RE.match(inner):
                    continue  # a declaration inside the condition
                add(inner_start, inner_end, f"!({inner})", "negation",
                    f"{tok.text} ({inner.strip()}) -> {tok.text} (!({inner.strip()}))",
                    code[i + 2].line)
            elif tok.text not in KEYWORDS and statement_start(code, i):
                end = call_statement_end(code, i)
                if end is not None:
                    text = source[tok.start:code[end].start + 1]
                    add(tok.start, code[end].start + 1, "{}", "call",
                        f"removed: {' '.join(text.split())[:70]}", tok.line)
    return found


def matching(code, open_index):
    """Index of the token closing the bracket at open_index."""
    pairs = {"(": ")", "[": "]", "{": "}"}
    opener = code[open_index].text
    closer = pairs[opener]
    depth = 0
    for j in range(open_index, len(code)):
        if code[j].text == opener:
            depth += 1
        elif code[j].text == closer:
            depth -= 1
            if depth == 0:
                return j
    return None


def statement_start(code, i):
    if i == 0:
        return False
    prev = code[i - 1]
    if prev.text in (";", "{", "}") or prev.text == "else":
        # Not in a braced initialiser or a class body: the brace before must open a body that
        # follows a ')' (function, if, for, while), 'else', 'try' or 'do'.
        depth = 0
        for j in range(i - 1, -1, -1):
            t = code[j].text
            if t == "}":
                depth += 1
            elif t == "{":
                if depth == 0:
                    before = code[j - 1].text if j > 0 else ""
                    return before in (")", "else", "try", "do", "const", "override", "noexcept")
                depth -= 1
        return False
    if prev.text == ")":
        # The body of an if/for/while without braces.
        depth = 0
        for j in range(i - 1, -1, -1):
            t = code[j].text
            if t == ")":
                depth += 1
            elif t == "(":
                depth -= 1
                if depth == 0:
                    return j > 0 and code[j - 1].text in ("if", "for", "while")
        return False
    return False


def call_statement_end(code, i):
    """For `a.b->c(...);` starting at i, the index of its ';'; None for anything else."""
    j = i
    saw_call = False
    expect_name = True
    while j < len(code):
        t = code[j]
        if expect_name:
            if t.kind != "ident" or t.text in KEYWORDS:
                return None
            expect_name = False
        elif t.text in (".", "->", "::"):
            expect_name = True
        elif t.text == "(":
            close = matching(code, j)
            if close is None:
                return None
            saw_call = True
            j = close
        elif t.text == ";" and saw_call:
            return j
        else:
            return None
        j += 1
    return None


# ---------------------------------------------------------------------------------------------
# The scratch copy and its build


def repository_files():
    out = subprocess.run(["git", "ls-files", "-co", "--exclude-standard", "-z"], cwd=ROOT,
                         check=True, capture_output=True).stdout.decode()
    return [f for f in out.split("\0") if f and (ROOT / f).is_file()]


def sync_copy(src):
    """Brings the scratch copy up to date, touching only files whose bytes differ."""
    wanted = set(repository_files())
    for rel in wanted:
        here, there = ROOT / rel, src / rel
        data = here.read_bytes()
        if not there.exists() or there.read_bytes() != data:
            there.parent.mkdir(parents=True, exist_ok=True)
            there.write_bytes(data)
    for path in src.rglob("*"):
        if path.is_file() and str(path.relative_to(src)) not in wanted:
            path.unlink()


def run_logged(cmd, cwd, log, env=None):
    with open(log, "ab") as out:
        return subprocess.run(cmd, cwd=cwd, stdout=out, stderr=subprocess.STDOUT, env=env).returncode


def build(build_dir, log):
    # In a session of its own, so that an interrupted run can stop the whole build before it
    # puts the files back: a compiler left running would write an object of the mutated source
    # newer than the restored file, and make would take it for up to date.
    with open(log, "ab") as out:
        proc = subprocess.Popen(["cmake", "--build", str(build_dir), "-j2", "--target",
                                 "unit-tests", "widget-tests"], cwd=ROOT, stdout=out,
                                stderr=subprocess.STDOUT, start_new_session=True)
        try:
            return proc.wait() == 0
        except BaseException:
            kill_group(proc)
            raise


def test_env(build_dir):
    env = dict(os.environ)
    runtime = build_dir / "xdg-runtime"
    runtime.mkdir(exist_ok=True)
    env.update(QT_QPA_PLATFORM="offscreen", SDL_AUDIODRIVER="dummy",
               XDG_RUNTIME_DIR=str(runtime))
    return env


def program_digests(build_dir):
    """The bytes of each test program, hashed: a mutant that leaves a program byte for byte the
    same cannot change what that program's tests see."""
    return {program: hashlib.sha256((build_dir / program).read_bytes()).hexdigest()
            for program in TEST_PROGRAMS}


def run_tests(build_dir, per_test_timeout, unchanged=None):
    """Runs the test programs, stopping at the first failure. Programs that are byte for byte
    the unchanged build's (`unchanged`, from program_digests) are passed over: the mutated code
    is not linked into them (the unit tests hold none of the screens), so they would only spend
    time, and a flaky test among them would pass a mutant off as killed.

    Returns ("passed" | "failed" | "timeout", name of the failing or hanging test)."""
    env = test_env(build_dir)
    digests = program_digests(build_dir) if unchanged else {}
    for program in TEST_PROGRAMS:
        if unchanged and digests[program] == unchanged[program]:
            continue
        proc = subprocess.Popen([str(build_dir / program), "--gtest_fail_fast", "--gtest_color=no"],
                                cwd=build_dir / "tests", env=env, stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT, start_new_session=True)
        current = program
        failed = None
        last = time.monotonic()
        os.set_blocking(proc.stdout.fileno(), False)
        buffer = b""
        try:
            while True:
                chunk = None
                try:
                    chunk = proc.stdout.read()
                except BlockingIOError:
                    pass
                if chunk:
                    buffer += chunk
                    *complete, buffer = buffer.split(b"\n")
                    for raw in complete:
                        line = raw.decode(errors="replace")
                        if line.startswith("[ RUN      ]"):
                            current = line[12:].strip()
                            last = time.monotonic()
                        elif line.startswith("[  FAILED  ]") and failed is None:
                            failed = line[12:].split("(")[0].strip()
                if proc.poll() is not None and not chunk:
                    break
                if time.monotonic() - last > per_test_timeout:
                    kill_group(proc)
                    return "timeout", current
                time.sleep(0.02)
        finally:
            if proc.poll() is None:
                kill_group(proc)
        if proc.returncode != 0:
            return "failed", failed or f"{current} (exit {proc.returncode})"
    return "passed", ""


def kill_group(proc):
    try:
        os.killpg(proc.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    proc.wait()


# ---------------------------------------------------------------------------------------------
# Reporting


def load_equivalents():
    """Lines `path<TAB>source line<TAB>change<TAB>why`: survivors known to change nothing."""
    known = {}
    if EQUIVALENTS.exists():
        for raw in EQUIVALENTS.read_text(encoding="utf-8").splitlines():
            if not raw.strip() or raw.startswith("#"):
                continue
            parts = raw.split("\t")
            if len(parts) >= 4:
                known[(parts[0], parts[1].strip(), parts[2])] = parts[3]
    return known


def folder_of(path):
    return path.split("/")[0]


def summary(mutants, out):
    def tally(group):
        counts = {"killed": 0, "survived": 0, "timeout": 0, "stillborn": 0, "equivalent": 0}
        for m in group:
            if m.status in counts:
                counts[m.status] += 1
        live = counts["killed"] + counts["timeout"] + counts["survived"]
        score = 100.0 * (counts["killed"] + counts["timeout"]) / live if live else 100.0
        return counts, score

    def row(name, group):
        c, score = tally(group)
        out(f"{name:<34}{len(group):>6}{c['killed']:>8}{c['survived']:>9}{c['timeout']:>9}"
            f"{c['equivalent']:>8}{c['stillborn']:>8}{score:>8.1f}%")

    header = (f"{'':<34}{'tried':>6}{'killed':>8}{'survived':>9}{'timedout':>9}"
              f"{'equiv':>8}{'nobuild':>8}{'score':>9}")
    done = [m for m in mutants if m.status != "pending"]
    out("\nPer file")
    out(header)
    for path in sorted({m.path for m in done}):
        row(path, [m for m in done if m.path == path])
    out("\nPer folder")
    out(header)
    for folder in sorted({folder_of(m.path) for m in done}):
        row(folder + "/", [m for m in done if folder_of(m.path) == folder])
    out("")
    row("all", done)
    survivors = [m for m in done if m.status == "survived"]
    if survivors:
        out("\nSurvivors")
        for m in survivors:
            out(f"  {m.path}:{m.line}: {m.description}\n      {m.source_line}")
    equivalents = [m for m in done if m.status == "equivalent"]
    if equivalents:
        out("\nSurvivors listed as equivalent in tools/mutation-equivalent.txt")
        for m in equivalents:
            out(f"  {m.path}:{m.line}: {m.description}  ({m.detail})")


# ---------------------------------------------------------------------------------------------


def select_sources(args):
    files = sorted({str(p.relative_to(ROOT)) for g in SOURCE_GLOBS for p in ROOT.glob(g)})
    if args.paths:
        chosen = []
        for wanted in args.paths:
            w = wanted.rstrip("/")
            hits = [f for f in files if f == w or f.startswith(w + "/")]
            if not hits:
                sys.exit(f"mutation: {wanted} is not one of the rule sources")
            chosen += hits
        files = sorted(set(chosen))
    return files


def interrupted(signum, frame):
    raise KeyboardInterrupt


def main():
    signal.signal(signal.SIGTERM, interrupted)
    parser = argparse.ArgumentParser(description="Mutation testing of the rule sources.")
    parser.add_argument("paths", nargs="*", help="files or folders to mutate (default: all)")
    parser.add_argument("--sample", type=int, metavar="N", help="try N mutants drawn at random")
    parser.add_argument("--seed", type=int, default=1, metavar="S", help="seed of the draw")
    parser.add_argument("--timeout", type=float, default=20.0, metavar="SECONDS",
                        help="longest time one test may take before the mutant counts as "
                             "timed out (default 20)")
    parser.add_argument("--work", default=str(ROOT / "build-mutation"),
                        help="folder for the scratch copy and its build")
    parser.add_argument("--list", action="store_true", help="list the mutants and stop")
    parser.add_argument("--only", metavar="ID", action="append",
                        help="run only the mutant with this id (as --list prints it)")
    args = parser.parse_args()

    files = select_sources(args)
    mutants = []
    for rel in files:
        mutants += mutants_of(rel, (ROOT / rel).read_text(encoding="utf-8"))
    generated = len(mutants)
    if args.only:
        mutants = [m for m in mutants if m.ident in args.only]
    if args.sample is not None and args.sample < len(mutants):
        mutants = random.Random(args.seed).sample(mutants, args.sample)
    mutants.sort(key=lambda m: (m.path, m.start))

    if args.list:
        for m in mutants:
            print(f"{m.ident}\t{m.description}")
        print(f"{len(mutants)} of {generated} mutants", file=sys.stderr)
        return 0

    work = Path(args.work).resolve()
    src, build_dir, log = work / "src", work / "build", work / "build.log"
    src.mkdir(parents=True, exist_ok=True)
    log.write_bytes(b"")
    # Names the file a mutant is in while it is being built and tested; left behind only if the
    # run was killed outright, and then that file is recompiled whatever make thinks.
    in_flight = work / "in-flight"
    print(f"mutation: {len(mutants)} of {generated} mutants in {len(files)} files; "
          f"scratch copy in {work}", flush=True)
    sync_copy(src)
    if in_flight.exists():
        for rel in in_flight.read_text(encoding="utf-8").split():
            if (src / rel).exists():
                os.utime(src / rel)
        in_flight.unlink()
    started = time.monotonic()
    # Optimised a little, without debug information: mutants rebuild and link faster.
    if run_logged(["cmake", "-S", str(src), "-B", str(build_dir), "-DCMAKE_BUILD_TYPE=None",
                   "-DCMAKE_CXX_FLAGS=-O1"], ROOT, log) != 0 or not build(build_dir, log):
        sys.exit(f"mutation: the unchanged sources do not build; see {log}")
    verdict, name = run_tests(build_dir, args.timeout)
    if verdict != "passed":
        # Once more: the sound tests play in real time and can miss a deadline on a loaded machine.
        verdict, name = run_tests(build_dir, args.timeout)
    if verdict != "passed":
        sys.exit(f"mutation: the unchanged sources fail their tests ({verdict}: {name})")
    print(f"mutation: unchanged sources built and passed in {time.monotonic() - started:.0f} s",
          flush=True)
    unchanged = program_digests(build_dir)

    equivalents = load_equivalents()
    originals = {}
    try:
        for n, m in enumerate(mutants, 1):
            target = src / m.path
            original = originals.setdefault(m.path, target.read_text(encoding="utf-8"))
            # Put back every other file a previous mutant changed.
            for other, text in originals.items():
                if other != m.path and (src / other).read_text(encoding="utf-8") != text:
                    (src / other).write_text(text, encoding="utf-8")
            in_flight.write_text(m.path, encoding="utf-8")
            target.write_text(m.apply(original), encoding="utf-8")
            t0 = time.monotonic()
            if not build(build_dir, log):
                m.status, m.detail = "stillborn", "does not build"
            else:
                verdict, name = run_tests(build_dir, args.timeout, unchanged)
                m.detail = name
                m.status = {"passed": "survived", "failed": "killed", "timeout": "timeout"}[verdict]
                if m.status == "survived":
                    why = equivalents.get((m.path, m.source_line, m.description))
                    if why:
                        m.status, m.detail = "equivalent", why
            m.seconds = time.monotonic() - t0
            print(f"[{n}/{len(mutants)}] {m.path}:{m.line} {m.description}: {m.status}"
                  f"{' by ' + m.detail if m.status in ('killed', 'timeout') else ''}"
                  f" ({m.seconds:.0f} s)", flush=True)
    except KeyboardInterrupt:
        print("\nmutation: interrupted; figures so far follow", flush=True)
    finally:
        # The scratch copy goes back to the working tree's content, newer than any object built
        # from a mutant (no build is running any more).
        for rel, text in originals.items():
            (src / rel).write_text(text, encoding="utf-8")
        if in_flight.exists():
            in_flight.unlink()

    lines = []

    def out(text):
        print(text)
        lines.append(text)

    summary(mutants, out)
    out(f"\n{sum(m.status != 'pending' for m in mutants)} mutants tried of {generated} generated "
        f"in {time.monotonic() - started:.0f} s")
    (work / "report.txt").write_text("\n".join(lines) + "\n", encoding="utf-8")
    (work / "report.json").write_text(json.dumps([m.__dict__ for m in mutants], indent=1,
                                                 ensure_ascii=False), encoding="utf-8")
    return 0


if __name__ == "__main__":
    sys.exit(main())
