#!/usr/bin/python3
"""Plays the installed game on a private X display, from outside only, the way a player would.

The game is installed into a temporary prefix and started through its launcher with a fresh
XDG data home, so the working directory is prepared exactly as for a new player. The walk:
title -> menu -> the ranking as installed -> a typing round (with misses) until the lamps run
out -> result -> name entry -> ranking -> settings (ん as "n", し as "shi") -> a second round in
those spellings -> training -> the exit box (Cancel, then OK) -> the process ends with status 0.

A line of progress is printed for every screen reached (and written to the file named by
KAZAMINA_WALK_PROGRESS as well, so tools/test.sh can show it while CTest holds the output).
With --docs DIR the README's pictures (title, menu, round, ranking, and the menu at 200%) are
copied there.

Exit status 0 on success, 1 on a failed check, 77 when the machine cannot run a real display.
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import WalkFailure, run_on_desktop  # noqa: E402

TITLE = "カザミナへのタイピング"
MENU = "カザミナへのタイピング～めにゅ～"
ROUND = "カザミナへのタイピング～カザミナへの道～"
RESULT = "カザミナへのタイピング～リザルト～"
NAME_ENTRY = "ランキング入り!"
RANKING = "カザミナへのタイピング～らんきんぐ～"
SETTINGS = "設定"
TRAINING = "カザミナへのタイピング～とれぇにんぐ～"
EXIT_BOX = "終了のお知らせ"

MENU_ENTRIES = ["とれ～にんぐ", "カザミナへの道", "ランキング", "設定", "終了"]
MENU_HELP = {
    1: "画面に出るアルファベットを打とう!",
    2: "限界を超えろ!時間切れになるまでにワードを打つのだ!",
    3: "あなたのランキングが見れます",
    4: "文字の設定はここからっ",
    5: "終了します",
}
PROMPTS = [
    "スペースキーを押すのだぁぁぁぁぁぁぁっ!",
    "すぺぇ～すきぃ～をおすのだぁ～っ",
    "スペースキーを押せ。さすれば道は開かれん",
    "Please push Space key!",
    "スペース押してぇ。スペース押してぇ。",
]
RATINGS = [  # lowest score that earns each rating, best last
    (10000, "うーん…。"), (30000, "まぁまぁ"), (50000, "いいですよー"), (80000, "素晴らしい！"),
    (120000, "美しい！"), (160000, "あなたは偉大です！"), (200000, "ﾃﾗカザミナｗｗｗｗｗｗ"),
]
PX = 15  # twips per pixel
BIG_DESKTOP = (1920, 1080)  # the desktop of the walk at 200%


def rating(score):
    if score < 0:
        return "うわ、ひっどｗ"
    text = "残念"
    for lowest, caption in RATINGS:
        if score >= lowest:
            text = caption
    return text


def progress(line):
    """One line per screen reached, as it happens."""
    print(f"walk: {line}", flush=True)
    target = os.environ.get("KAZAMINA_WALK_PROGRESS")
    if target:
        try:
            with open(target, "a") as f:
                f.write(f"  e2e walk: {line}\n")
        except OSError:
            pass  # no terminal to show it on


def check(condition, message):
    if not condition:
        raise WalkFailure(message)


class Score:
    """What the round's labels must read after each key, worked out independently."""

    def __init__(self):
        self.score = self.combo = self.max_combo = self.phrases = 0
        self.level = 1
        self.right = self.wrong = 0

    def correct(self):
        self.score += 10
        self.combo += 1
        self.right += 1
        self.max_combo = max(self.max_combo, self.combo)

    def miss(self):
        self.score -= 20
        self.combo = 0
        self.wrong += 1

    def complete(self):
        self.phrases += 1
        self.score += 100 * self.level + 10 * self.combo
        if self.phrases == 5 * self.level:
            self.level += 1

    def tick_ms(self):
        return 55 - 5 * self.level  # 50 ms at level 1, 5 ms less per level (levels below 10)


def read_lines(path):
    """A game file's lines: they end at CR or CR LF."""
    with open(path, "rb") as f:
        data = f.read().decode("utf-8")
    return re.split(r"\r\n|\r", data), data


class Walk:
    def __init__(self, desk, folder):
        self.d = desk
        self.folder = folder
        self.shots = []
        self.notes = []
        self.round_no = 0

    def system(self, name):
        return os.path.join(self.folder, "system", name)

    def shot(self, title, name):
        self.shots.append(self.d.screenshot(title, name))

    # ---- title and menu -------------------------------------------------------------------

    def title(self):
        # The window opens black; the first letter of the animation follows a moment later.
        self.d.wait_window(TITLE, 20, lambda w: any(w.labels()))
        self.shot(TITLE, "01-title-animating")
        self.d.key(TITLE, "space")  # skip the animation
        # The prompt blinks: wait for a moment when it is shown.
        w = self.d.wait_window(TITLE, 5, lambda w: "タイピング" in w.labels() and any(
            p in w.labels() for p in PROMPTS))
        check("カザミナへの" in w.labels(), f"the title's first word is missing: {w.labels()}")
        self.frame(w)
        self.shot(TITLE, "02-title")
        self.d.key(TITLE, "space")  # go on
        self.d.wait_gone(TITLE)

    def frame(self, w):
        """A screen reads as a frame named by its caption, as any application window does."""
        check(w.role == "frame", f"window {w.title!r} has the role {w.role!r}, not frame")

    def menu(self, selection):
        w = self.d.wait_window(MENU, 10, lambda w: MENU_HELP[selection] in w.labels())
        self.frame(w)
        labels = w.labels()
        for entry in MENU_ENTRIES:
            check(entry in labels, f"menu entry {entry!r} missing: {labels}")
        return w

    def choose(self, current, wanted):
        """Moves the menu's highlight from current to wanted and presses Space."""
        steps = wanted - current
        if steps:
            self.d.key(MENU, *(["Down"] * steps if steps > 0 else ["Up"] * -steps))
        self.menu(wanted)
        self.d.key(MENU, "space")

    # ---- the typing round -----------------------------------------------------------------

    def round_labels(self):
        w = self.d.window(ROUND)
        if w is None:
            return None
        found = {"mon": None, "Q": None, "score": None, "combo": None, "level": None,
                 "countm": None}
        for c in w.shown("label"):
            top = c.y - w.y
            if c.name.startswith("SCORE："):
                found["score"] = c.name
            elif c.name.startswith("LEVEL："):
                found["level"] = c.name
            elif re.fullmatch(r"-?\d+ COMBO!", c.name):
                found["combo"] = c.name
            elif c.name in ("Get Set", "終了") or re.fullmatch(r"\d", c.name) and top > 115:
                found["countm"] = c.name
            elif 780 // PX - 15 <= top < (780 + 1365) // 2 // PX:
                found["mon"] = c.name
            elif (780 + 1365) // 2 // PX <= top < 1965 // PX:
                found["Q"] = c.name
        return found

    def q_colour(self):
        w = self.d.window(ROUND)
        r = self.round_labels()
        # The romaji line is the lower one when a phrase reads the same as its romaji ("MP5").
        label = w and r and sorted((c for c in w.shown("label") if c.name == r["Q"]),
                                   key=lambda c: -c.y)
        return label and self.d.text_colour(label[0])

    def time_lamps(self):
        """The five lamps read as one object that says how many are left, never as five."""
        w = self.d.wait_window(ROUND, 10, lambda w: any(
            re.fullmatch(r"残り時間 [0-5]/5", c.name) for c in w.shown()))
        self.frame(w)
        names = [c.name for c in w.controls]
        times = [n for n in names if re.fullmatch(r"残り時間 [0-5]/5", n)]
        check(len(times) == 1, f"the time is not one object: {names}")
        check("時間ランプ" not in names, f"the lamps are still objects of their own: {names}")

    def wait_round(self, what, condition, timeout=5):
        return self.d.wait(what, lambda: (lambda r: r if r and condition(r) else None)(
            self.round_labels()), timeout)

    def wait_score(self, model, timeout=5):
        expected = f"SCORE：{model.score}"
        return self.wait_round(f"{expected!r}", lambda r: r["score"] == expected, timeout)

    def check_combo_and_level(self, r, model):
        if model.combo >= 10:
            check(r["combo"] == f"{model.combo} COMBO!",
                  f"combo label reads {r['combo']!r}, expected '{model.combo} COMBO!'")
        else:
            check(r["combo"] is None, f"combo label shown at a combo of {model.combo}")
        check(r["level"] == f"LEVEL：{model.level}",
              f"level label reads {r['level']!r}, expected LEVEL：{model.level}")

    def wrong_key(self, target):
        return "@" if target != "@" else "#"

    def play_phrase(self, model, misses):
        """Types the phrase on screen; misses: positions before which a wrong key is typed."""
        r = self.wait_round("a phrase", lambda r: r["Q"] and r["mon"])
        mon, romaji = r["mon"], r["Q"]
        done = 0
        for stop in sorted(set(misses)) + [len(romaji)]:
            stop = min(stop, len(romaji))
            if stop > done:
                self.d.type(ROUND, romaji[done:stop])
                for _ in range(stop - done):
                    model.correct()
                done = stop
                if done == len(romaji):
                    model.complete()
                    break
                self.wait_score(model)
                if done > 0 and misses and stop > min(misses):
                    self.d.wait("the romaji in white again", lambda: self.q_colour() == "white", 5)
            self.d.type(ROUND, self.wrong_key(romaji[done]))
            model.miss()
            r = self.wait_score(model)
            # A miss costs points and the combo, never the letter.
            check(r["Q"] == romaji[done:],
                  f"after a miss the romaji reads {r['Q']!r}, expected {romaji[done:]!r}")
            check(r["combo"] is None, "the combo label stays after a miss")
            self.d.wait("the romaji in red after a miss", lambda: self.q_colour() == "red", 5)
        r = self.wait_score(model)
        self.check_combo_and_level(r, model)
        return mon, romaji

    def play_round(self, model, enough, misses_for):
        """Plays phrases until enough(phrases) is true, then lets the lamps run out."""
        self.wait_round("the countdown", lambda r: r["countm"] == "Get Set", 5)
        progress(f"round {self.round_no}")
        self.shot(ROUND, f"round{self.round_no}-countdown")
        self.wait_round("the first phrase", lambda r: r["Q"] and r["countm"] is None, 8)
        seen = []
        while not enough(seen):
            seen.append(self.play_phrase(model, misses_for(model.phrases)))
            if model.phrases == 1:
                self.shot(ROUND, f"round{self.round_no}-play")
            check(model.phrases <= 40, "too many phrases without seeing what was wanted")
        # Hands off: the lamps of the phrase drain in 500 ticks.
        drain = 500 * model.tick_ms() / 1000
        self.wait_round("終了", lambda r: r["countm"] == "終了", drain + 10)
        self.shot(ROUND, f"round{self.round_no}-end")
        self.d.wait_window(RESULT, 10)
        return seen

    def result(self, model):
        expected = [f"{model.score} 点", f"LEVEL：{model.level}", f"MAX {model.max_combo} COMBO",
                    rating(model.score)]
        w = self.d.wait_window(RESULT, 15, lambda w: all(e in w.labels() for e in expected))
        # The figures line under the rating, and the same counts in the history.
        keys = model.right + model.wrong
        figures = f"正確率 {100 * model.right / keys:.1f}%　ミス {model.wrong}　苦手"
        w = self.d.wait_window(RESULT, 5, lambda w: any(
            t.startswith("速度 ") and figures in t for t in w.labels()))
        self.shot(RESULT, f"result{self.round_no}")
        with open(self.system("history.csv"), encoding="utf-8") as f:
            last = f.read().splitlines()[-1].split(",")
        check(last[1] == str(model.score) and last[4:6] == [str(keys), str(model.wrong)],
              f"history.csv's last round reads {last[:6]}, expected score {model.score}, "
              f"{keys} keys and {model.wrong} misses")
        return w

    # ---- high scores ----------------------------------------------------------------------

    def table(self):
        scores, _ = read_lines(self.system("Hiscore.aty"))
        names, _ = read_lines(self.system("Hiscorep.aty"))
        return scores[:5], names[:5]

    def expected_place(self, score):
        scores, _ = self.table()
        for place, value in enumerate(scores, start=1):
            if score >= float(value):
                return place
        return 0

    def register(self, model, name, place):
        """Name entry: replace the offered name, confirm with Enter; check both files."""
        before_scores, before_names = self.table()
        w = self.d.wait_window(NAME_ENTRY, 15)
        boxes = [c for c in w.shown() if c.text is not None]
        check(boxes and boxes[0].text == "カザミナの人",
              f"the name box should offer カザミナの人: {boxes}")
        self.d.click(boxes[0])
        self.d.key(NAME_ENTRY, "ctrl+a")
        self.d.type(NAME_ENTRY, name)
        self.d.wait("the typed name", lambda: any(
            c.text == name for c in (self.d.window(NAME_ENTRY) or w).shown()), 5)
        self.shot(NAME_ENTRY, f"name-entry{self.round_no}")
        self.d.key(NAME_ENTRY, "Return")
        self.d.wait_gone(NAME_ENTRY)
        self.d.wait_gone(RESULT)
        scores, names = self.table()
        want_scores = before_scores[:place - 1] + [str(model.score)] + before_scores[place - 1:4]
        want_names = before_names[:place - 1] + [name] + before_names[place - 1:4]
        check(scores == want_scores, f"score file holds {scores}, expected {want_scores}")
        check(names == want_names, f"name file holds {names}, expected {want_names}")

    def after_result(self, model, name):
        place = self.expected_place(model.score)
        if place:
            self.register(model, name, place)
        else:
            self.d.wait_gone(RESULT, 15)
        return place

    def ranking_rows(self, shot):
        """The ranking shows the table files' five places; any key leaves it."""
        scores, names = self.table()
        want = [f"{n}：{s}点" for n, s in zip(names, scores)]
        w = self.d.wait_window(RANKING, 10,
                               lambda w: [t for t in w.labels() if t.endswith("点")] == want)
        self.shot(RANKING, shot)
        self.d.key(RANKING, "x")
        self.d.wait_gone(RANKING)
        return [t for t in w.labels() if t.endswith("点")]

    def ranking_as_installed(self):
        rows = self.ranking_rows("ranking")
        check(rows[0].endswith("：5000点") and rows[4].endswith("：1000点"),
              f"the installed table reads {rows}")

    def ranking(self, place, name, score):
        rows = self.ranking_rows("ranking-after")
        check(rows[place - 1] == f"{name}：{score}点",
              f"place {place} reads {rows[place - 1]!r}, expected {name}：{score}点")

    # ---- settings -------------------------------------------------------------------------

    def settings(self):
        lines, before = read_lines(self.system("char.aty"))
        w = self.d.wait_window(SETTINGS, 10, lambda w: w.find("radio button", "n"))
        for option in ("n", "shi"):
            self.d.click(w.find("radio button", option))
            self.d.wait(f"option {option} selected", lambda: (
                lambda s: s and s.find("radio button", option) and
                s.find("radio button", option).checked)(self.d.window(SETTINGS)), 5)
        w = self.d.window(SETTINGS)
        for option in ("nn", "si"):
            check(not w.find("radio button", option).checked, f"{option} is still selected")
        self.shot(SETTINGS, "settings")
        self.d.click(w.find("push button", "閉じる"))
        self.d.wait_gone(SETTINGS)
        after_lines, after = read_lines(self.system("char.aty"))
        want = list(lines)
        want[10], want[11], want[14], want[15] = "0", "1", "0", "1"  # si/shi, nn/n
        check(after_lines == want and len(after.encode()) == 40,
              f"char.aty after closing: {after!r}, expected the lines {want}")

    # ---- training and exit ----------------------------------------------------------------

    def training(self):
        def drill_char():
            w = self.d.window(TRAINING)
            if w is None:
                return None
            shown = [c for c in w.shown("label") if c.x - w.x > 4000 // PX and len(c.name) == 1]
            return shown[0].name if shown else None

        self.d.wait_window(TRAINING, 10)
        self.shot(TRAINING, "training-countdown")
        def drill_colour(colour):
            w = self.d.window(TRAINING)
            label = w and [c for c in w.shown("label") if c.name == drill_char()]
            return label and self.d.text_colour(label[0]) == colour

        shown = self.d.wait("the drill's first character", drill_char, 8)
        for _ in range(3):
            self.d.type(TRAINING, "@")  # never drawn: a miss turns the character red
            self.d.wait("the drill's miss colour", lambda: drill_colour("red"), 5)
            check(drill_char() == shown, "a miss in the drill changed the character")
            self.d.type(TRAINING, shown)  # may draw the same character again: watch the colour
            self.d.wait("the drill's next character", lambda: drill_colour("white"), 5)
            shown = drill_char()
        self.shot(TRAINING, "training")
        self.d.key(TRAINING, "Escape")
        self.d.wait_gone(TRAINING)

    def exit_box(self):
        def box():
            for w in self.d.windows():
                if w.title == EXIT_BOX or "本当に終了しますか?" in w.labels():
                    return w
            return None

        w = self.d.wait("the exit box", box, 10)
        progress("exit box")
        check("本当に終了しますか?" in w.labels(), f"the exit box asks {w.labels()}")
        check(len(w.shown("push button")) == 2, f"the exit box has {w.shown('push button')}")
        return w

    def exit(self, pid):
        self.choose(1, 5)
        w = self.exit_box()
        self.shot(w.title, "exit-box")
        self.d.key(w.title, "Escape")  # Cancel
        self.d.wait_gone(w.title)
        self.menu(5)
        self.notes.append(f"peak RSS over the walk: {peak_rss_kb(pid) / 1024:.1f} MB")
        self.d.key(MENU, "space")
        w = self.exit_box()
        self.d.key(w.title, "Return")  # OK, the default button
        try:
            status = self.d.game.wait(timeout=10)
        except subprocess.TimeoutExpired:
            raise WalkFailure("the game did not end after OK in the exit box")
        check(status == 0, f"the game ended with status {status}")

    # ---- the whole walk -------------------------------------------------------------------

    def run(self):
        lines, _ = read_lines(self.system("char.aty"))
        check(lines[10] == "1" and lines[14] == "1", "the walk expects si and nn to start with")
        self.title()
        self.menu(1)
        self.shot(MENU, "menu")
        self.choose(1, 3)
        self.ranking_as_installed()

        # Round 1, default spellings: a miss first and one inside the first phrase.
        self.round_no = 1
        self.menu(3)
        self.choose(3, 2)
        self.time_lamps()
        model = Score()
        scores, _ = self.table()
        lowest = float(scores[4])
        seen = self.play_round(
            model, lambda seen: len(seen) >= 3 and model.score > lowest,
            lambda done: [0, 3] if done == 0 else [])
        for mon, romaji in seen:
            check("sh" not in romaji, f"{mon}: {romaji!r} uses sh while し is si")
            if "ん" in mon or "ン" in mon:
                check("nn" in romaji, f"{mon}: {romaji!r} lacks nn while ん is nn")
        self.result(model)
        place = self.after_result(model, "Tester One")
        check(place > 0, "the first round's score should take a place")
        first = model

        self.menu(2)
        self.choose(2, 3)
        self.ranking(place, "Tester One", first.score)

        self.menu(3)
        self.choose(3, 4)
        self.settings()

        # Round 2: play until a phrase shows ん in the new spelling; one miss per phrase keeps
        # the longest combo (and the result screen's count-up) short.
        self.round_no = 2
        self.menu(4)
        self.choose(4, 2)
        model = Score()

        def shows_n(seen):
            return len(seen) >= 2 and any(
                ("ん" in mon or "ン" in mon) and "nn" not in romaji for mon, romaji in seen)

        seen = self.play_round(model, shows_n, lambda done: [1])
        for mon, romaji in seen:
            check(not re.search(r"sh(?!i)", romaji), f"{mon}: {romaji!r} has sh without i")
        shi = [romaji for _, romaji in seen if "shi" in romaji]
        self.notes.append(f"round 2: {len(seen)} phrases; shi seen in {len(shi)}")
        self.result(model)
        self.after_result(model, "Tester Two")

        self.menu(2)
        self.choose(2, 1)
        self.training()
        self.menu(1)
        self.exit(self.d.game.pid)

    def at_200_percent(self):
        """display/scale=2: every screen is 1336x718 and opens where the last one stood; F11
        fills the desktop with the menu and brings it back."""
        size = (1336, 718)
        self.d.wait_window(TITLE, 20, lambda w: any(w.labels()))
        self.d.key(TITLE, "space")
        w = self.d.wait_window(TITLE, 5, lambda w: any(p in w.labels() for p in PROMPTS))
        self.frame(w)
        check((w.w, w.h) == size, f"the title is {w.w}x{w.h} at 200%")
        self.shot(TITLE, "title-200")
        place = (w.x, w.y)
        self.d.key(TITLE, "space")
        self.d.wait_gone(TITLE)
        w = self.menu(1)
        check((w.w, w.h) == size, f"the menu is {w.w}x{w.h} at 200%")
        check((w.x, w.y) == place, f"the menu opened at {(w.x, w.y)}, the title stood at {place}")
        self.shot(MENU, "menu-200")
        at_200 = [c.h for c in w.shown("label") if c.name == MENU_ENTRIES[0]]
        self.d.key(MENU, "F11")
        w = self.d.wait_window(MENU, 5, lambda w: (w.w, w.h) == BIG_DESKTOP)
        entry = [c for c in w.shown("label") if c.name == MENU_ENTRIES[0]]
        check(entry and at_200 and entry[0].h > at_200[0],
              f"full screen did not enlarge the menu: {entry}, {at_200}")
        self.shot(MENU, "menu-full-screen")
        self.d.key(MENU, "F11")
        w = self.d.wait_window(MENU, 5, lambda w: (w.w, w.h) == size)
        check((w.x, w.y) == place, f"back from full screen at {(w.x, w.y)}, not {place}")
        self.d.key(MENU, "Up")
        self.menu(5)
        self.d.key(MENU, "space")
        box = self.exit_box()
        self.d.key(box.title, "Return")
        try:
            status = self.d.game.wait(timeout=10)
        except subprocess.TimeoutExpired:
            raise WalkFailure("the game did not end after OK in the exit box")
        check(status == 0, f"the game ended with status {status}")


def peak_rss_kb(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


def install(build_dir, prefix):
    r = subprocess.run(["cmake", "--install", build_dir, "--prefix", prefix],
                       capture_output=True, text=True)
    if r.returncode != 0:
        raise WalkFailure(f"cmake --install failed:\n{r.stdout}{r.stderr}")


def start_round(desk, prefix, data_home, folder):
    """Starts the installed game in the player's folder and opens a round from the title.

    Returns the walk and a fresh score model for that round.
    """
    desk.launch([os.path.join(prefix, "games", "kazamina-typing")], {
        "XDG_DATA_HOME": data_home,
        "QT_QPA_PLATFORM": "xcb",
        "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
        "SDL_AUDIODRIVER": "dummy",
    })
    walk = Walk(desk, folder)
    walk.round_no = 1
    desk.wait("the title window", lambda: desk.x_window(TITLE), 20)
    walk.title()
    walk.menu(1)
    walk.choose(1, 2)
    return walk, Score()


def play_installed(name, run, report=None):
    """The main() of a walk that installs the build and plays it through run(desk, prefix, scratch).

    report(result) prints what run() returned after a pass. Returns the exit status.
    """
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", required=True, help="install this build into a temporary prefix")
    parser.add_argument("--artifacts", required=True, help="screenshots and logs go here")
    args = parser.parse_args()
    started = time.monotonic()
    results = []

    def body(desk, scratch):
        prefix = os.path.join(scratch, "prefix")
        install(args.build_dir, prefix)
        results.append(run(desk, prefix, scratch))

    status = run_on_desktop(f"kazamina-e2e-{name}-", args.artifacts, body)
    if status != 0:
        return status
    if report:
        report(results[0])
    print(f"{name} walk passed in {time.monotonic() - started:.0f} s")
    return 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", help="install this build into a temporary prefix")
    parser.add_argument("--prefix", help="play an existing installation instead (e.g. /usr)")
    parser.add_argument("--artifacts", required=True, help="screenshots and logs go here")
    parser.add_argument("--docs", help="copy the README's pictures into this folder")
    parser.add_argument("--only-200", action="store_true", help=argparse.SUPPRESS)
    args = parser.parse_args()
    if not args.build_dir and not args.prefix:
        parser.error("give --build-dir or --prefix")

    started = time.monotonic()
    walks = []

    def body(desk, scratch):
        prefix = args.prefix
        if not prefix:
            prefix = os.path.join(scratch, "prefix")
            install(args.build_dir, prefix)
        data_home = os.path.join(scratch, "data")
        desk.on_window = lambda title: progress(f"window {title}")
        progress(f"starting {os.path.join(prefix, 'games', 'kazamina-typing')}")
        launch = time.monotonic()
        desk.launch([os.path.join(prefix, "games", "kazamina-typing")], {
            "XDG_DATA_HOME": data_home,
            "QT_QPA_PLATFORM": "xcb",
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            "SDL_AUDIODRIVER": "dummy",
        })
        walk = Walk(desk, os.path.join(data_home, "kazamina-typing"))
        walks.append(walk)
        desk.wait("the title window", lambda: desk.x_window(TITLE), 20)
        walk.notes.append(f"exec to title mapped: {(time.monotonic() - launch) * 1000:.0f} ms")
        # The charts' libraries belong to the progress window's own program only.
        with open(f"/proc/{desk.game.pid}/maps") as f:
            charts = [line.split()[-1] for line in f if "libQt6Charts" in line or "libQt6OpenGL" in line]
        if charts:
            raise WalkFailure(f"the game maps the charts' libraries: {sorted(set(charts))}")
        walk.run()

    def finish(desk):
        for walk in walks:
            progress("done" if walk.d.game and walk.d.game.returncode == 0 else "stopped")
            for note in walk.notes:
                print(note)

    if not args.only_200:
        status = run_on_desktop("kazamina-e2e-", args.artifacts, body, finish)
        if status != 0:
            return status
        # AT-SPI keeps the first desktop's bus for the life of a process: the walk at 200% runs
        # in a process of its own.
        again = [sys.executable, os.path.abspath(__file__), "--only-200",
                 "--artifacts", args.artifacts]
        again += ["--build-dir", args.build_dir] if args.build_dir else ["--prefix", args.prefix]
        status = subprocess.run(again).returncode
        if status != 0:
            return status
        if args.docs:
            for shot, picture in (("02-title", "title"), ("menu", "menu"),
                                  ("round1-play", "round"), ("ranking", "ranking"),
                                  ("menu-200", "menu-200")):
                shutil.copyfile(os.path.join(args.artifacts, shot + ".png"),
                                os.path.join(args.docs, picture + ".png"))
        print(f"walk passed in {time.monotonic() - started:.0f} s; screenshots in {args.artifacts}")
        return 0

    def body_200(desk, scratch):
        prefix = args.prefix
        if not prefix:
            prefix = os.path.join(scratch, "prefix")
            install(args.build_dir, prefix)
        data_home = os.path.join(scratch, "data")
        system = os.path.join(data_home, "kazamina-typing", "system")
        os.makedirs(system)
        with open(os.path.join(system, "options.ini"), "w") as f:
            f.write("[display]\nscale=2\n")
        progress("starting at 200%")
        desk.launch([os.path.join(prefix, "games", "kazamina-typing")], {
            "XDG_DATA_HOME": data_home,
            "QT_QPA_PLATFORM": "xcb",
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            "SDL_AUDIODRIVER": "dummy",
        })
        Walk(desk, os.path.join(data_home, "kazamina-typing")).at_200_percent()

    return run_on_desktop("kazamina-e2e-200-", args.artifacts, body_200,
                          screen="%dx%d" % BIG_DESKTOP)


if __name__ == "__main__":
    sys.exit(main())
