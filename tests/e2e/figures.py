#!/usr/bin/python3
"""Measures the installed game on a private X display (run by hand; CTest does not run it).

    /usr/bin/python3 tests/e2e/figures.py --build-dir build

Start-up: from exec of the game to the title window being mapped, median of 10 starts, seen as
MapNotify events on the root window. Idle CPU: the share of one core the game uses while the
menu sits idle with its music playing. Peak memory over a whole walk is printed by walk.py.
"""

import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Desktop  # noqa: E402
from walk import MENU, TITLE, install  # noqa: E402


def cpu_ticks(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])  # utime + stime


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--starts", type=int, default=10)
    parser.add_argument("--idle-seconds", type=float, default=20)
    args = parser.parse_args()

    scratch = tempfile.mkdtemp(prefix="kazamina-figures-")
    desk = Desktop(scratch, os.path.join(scratch, "artifacts"))
    desk.start()
    try:
        prefix = os.path.join(scratch, "prefix")
        install(args.build_dir, prefix)
        game_env = {"XDG_DATA_HOME": os.path.join(scratch, "data"), "QT_QPA_PLATFORM": "xcb",
                    "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1", "SDL_AUDIODRIVER": "dummy"}
        launcher = os.path.join(prefix, "games", "kazamina-typing")
        game = os.path.join(prefix, "lib", "kazamina-typing", "kazamina-typing")
        folder = os.path.join(scratch, "data", "kazamina-typing")

        # One start through the launcher lays out the player's folder; the timed starts exec
        # the game itself in that folder, as the launcher's last step does.
        desk.launch([launcher], game_env)
        desk.wait("the title window", lambda: desk.x_window(TITLE), 20)
        desk.game.terminate()
        desk.game.wait()

        xev = subprocess.Popen(["stdbuf", "-oL", "xev", "-root", "-event", "substructure"],
                               env=desk.env, stdout=subprocess.PIPE, text=True)
        time.sleep(0.5)
        times = []
        for _ in range(args.starts):
            start = time.monotonic()
            desk.launch([game], game_env, cwd=folder)
            for line in xev.stdout:
                if line.startswith("MapNotify"):
                    times.append((time.monotonic() - start) * 1000)
                    break
            desk.wait("the title window", lambda: desk.x_window(TITLE), 20)
            desk.game.terminate()
            desk.game.wait()
            time.sleep(0.3)
        xev.kill()
        print(f"start-up, exec to title mapped: median {statistics.median(times):.0f} ms "
              f"(min {min(times):.0f}, max {max(times):.0f}, n={len(times)})")

        desk.launch([game], game_env, cwd=folder)
        desk.wait_window(TITLE, 20)
        desk.key(TITLE, "space")
        desk.wait("the title's prompt", lambda: "タイピング" in (desk.window(TITLE) or
                                                             desk.window(MENU)).labels(), 5)
        desk.key(TITLE, "space")
        desk.wait_window(MENU, 10)
        time.sleep(2)  # the first music poll starts the track
        hz = os.sysconf("SC_CLK_TCK")
        before, t0 = cpu_ticks(desk.game.pid), time.monotonic()
        time.sleep(args.idle_seconds)
        used = (cpu_ticks(desk.game.pid) - before) / hz
        print(f"idle CPU on the menu with music: {100 * used / (time.monotonic() - t0):.2f} % "
              f"of one core over {args.idle_seconds:.0f} s")
        music = os.listdir(os.path.join(folder, "music"))
        print(f"music files in the player's folder: {len(music)}")
    finally:
        desk.stop()
    return 0


if __name__ == "__main__":
    sys.exit(main())
