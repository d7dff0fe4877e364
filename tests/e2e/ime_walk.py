#!/usr/bin/python3
"""Plays the installed game with typing/judging=ime in system/options.ini, from outside only.

A one-phrase pack (めっちゃこんな) is played through the real window: "meccha" is taken, "konna"
is refused at its last "a" (an input method reads こんあ), and a second time "mextutixya" with
"kon'na" is taken too. Every score the labels show is worked out independently.

Exit status 0 on success, 1 on a failed check, 77 when the machine cannot run a real display.
"""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from walk import start_round, ROUND, check, play_installed  # noqa: E402


def typed(walk, model, keys, misses=()):
    """Types keys one at a time; the indexes in misses must be refused."""
    for i, key in enumerate(keys):
        walk.d.type(ROUND, key)
        if i in misses:
            model.miss()
        else:
            model.correct()
        walk.wait_score(model)


def run(desk, prefix, scratch):
    data_home = os.path.join(scratch, "data")
    folder = os.path.join(data_home, "kazamina-typing")
    os.makedirs(os.path.join(folder, "system"))
    with open(os.path.join(folder, "system", "phrases.txt"), "wb") as f:
        f.write("めっちゃこんな\tめっちゃこんな\r\n".encode("utf-8"))
    with open(os.path.join(folder, "system", "options.ini"), "wb") as f:
        f.write(b"[typing]\njudging=ime\n")
    walk, model = start_round(desk, prefix, data_home, folder)
    walk.wait_round("the phrase", lambda r: r["Q"] and r["mon"] == "めっちゃこんな", 10)
    typed(walk, model, "meccha")
    r = walk.wait_score(model)
    check(r["Q"].startswith("kon"), f"after meccha the romaji reads {r['Q']!r}")
    typed(walk, model, "konna", misses={4})
    desk.wait("the romaji in red after konna's a", lambda: walk.q_colour() == "red", 5)
    for key in "na":
        desk.type(ROUND, key)
        model.correct()
    model.complete()
    walk.wait_score(model)
    typed(walk, model, "mextutixya")
    for key in "kon'na":
        desk.type(ROUND, key)
        model.correct()
    model.complete()
    walk.wait_score(model)


def main():
    return play_installed("ime", run)

if __name__ == "__main__":
    sys.exit(main())
