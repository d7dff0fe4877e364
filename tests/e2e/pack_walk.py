#!/usr/bin/python3
"""Plays the installed game with the shipped sample phrase pack switched on, from outside only.

The sample pack is copied out of the installation into a fresh player's folder as
system/phrases.txt, and the spelling settings file there selects every B spelling. A round is
played through the real window: every phrase shown must be one of the pack's, with the romaji
written out by hand for spelling B in tests/data/sample-phrases-expected.tsv.

Exit status 0 on success, 1 on a failed check, 77 when the machine cannot run a real display.
"""

import os
import re
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from desktop import WalkFailure  # noqa: E402
from walk import start_round, check, play_installed  # noqa: E402

SOURCE = os.path.dirname(os.path.dirname(HERE))
# Every B option selected: 30 0D 31 0D nine times, then 30 0D 0D 0A (ふ as fu).
ALL_B = b"0\r1\r" * 9 + b"0\r\r\n"


def expected_b(sample):
    """Display text -> romaji under spelling B, from the pack and the hand-written table."""
    with open(sample, "rb") as f:
        lines = re.split(r"\r\n|\r|\n", f.read().decode("utf-8"))
    texts = [line.split("\t")[0] for line in lines if line.strip() and not line.startswith("#")]
    with open(os.path.join(SOURCE, "tests", "data", "sample-phrases-expected.tsv"),
              encoding="utf-8") as f:
        rows = [line.rstrip("\n").split("\t") for line in f][1:]
    check(len(texts) == len(rows) == 20, f"{len(texts)} phrases in the pack, {len(rows)} expected")
    return {text: row[2] for text, row in zip(texts, rows)}


def run(desk, prefix, scratch):
    data_home = os.path.join(scratch, "data")
    folder = os.path.join(data_home, "kazamina-typing")
    os.makedirs(os.path.join(folder, "system"))
    sample = os.path.join(prefix, "share", "kazamina-typing", "phrases", "sample-phrases.txt")
    check(os.path.isfile(sample), f"the sample pack is not installed at {sample}")
    shutil.copyfile(sample, os.path.join(folder, "system", "phrases.txt"))
    with open(os.path.join(folder, "system", "char.aty"), "wb") as f:
        f.write(ALL_B)
    with open(sample, "rb") as f:
        pack_bytes = f.read()
    expected = expected_b(sample)

    walk, model = start_round(desk, prefix, data_home, folder)
    seen = walk.play_round(model, lambda seen: len(seen) >= 4, lambda done: [])
    for mon, romaji in seen:
        check(mon in expected, f"{mon!r} is not a phrase of the sample pack")
        check(romaji == expected[mon],
              f"{mon}: the round shows {romaji!r}, expected {expected[mon]!r} under spelling B")
    walk.result(model)
    walk.after_result(model, "Pack Tester")
    walk.menu(2)
    walk.choose(2, 5)
    box = walk.exit_box()
    desk.key(box.title, "Return")
    try:
        status = desk.game.wait(timeout=10)
    except subprocess.TimeoutExpired:
        raise WalkFailure("the game did not end after OK in the exit box")
    check(status == 0, f"the game ended with status {status}")
    with open(os.path.join(folder, "system", "phrases.txt"), "rb") as f:
        check(f.read() == pack_bytes, "the game changed the phrase pack")
    return seen


def main():
    def report(seen):
        for mon, romaji in seen:
            print(f"{mon} -> {romaji}")

    return play_installed("pack", run, report)


if __name__ == "__main__":
    sys.exit(main())
