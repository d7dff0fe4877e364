#!/usr/bin/python3
"""Plays a round in kana input on the installed game, from outside only, by key position.

A fresh player's folder gets system/options.ini with typing/input=kana. The X server keeps its
default US layout: every kana is sent as the US key at its JIS position (xdotool key names, so
the X server picks the key code), and the game must read the kana from the position alone,
since X makes digits, letters and signs of those keys. Each phrase is typed without a miss;
halfway through one the line under it must show exactly the reading left, in kana.

Exit status 0 on success, 1 on a failed check, 77 when the machine cannot run a real display.
"""

import os
import sys
import unicodedata

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from walk import start_round, ROUND, check, play_installed  # noqa: E402

# The JIS kana layout on a US keyboard, written out by hand from the keyboard's legends: the
# kana, the X name of the US key at its position, and Shift. ー is Shift with the ほ key, as the
# US keyboard has no ¥ key.
ROWS = [
    ("ぬふあうえおやゆよわほへ", ["1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "minus", "equal"]),
    ("たていすかんなにらせ゛゜", list("qwertyuiop") + ["bracketleft", "bracketright"]),
    ("ちとしはきくまのりれけむ", list("asdfghjkl") + ["semicolon", "apostrophe", "backslash"]),
    ("つさそひこみもねるめろ", list("zxcvbnm") + ["comma", "period", "slash", "grave"]),
]
SHIFTED = {"ぁ": "3", "ぅ": "4", "ぇ": "5", "ぉ": "6", "ゃ": "7", "ゅ": "8", "ょ": "9", "を": "0",
           "ー": "minus", "ぃ": "e", "「": "bracketright", "」": "backslash", "っ": "z",
           "、": "comma", "。": "period", "・": "slash"}
KEYS = {kana: name for row, names in ROWS for kana, name in zip(row, names)}
KEYS.update({kana: "shift+" + name for kana, name in SHIFTED.items()})


def units(reading):
    """(shown, base, keys) per character of the reading: a voiced kana takes two keys."""
    out = []
    for c in reading:
        if c in KEYS:
            out.append((c, c, [c]))
            continue
        parts = unicodedata.normalize("NFKD", c)
        keys = []
        for p in parts:
            if "ァ" <= p <= "ヶ":
                p = chr(ord(p) - 0x60)
            p = {"\u3099": "゛", "\u309a": "゜"}.get(p, p)
            check(p in KEYS, f"{reading!r} holds {c!r}, which the kana layout cannot type")
            keys.append(p)
        out.append((c, parts[0] if len(keys) > 1 else c, keys))
    return out


def rest_after(reading, typed):
    """What the line under the phrase must read after `typed` keys."""
    shown, left = "", typed
    for c, base, keys in units(reading):
        if left >= len(keys):
            left -= len(keys)
        elif left > 0:
            shown += base
            left = 0
        else:
            shown += c
    return shown


def run(desk, prefix, scratch):
    folder = os.path.join(scratch, "data", "kazamina-typing")
    os.makedirs(os.path.join(folder, "system"))
    with open(os.path.join(folder, "system", "options.ini"), "w") as f:
        f.write("[typing]\ninput=kana\n")
    walk, model = start_round(desk, prefix, os.path.join(scratch, "data"), folder)
    walk.wait_round("the countdown", lambda r: r["countm"] == "Get Set", 5)
    walk.wait_round("the first phrase", lambda r: r["Q"] and r["countm"] is None, 8)
    seen = []
    while len(seen) < 4:
        r = walk.wait_round("a phrase", lambda r: r["Q"] and r["mon"])
        mon, reading = r["mon"], r["Q"]
        keys = [KEYS[k] for _, _, ks in units(reading) for k in ks]
        half = len(keys) // 2
        desk.key(ROUND, "--clearmodifiers", *keys[:half])
        for _ in range(half):
            model.correct()
        if half:
            expected = rest_after(reading, half)
            walk.wait_round(f"the reading left to read {expected!r}",
                            lambda r: r["Q"] == expected and r["score"] == f"SCORE：{model.score}")
        desk.key(ROUND, "--clearmodifiers", *keys[half:])
        for _ in keys[half:]:
            model.correct()
        model.complete()
        walk.wait_score(model)
        seen.append((mon, reading))
    check(model.wrong == 0, "a miss in a kana round typed by position")
    drain = 500 * model.tick_ms() / 1000
    walk.wait_round("終了", lambda r: r["countm"] == "終了", drain + 10)
    walk.shot(ROUND, "kana-round-end")
    walk.result(model)
    walk.after_result(model, "Kana Tester")
    return seen


def main():
    def report(seen):
        for mon, reading in seen:
            print(f"{mon} -> {reading}")

    return play_installed("kana", run, report)

if __name__ == "__main__":
    sys.exit(main())
