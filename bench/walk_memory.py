#!/usr/bin/python3
"""Peak memory of the game over the whole e2e walk, measured from outside (VmHWM of the game's
process, read at the exit box), first with the bundled music, then with one long MP3 dropped into
the player's music/ folder under every track name. Run by hand; CTest does not run it.

    /usr/bin/python3 bench/walk_memory.py --build-dir build [--minutes 60] [--only long]

The long MP3 (22.05 kHz mono, 64 kbit/s, the bundled format) is made here at run time by
bench-sound_stall --write-mp3 and deleted afterwards.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from desktop import Desktop, Unavailable, WalkFailure  # noqa: E402
from walk import TITLE, Walk, install  # noqa: E402

# Every looping track and the fanfare; ok.wav and miss.wav stay the short effects they are.
TRACKS = ["kanpai.mp3", "loop1.wav", "loop2.wav", "loop3.wav", "eine.mp3", "ifudoudou.mp3",
          "entertainer.mp3", "nocturne.mp3", "peterwolf.mp3", "fanfare.wav"]


def walk_once(build_dir, label, long_mp3=None):
    scratch = tempfile.mkdtemp(prefix="kazamina-memory-")
    artifacts = os.path.join(scratch, "artifacts")
    os.makedirs(artifacts)
    desk = Desktop(scratch, artifacts)
    try:
        desk.start()
    except Unavailable as e:
        print(f"SKIP: no real display here: {e}")
        return False
    walk = None
    try:
        prefix = os.path.join(scratch, "prefix")
        install(build_dir, prefix)
        data_home = os.path.join(scratch, "data")
        folder = os.path.join(data_home, "kazamina-typing")
        if long_mp3:
            # The launcher lays out only what is missing, so these stay the player's own.
            os.makedirs(os.path.join(folder, "music"))
            for name in TRACKS:
                os.link(long_mp3, os.path.join(folder, "music", name))
        desk.launch([os.path.join(prefix, "games", "kazamina-typing")], {
            "XDG_DATA_HOME": data_home,
            "QT_QPA_PLATFORM": "xcb",
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            "SDL_AUDIODRIVER": "dummy",
        })
        walk = Walk(desk, folder)
        desk.wait("the title window", lambda: desk.x_window(TITLE), 20)
        walk.run()
    except WalkFailure as e:
        print(f"{label}: walk FAILED: {e}; files kept in {scratch}")
        return False
    finally:
        desk.stop()
    peak = [n for n in walk.notes if n.startswith("peak RSS")]
    print(f"{label}: {peak[0] if peak else 'no figure'}")
    shutil.rmtree(scratch, ignore_errors=True)
    return True


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--minutes", type=int, default=60)
    parser.add_argument("--only", choices=["bundled", "long"])
    parser.add_argument("--mp3-maker", help="a bench-sound_stall that can --write-mp3 (default: "
                        "the one in the build directory)")
    args = parser.parse_args()
    build_dir = os.path.abspath(args.build_dir)
    if not args.only:
        # Each walk in a process of its own: a second private desktop in the same process does
        # not come up cleanly.
        status = 0
        for only in ("bundled", "long"):
            status |= subprocess.call([sys.executable] + sys.argv + ["--only", only])
        return 1 if status else 0
    ok = True
    if args.only == "bundled":
        ok = walk_once(build_dir, "bundled music") and ok
    if args.only == "long":
        scratch = tempfile.mkdtemp(prefix="kazamina-long-mp3-")
        try:
            mp3 = os.path.join(scratch, "long.mp3")
            started = time.monotonic()
            maker = os.path.abspath(args.mp3_maker or
                                    os.path.join(build_dir, "bench", "bench-sound_stall"))
            if os.spawnv(os.P_WAIT, maker, [maker, "--write-mp3", mp3, str(args.minutes),
                                            "bundled"]) != 0:
                print("could not make the long MP3 (is lame installed?)")
                return 1
            size = os.path.getsize(mp3) / 1e6
            print(f"made a {args.minutes}-minute MP3 ({size:.0f} MB) in "
                  f"{time.monotonic() - started:.1f} s")
            ok = walk_once(build_dir, f"{args.minutes}-minute MP3 under every track name",
                           mp3) and ok
        finally:
            shutil.rmtree(scratch, ignore_errors=True)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
