#!/usr/bin/env python3
"""The progress window of two or more builds on one history, alternating runs: exec to the
first paint (as bench-history_load --window prints it), the process's CPU time and its peak
resident memory, median of the runs. Each program given is a bench-history_load; make the
history first with `bench-history_load [--untimed] --write DIR/system/history.csv ROUNDS`.
    bench/history_window_compare.py DIR RUNS PROGRAM...
"""
import os
import resource
import statistics
import subprocess
import sys
import time


def main():
    folder, runs, programs = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
    os.chdir(folder)
    env = dict(os.environ, QT_QPA_PLATFORM=os.environ.get("QT_QPA_PLATFORM", "offscreen"))
    results = {p: [] for p in programs}
    for _ in range(runs):
        for program in programs:
            before = resource.getrusage(resource.RUSAGE_CHILDREN)
            start = time.monotonic() * 1000  # the same clock the program reads (CLOCK_MONOTONIC)
            out = subprocess.run([program, "--window", "%.3f" % start], env=env,
                                 capture_output=True, text=True, check=True).stdout.split()
            after = resource.getrusage(resource.RUSAGE_CHILDREN)
            cpu = (after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime) * 1000
            results[program].append((float(out[0]), cpu, float(out[2]), int(out[3])))
    for program, runs_of in results.items():
        paint = [r[0] for r in runs_of]
        print("%s: %d rounds; exec to first paint median %.1f ms (min %.1f, max %.1f); "
              "process CPU median %.1f ms; VmHWM median %.1f MiB" %
              (program, runs_of[0][3], statistics.median(paint), min(paint), max(paint),
               statistics.median(r[1] for r in runs_of), statistics.median(r[2] for r in runs_of)))


if __name__ == "__main__":
    main()
