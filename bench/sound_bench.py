#!/usr/bin/python3
"""Start-up and sound figures of the program, with its peers side by side
where they do the same work. Sound goes to a captured ALSA "default" device
read at real-time speed, so no sound card is needed and every player is paced
alike.

    bench/sound_bench.py [--build DIR] [--runs N] [--server-runs N] [--quick]
                         [--startup-only] [--servers]

DIR is a build directory with the tests (lirkel, tests/audio/lirkel_fontless
and bench/lirkel_synth_steps; default: build/release, else the newest build-*
or build/test-plain). --quick shortens the timing tune from 60 s to 15 s.
--startup-only prints the start-up figures into the captured device alone,
--servers those through the sound servers alone, both flags both. N is the
number of rounds of each player (default 11; through the servers 7, with
--quick 3).

Start-up figures (bench/startup.py), each beside its target:
  first audible sample  process start to the first call that hands ALSA an
                        audible sample (a preloaded stamp, ALSA's null
                        device: bench/first_sample.py), one note, tones and
                        synthesizer, beside timidity, the FluidSynth command
                        line and aplay, as ratios to them
  whole process         wall time of the text-only runs (--version, the help
                        text, the listing), beside an empty C++ program
                        linked with the same libraries
  peak memory           the largest resident set of the process
  synthesizer's start   opening the runtime, the synthesizer, the SoundFont,
                        the audio stream, each timed in the program's own code
Sound figures:
  CPU while playing     user + system time over wall time, a tune playing
  CPU while waiting     the same, over 3 s of waiting for a key in a
                        terminal after a MIDI file has ended
  timing                wall time of a 60 s tune (both variants) against
                        its nominal length
"""

import argparse
import fcntl
import os
import pty
import subprocess
import sys
import termios
import time

HERE = os.path.dirname(os.path.abspath(__file__))
TOP = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(TOP, "tests", "audio"))

from audio_lib import Machine, PacedReader, midi_file  # noqa: E402
import server_startup  # noqa: E402
import startup  # noqa: E402
from startup import run_measured  # noqa: E402


def find_build(given):
    candidates = [given] if given else [os.path.join(TOP, "build", "release")] + sorted(
        (os.path.join(TOP, d) for d in os.listdir(TOP) if d.startswith("build-")),
        key=os.path.getmtime, reverse=True) + [os.path.join(TOP, "build", "test-plain")]
    for build in candidates:
        if build and os.path.exists(os.path.join(build, "lirkel")):
            return os.path.abspath(build)  # the players run in a directory of their own
    sys.exit("no build with lirkel found; give --build DIR")


def cpu_while_waiting():
    """A MIDI file of one short note, then 3 s of the key wait in a terminal."""
    with Machine("paced") as machine:
        with open(machine.path("short.mid"), "wb") as f:
            f.write(midi_file([(69, 240)]))
        reader = PacedReader(machine.fifo)
        reader.start()
        master, slave = pty.openpty()
        proc = subprocess.Popen([LIRKEL, "short"], stdin=slave, stdout=slave, stderr=subprocess.DEVNULL,
                                env=machine.env(), cwd=machine.home, start_new_session=True,
                                preexec_fn=lambda: fcntl.ioctl(0, termios.TIOCSCTTY, 0))
        os.close(slave)
        time.sleep(2.0)  # the note and its fade are over
        ticks = os.sysconf("SC_CLK_TCK")

        def cpu():
            with open(f"/proc/{proc.pid}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
            return (int(fields[11]) + int(fields[12])) / ticks

        before, t0 = cpu(), time.monotonic()
        time.sleep(3.0)
        used, wall = cpu() - before, time.monotonic() - t0
        os.write(master, b"q")
        proc.wait(timeout=5)
        os.close(master)
        reader.finish()
    print(f"CPU while waiting for a key after a MIDI file: {100 * used / wall:.1f} % of one core")


def wall_time(program, tune, mode):
    with Machine(mode) as machine:
        if mode == "paced":
            _, wall, cpu = run_measured(machine, [program, tune])
            return wall, cpu
        started = time.monotonic()
        proc = subprocess.Popen([program, tune], stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, env=machine.env(), cwd=machine.home)
        _, _, usage = os.wait4(proc.pid, 0)
        return time.monotonic() - started, usage.ru_utime + usage.ru_stime


def timing(quick):
    """A long tune against a one-note tune: their difference in wall time is
    the long tune's own length, start-up and ending taken out."""
    # 240 (or 60) notes of 250 ms: Z80 makes a whole note 8000 ms, 5 the exponent.
    notes = 60 if quick else 240
    letters = "CDEFGAH"
    tune = "Z80C5" + "".join(letters[i % 7] for i in range(1, notes))
    nominal = (notes - 1) * 0.25
    for name, program, mode in (("tones", LIRKEL_FONTLESS, "file"), ("synth", LIRKEL, "paced")):
        short, _ = wall_time(program, "Z80C5", mode)
        wall, cpu = wall_time(program, tune, mode)
        own = wall - short
        print(f"{notes * 0.25:.0f} s tune, {name}: wall {wall:.3f} s, start-up and ending "
              f"{short - 0.25:.3f} s, the tune itself {own + 0.25:.3f} s "
              f"({100 * (own - nominal) / nominal:+.3f} % off), CPU {100 * cpu / wall:.1f} % of one "
              f"core")


def main():
    global LIRKEL, LIRKEL_FONTLESS
    parser = argparse.ArgumentParser()
    parser.add_argument("--build")
    parser.add_argument("--runs", type=int, default=11)
    parser.add_argument("--quick", action="store_true")
    parser.add_argument("--server-runs", type=int)
    parser.add_argument("--startup-only", action="store_true")
    parser.add_argument("--servers", action="store_true")
    args = parser.parse_args()
    build = find_build(args.build)
    LIRKEL = os.path.join(build, "lirkel")
    LIRKEL_FONTLESS = os.path.join(build, "tests", "audio", "lirkel_fontless")
    print(f"build: {build}; SoundFont: {startup.FONT}; {os.cpu_count()} cores, load "
          + " ".join(f"{load:.1f}" for load in os.getloadavg()))
    only = args.startup_only or args.servers
    if args.startup_only or not only:
        startup.report(LIRKEL, LIRKEL_FONTLESS, os.path.join(build, "bench", "lirkel_synth_steps"),
                       args.runs)
    if args.servers or not only:
        server_runs = args.server_runs or (3 if args.quick else 7)
        server_startup.report(LIRKEL, LIRKEL_FONTLESS, server_runs)
    if only:
        return
    print()
    cpu_while_waiting()
    timing(args.quick)


if __name__ == "__main__":
    main()
