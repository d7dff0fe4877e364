#!/usr/bin/python3
"""The progress window from outside, as a player starts it: `kazamina-typing --stats` on an
installed game with a history of 60 rounds, on Xvfb (1024x768) with the accessibility bus.

- the launcher's --stats ends in the progress window's own program, which maps Qt Charts,
  while the game's program is not started at all;
- the window fits the screen (at most 90% of it) and shows everything without scrolling there;
- screen readers find both charts by name with the summary, and the keyboard's keys one by
  one with their counts;
- Escape closes it and the program ends with status 0;
- with kana rounds after the romaji ones, it opens on the kana keyboard (each key named by its
  kana, Shift's kana summed on it) with the 「ローマ字」/「かな」 switch.

    stats_walk.py --build-dir BUILD --artifacts DIR
"""

import argparse
import os
import re
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import WalkFailure, run_on_desktop  # noqa: E402
from walk import install  # noqa: E402

TITLE = "カザミナへのタイピング ～成績～"
HEADER = ("time,score,level,max_combo,keys,misses,seconds,speed,accuracy,both_spellings,"
          "misses_by_key,keys_by_key")


def history(rounds):
    lines = [HEADER]
    for i in range(rounds):
        lines.append(f"2026-12-07T20:{i % 60:02d}:00+09:00,{1000 + 10 * i},3,40,300,12,"
                     f"70.000,4.11,96.0,off,t:4 s:8,a:100 t:100 s:100")
    return "\n".join(lines) + "\n"


def kana_history(rounds, kana_rounds):
    """Romaji rounds, then kana rounds (keys as the game writes them: か, あ and Shift's ぁ)."""
    lines = [HEADER + ",judging,input,kind,ms_by_key"]
    for i in range(rounds):
        lines.append(f"2026-12-07T20:{i % 60:02d}:00+09:00,{1000 + 10 * i},3,40,300,12,70.000,"
                     f"4.11,96.0,off,t:4 s:8,a:100 t:100 s:100,exact,romaji,round,")
    for i in range(kana_rounds):
        lines.append(f"2026-12-07T21:{i:02d}:00+09:00,800,2,20,20,2,10.000,1.80,90.0,off,"
                     f"U+304B:2,U+304B:10 U+3042:5 U+3041:5,exact,kana,round,")
    return "\n".join(lines) + "\n"


def wait_closed(desk, proc):
    desk.key(TITLE, "Escape")
    deadline = time.monotonic() + 10
    while proc.poll() is None and time.monotonic() < deadline:
        time.sleep(0.05)
    if proc.returncode != 0:
        raise WalkFailure(f"Escape did not end the progress window (status {proc.returncode})")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--artifacts", required=True)
    args = parser.parse_args()

    def body(desk, scratch):
        prefix = os.path.join(scratch, "prefix")
        install(args.build_dir, prefix)
        data_home = os.path.join(scratch, "data")
        system = os.path.join(data_home, "kazamina-typing", "system")
        os.makedirs(system, exist_ok=True)
        def open_window(text, shown):
            """The progress window on a history of `text`, once `shown` is read out."""
            with open(os.path.join(system, "history.csv"), "w") as f:
                f.write(text)
            proc = desk.launch([os.path.join(prefix, "games", "kazamina-typing"), "--stats"], {
                "XDG_DATA_HOME": data_home,
                "QT_QPA_PLATFORM": "xcb",
                "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            })
            w = desk.wait_window(TITLE, timeout=20,
                                 condition=lambda w: any(c.role == "label" and shown in c.name
                                                         for c in w.controls))
            return proc, w

        proc, w = open_window(history(60), "T：")
        exe = os.readlink(f"/proc/{proc.pid}/exe")
        if not exe.endswith("/kazamina-typing-stats"):
            raise WalkFailure(f"--stats runs {exe}, not the progress window's program")
        with open(f"/proc/{proc.pid}/maps") as f:
            if not any("libQt6Charts" in line for line in f):
                raise WalkFailure("the progress window's program does not map Qt Charts")
        if w.w > 1024 * 0.9 or w.h > 768 * 0.9 or w.w < 600 or w.h < 400:
            raise WalkFailure(f"the window is {w.w}x{w.h} on a 1024x768 screen")
        names = [c.name for c in w.controls]
        for wanted in ("スコアと速度（直近 60 回）", "正確率のグラフ（直近 60 回）", "キーごとのミス率",
                       "S：ミス 400 / 5000 打（8.0%）　直近 50 回",
                       "スペース：直近 50 回で打つ場面なし"):
            if wanted not in names:
                raise WalkFailure(f"screen readers do not find {wanted!r}")
        keys = [c for c in w.controls
                if c.role == "label" and re.match(r"^(\S|スペース)：", c.name) and "直近 50 回" in c.name]
        if len(keys) != 42:
            raise WalkFailure(f"{len(keys)} keys read out, not 42")
        summary = [c for c in w.controls if c.name.startswith("全 60 回。")]
        if not summary:
            raise WalkFailure("no summary of the charts")
        desk.screenshot(TITLE, "progress")
        wait_closed(desk, proc)

        proc, w = open_window(kana_history(60, 3), "か：")
        names = [c.name for c in w.controls]
        for wanted in ("ローマ字", "かな", "か：ミス 6 / 30 打（20.0%）　直近 3 回",
                       "あ／ぁ：ミス 0 / 30 打（0.0%）　直近 3 回"):
            if wanted not in names:
                raise WalkFailure(f"the kana view: screen readers do not find {wanted!r}")
        keys = [c for c in w.controls
                if c.role == "label" and re.match(r"^[^\s：]{1,3}：", c.name) and "直近 3 回" in c.name]
        if len(keys) != 48:
            raise WalkFailure(f"the kana view: {len(keys)} keys read out, not 48")
        desk.screenshot(TITLE, "progress-kana")
        wait_closed(desk, proc)

    status = run_on_desktop("kazamina-stats-", args.artifacts, body)
    if status == 0:
        print("stats walk passed")
    return status


if __name__ == "__main__":
    sys.exit(main())
