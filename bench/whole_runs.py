"""What the export and songbook benchmarks share: finding the program, and
timing whole runs of it."""

import os
import statistics
import subprocess
import sys
import time

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def find_program(given):
    """The lirkel of the build folder given, else of build/release or the
    test command's plain build."""
    for build in [given] if given else [os.path.join(TOP, "build", "release"),
                                        os.path.join(TOP, "build", "test-plain")]:
        if build and os.path.exists(os.path.join(build, "lirkel")):
            return os.path.abspath(os.path.join(build, "lirkel"))
    sys.exit("no build with lirkel found; give --build DIR")


def run_times_ms(argv, runs, cwd=None, env=None):
    """Wall milliseconds of whole runs, after one run that warms the caches;
    output is thrown away."""
    quiet = dict(cwd=cwd, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                 stderr=subprocess.DEVNULL)
    subprocess.run(argv, **quiet)
    times = []
    for _ in range(runs):
        started = time.monotonic()
        subprocess.run(argv, **quiet)
        times.append((time.monotonic() - started) * 1000)
    return min(times), statistics.median(times)
