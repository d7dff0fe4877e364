#!/usr/bin/python3
"""Checks what the package says about the game against the game itself, without a display.

    package_files_test.py GAME SOURCE_DIR VERSION

- --help in English and Japanese lists exactly the options the manual page of that language
  documents, so a new option cannot ship undocumented;
- --version, the manual pages, the changelog and the AppStream release all carry the
  project's version;
- a wrong option prints the usage on standard error only and ends with status 2;
- the AppStream and desktop files pass their validators.
"""

import glob
import os
import re
import shutil
import subprocess
import sys


def run(args, lang):
    env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "LANG": lang}
    return subprocess.run(args, env=env, capture_output=True, text=True, timeout=30)


def help_options(text):
    """Long and short options from the option list of --help."""
    found = set()
    for line in text.splitlines():
        m = re.match(r"^\s+(-[\w-]+(?:, --[\w-]+)?)\s", line)
        if m:
            found.update(part.strip() for part in m.group(1).split(","))
    return found


def man_options(path, section):
    """Options named in the manual page's option section (roff \\- read as -)."""
    with open(path, encoding="utf-8") as f:
        page = f.read()
    m = re.search(r"^\.SH " + re.escape(section) + r"\n(.*?)(?=^\.SH )", page, re.S | re.M)
    if not m:
        return set(), page
    body = m.group(1).replace("\\-", "-")
    found = set()
    for line in body.splitlines():
        if line.startswith(".BR") or line.startswith(".B "):
            found.update(re.findall(r"(?<![\w-])(--?[a-z][\w-]*)", line))
    return found, page


def main(game, source, version):
    failures = []

    def check(condition, message):
        if not condition:
            failures.append(message)

    pages = {
        "C.UTF-8": (os.path.join(source, "packaging", "man", "kazamina-typing.6"), "OPTIONS"),
        "ja_JP.UTF-8": (os.path.join(source, "packaging", "man", "ja", "kazamina-typing.6"),
                        "オプション"),
    }
    for lang, (page, section) in pages.items():
        r = run([game, "--help"], lang)
        check(r.returncode == 0 and r.stderr == "",
              f"{lang}: --help ended with {r.returncode}, stderr {r.stderr!r}")
        in_help = help_options(r.stdout)
        in_page, text = man_options(page, section)
        check(in_help, f"{lang}: no options found in --help:\n{r.stdout}")
        check(in_help == in_page,
              f"{lang}: --help lists {sorted(in_help)}, {os.path.basename(os.path.dirname(page))}"
              f"/{os.path.basename(page)} documents {sorted(in_page)}")
        check(f'"kazamina-typing {version}"' in text.splitlines()[0],
              f"{page}: the .TH line does not carry version {version}")

    # The English page must render in the plain C locale: troff there has no glyph for
    # Japanese text and warns on every character.
    if shutil.which("man"):
        page = pages["C.UTF-8"][0]
        r = subprocess.run(["man", "-l", page], env={"LANG": "C", "PATH": os.environ["PATH"],
                                                     "MANPAGER": "cat", "MANWIDTH": "80"},
                           capture_output=True, text=True, errors="replace")
        check(r.returncode == 0 and r.stderr == "",
              f"LANG=C man -l {os.path.basename(page)}: status {r.returncode}, {r.stderr!r}")

    r = run([game, "--version"], "C.UTF-8")
    check(r.returncode == 0 and r.stdout.startswith(f"kazamina-typing {version}\n"),
          f"--version printed {r.stdout!r} (status {r.returncode})")

    r = run([game, "--no-such-option"], "C.UTF-8")
    check(r.returncode == 2, f"a wrong option ended with status {r.returncode}, expected 2")
    check(r.stdout == "" and "--no-such-option" in r.stderr and "Usage:" in r.stderr,
          f"a wrong option printed stdout {r.stdout!r}, stderr {r.stderr!r}")

    # Both programs asked for Wayland without its plugin and without an X display to fall back
    # to: a line saying what to install and status 1, never Qt's abort.
    if not glob.glob("/usr/lib/*/qt6/plugins/platforms/libqwayland*.so"):
        for program in (game, os.path.join(os.path.dirname(game), "kazamina-typing-stats")):
            env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "LANG": "C.UTF-8",
                   "QT_QPA_PLATFORM": "wayland"}
            r = subprocess.run([program], env=env, capture_output=True, text=True, timeout=30)
            check(r.returncode == 1 and "qt6-wayland" in r.stderr,
                  f"{os.path.basename(program)} on Wayland without the plugin: status "
                  f"{r.returncode}, {r.stderr!r}")

    with open(os.path.join(source, "packaging", "changelog"), encoding="utf-8") as f:
        first = f.readline()
    check(first.startswith(f"kazamina-typing ({version}) "),
          f"the changelog's latest entry is {first.strip()!r}, not version {version}")
    metainfo = os.path.join(source, "packaging", "org.kazamina.Typing.metainfo.xml")
    with open(metainfo, encoding="utf-8") as f:
        releases = re.findall(r'<release version="([^"]+)"', f.read())
    check(releases and releases[0] == version,
          f"the AppStream file's latest release is {releases[:1]}, not {version}")

    validators = [
        ["appstreamcli", "validate", "--pedantic", "--no-net", metainfo],
        ["desktop-file-validate", os.path.join(source, "packaging", "org.kazamina.Typing.desktop")],
    ]
    for command in validators:
        if shutil.which(command[0]) is None:
            failures.append(f"{command[0]} is missing (bash tools/install-deps.sh --dev)")
            continue
        r = subprocess.run(command, capture_output=True, text=True)
        check(r.returncode == 0, f"{' '.join(command)} failed:\n{r.stdout}{r.stderr}")

    for f in failures:
        print("FAILED:", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:4]))
