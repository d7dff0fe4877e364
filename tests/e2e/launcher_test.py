#!/usr/bin/python3
"""Checks the installed launcher against a stand-in game in a throw-away prefix.

The stand-in records where it was started and with what, so the checks see exactly what the
real game would find in its working directory.
"""

import os
import shutil
import subprocess
import sys
import tempfile

FAKE_GAME = """#!/bin/sh
pwd > "$RECORD"
for a in "$@"; do printf '[%s]' "$a" >> "$RECORD"; done
echo >> "$RECORD"
echo "$KAZAMINA_TYPING_DATA" >> "$RECORD"
exit 3
"""


def write(path, data, mode=None):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    if mode:
        os.chmod(path, mode)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def main(launcher):
    root = tempfile.mkdtemp(prefix="kazamina-launcher-")
    failures = []

    def check(condition, message):
        if not condition:
            failures.append(message)

    prefix = os.path.join(root, "usr")
    write(os.path.join(prefix, "games", "kazamina-typing"), read(launcher), 0o755)
    write(os.path.join(prefix, "lib", "kazamina-typing", "kazamina-typing"), FAKE_GAME.encode(),
          0o755)
    share = os.path.join(prefix, "share", "kazamina-typing")
    write(os.path.join(share, "system", "Hiscore.aty"), b"5000\r\n\r\n")
    write(os.path.join(share, "system", "char.aty"), b"1\r0\r\r\n")
    write(os.path.join(share, "music", "ok.wav"), b"RIFF-default")
    record = os.path.join(root, "record")
    home = os.path.join(root, "home")
    os.makedirs(home)

    def start(data_home, via=None, cwd=root):
        env = {"PATH": "/usr/bin:/bin", "HOME": home, "RECORD": record}
        if data_home is not None:
            env["XDG_DATA_HOME"] = data_home
        command = via or os.path.join(prefix, "games", "kazamina-typing")
        status = subprocess.run([command, "x  y", "--help"], env=env, cwd=cwd).returncode
        lines = read(record).decode().splitlines()
        return status, lines[:2], lines[2]

    # First start: the folder is made and filled, the game runs inside it and its status and
    # arguments pass through untouched (each one whole, spaces kept: --help must reach it).
    data = os.path.join(root, "data")
    status, (cwd, args), bundled = start(data)
    folder = os.path.join(data, "kazamina-typing")
    check(status == 3, f"game status {status} not passed on")
    check(cwd == folder, f"game started in {cwd}, expected {folder}")
    check(args == "[x  y][--help]", f"arguments arrived as {args!r}")
    check(read(os.path.join(folder, "system", "Hiscore.aty")) == b"5000\r\n\r\n",
          "default high scores not copied byte for byte")
    # The music stays in the installed folder, which the game is told; the player's music
    # folder is there for their own files and starts empty.
    check(os.listdir(os.path.join(folder, "music")) == [], "music was copied per player")
    check(bundled == share, f"the game was told the bundled files are in {bundled!r}")
    check(not [f for f in os.listdir(os.path.join(folder, "system")) if "partial" in f],
          "a temporary copy was left behind")

    # Later starts: the player's scores, settings and own music are never replaced; a file the
    # player deleted comes back from the defaults; the bundled music is still not copied.
    write(os.path.join(folder, "system", "Hiscore.aty"), b"9999\r\n\r\n")
    write(os.path.join(folder, "music", "ok.wav"), b"RIFF-mine")
    os.remove(os.path.join(folder, "system", "char.aty"))
    start(data)
    check(read(os.path.join(folder, "system", "Hiscore.aty")) == b"9999\r\n\r\n",
          "the player's high scores were overwritten")
    check(read(os.path.join(folder, "music", "ok.wav")) == b"RIFF-mine",
          "the player's own music was overwritten")
    check(os.listdir(os.path.join(folder, "music")) == ["ok.wav"], "music was copied later on")
    check(read(os.path.join(folder, "system", "char.aty")) == b"1\r0\r\r\n",
          "a deleted settings file was not restored")

    # An unset, empty or relative XDG_DATA_HOME falls back to ~/.local/share; a launcher reached
    # through a symbolic link (as from /usr/games) still finds its own installation.
    link = os.path.join(root, "link-to-launcher")
    os.symlink(os.path.join(prefix, "games", "kazamina-typing"), link)
    for value in (None, "", "relative/dir"):
        _, (cwd, _), _ = start(value, via=link, cwd=home)
        want = os.path.join(home, ".local", "share", "kazamina-typing")
        check(cwd == want, f"XDG_DATA_HOME={value!r}: game started in {cwd}, expected {want}")
    check(not os.path.exists(os.path.join(home, "relative")), "a relative XDG_DATA_HOME was used")

    shutil.rmtree(root)
    for f in failures:
        print("FAILED:", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
