#!/usr/bin/python3
"""Weak-key practice seen from outside: the drill shows an always-missed key more often.

A fresh player's folder gets system/options.ini with practice/weakKeys=true and a history of
five drill sessions in which q was missed every time it came up (every other character typed
right). The installed game is started, the drill (とれ～にんぐ) chosen from the menu, and the
character on show typed 200 times, read each time through the accessibility bus. When the drill
is left, the game's own history line for the session says how often each character was typed
right: q must come up at least twice as often as a uniform draw over the drill's 69 characters
(the check asks four times, which a uniform drill of 200 characters practically never reaches).

Exit status 0 on success, 1 on a failed check, 77 when the machine cannot run a real display.
"""

import os
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from walk import PX, TITLE, TRAINING, Walk, check, play_installed  # noqa: E402

DRILL = "abcdefghijklmnopqrstuvwxyz1234567890!?-,.;:ABCDEFGHIJKLMNOPQRSTUVWXYZ"
HEADER = ("time,score,level,max_combo,keys,misses,seconds,speed,accuracy,both_spellings,"
          "misses_by_key,keys_by_key,judging,input,kind,ms_by_key")
KEYS = 200


def csv_field(text):
    if "," in text or '"' in text:
        return '"' + text.replace('"', '""') + '"'
    return text


def history_with_q_missed():
    keys = " ".join(f"{c}:{5 if c == 'q' else 1}" for c in DRILL)
    line = ",".join(["2026-12-01T20:00:00+09:00", "0", "1", "0", str(len(DRILL) + 4), "4",
                     "60.000", "1.15", "94.5", "off", "q:4", csv_field(keys), "exact", "romaji",
                     "drill", ""])
    return HEADER + "\n" + (line + "\n") * 5


def split_csv(line):
    fields, field, quoted, i = [], "", False, 0
    while i < len(line):
        c = line[i]
        if quoted:
            if c == '"' and line[i + 1:i + 2] == '"':
                field += '"'
                i += 1
            elif c == '"':
                quoted = False
            else:
                field += c
        elif c == '"':
            quoted = True
        elif c == ",":
            fields.append(field)
            field = ""
        else:
            field += c
        i += 1
    fields.append(field)
    return fields


def pairs(text):
    out = {}
    for pair in text.split(" ") if text else []:
        key, _, count = pair.rpartition(":")
        out[key] = int(count)
    return out


def run(desk, prefix, scratch):
    data_home = os.path.join(scratch, "data")
    folder = os.path.join(data_home, "kazamina-typing")
    os.makedirs(os.path.join(folder, "system"))
    with open(os.path.join(folder, "system", "options.ini"), "w") as f:
        f.write("[practice]\nweakKeys=true\n")
    history = os.path.join(folder, "system", "history.csv")
    with open(history, "w") as f:
        f.write(history_with_q_missed())

    desk.launch([os.path.join(prefix, "games", "kazamina-typing")], {
        "XDG_DATA_HOME": data_home,
        "QT_QPA_PLATFORM": "xcb",
        "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
        "SDL_AUDIODRIVER": "dummy",
    })
    walk = Walk(desk, folder)
    desk.wait("the title window", lambda: desk.x_window(TITLE), 20)
    walk.title()
    walk.menu(1)
    walk.choose(1, 1)

    def drill_char():
        w = desk.window(TRAINING)
        if w is None:
            return None
        shown = [c for c in w.shown("label") if c.x - w.x > 4000 // PX and len(c.name) == 1]
        return shown[0].name if shown else None

    desk.wait_window(TRAINING, 10)
    desk.wait("the drill's first character", drill_char, 10)
    for _ in range(KEYS):
        desk.type(TRAINING, desk.wait("the drill's character", drill_char, 5), delay_ms=0)
        time.sleep(0.03)  # the key reaches the window before the next look
    desk.key(TRAINING, "Escape")
    desk.wait_gone(TRAINING)

    def session_saved():
        with open(history) as f:
            lines = f.read().splitlines()
        return lines if len(lines) == 7 else None

    lines = desk.wait("the drill session in the history", session_saved, 10)
    fields = split_csv(lines[-1])
    check(len(fields) == 16 and fields[14] == "drill", f"the last history line is {lines[-1]!r}")
    keys, misses = pairs(fields[11]), pairs(fields[10])
    right = {c: n - misses.get(c, 0) for c, n in keys.items()}
    total = sum(right.values())
    check(total >= KEYS * 0.9, f"only {total} of {KEYS} keys were right: {right}")
    uniform = total / len(DRILL)
    q = right.get("q", 0)
    print(f"q came up {q} times in {total} right keys; uniform would be {uniform:.1f}")
    # The goal is twice the uniform; four times keeps a lucky uniform drill (6 of 200 happens)
    # from passing for a working option.
    check(q >= 4 * uniform, f"q came up {q} times, under four times the uniform {uniform:.1f}")
    check(len(right) > 30, f"only {len(right)} characters came up: {right}")
    return q, total


def main():
    return play_installed("practice", run)

if __name__ == "__main__":
    sys.exit(main())
