"""Start-up figures of the program against their targets, with the peers that
do the same work beside them: start to the first audible sample and the
text-only runs (bench/first_sample.py), the synthesizer's peak memory and CPU
for one note, and its start-up step by step. Every figure is a median; runs
of the programs compared take turns, so a machine that slows down part way
through slows them alike."""

import os
import statistics
import subprocess
import time

from audio_lib import Machine, PacedReader, midi_file
import first_sample

FONT = first_sample.FONT
TIME_PROGRAM = "/usr/bin/time"  # Debian package time

SYNTH_PEAK_MB = 33.0


def run_measured(machine, argv, stdin=subprocess.DEVNULL):
    """Runs argv with paced capture; answers (first sound s, wall s, CPU s)."""
    reader = PacedReader(machine.fifo)
    reader.start()
    started = time.monotonic()
    proc = subprocess.Popen(argv, stdin=stdin, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL, env=machine.env(), cwd=machine.home)
    _, _, usage = os.wait4(proc.pid, 0)
    wall = time.monotonic() - started
    proc.returncode = 0
    time.sleep(0.05)
    reader.finish()
    first = reader.first_sound_at - started if reader.first_sound_at else float("nan")
    return first, wall, usage.ru_utime + usage.ru_stime


def peak_mb(machine, argv):
    """The peak resident set of argv (MB), as GNU time reports it. The
    kernel's figure for a child this script starts itself would never read
    below this script's own size (a process's peak counts the image it
    replaced with exec), so the player is started by the small time program."""
    report = machine.path("peak.txt")
    run_measured(machine, [TIME_PROGRAM, "-f", "%M", "-o", report] + argv)
    with open(report) as f:
        return int(f.read().split()[-1]) / 1024


in_turns = first_sample.in_turns


def memory_and_cpu(lirkel, fontless, rounds):
    """Peak memory (MB, None without GNU time) and CPU (ms) of one note, each
    player paced by the captured device as by a sound card."""
    with Machine("paced") as machine:
        note = machine.path("one.mid")
        with open(note, "wb") as f:
            f.write(midi_file([(69, 240)]))
        players = {"tones": [fontless, "Z10A2"], "synth": [lirkel, "Z10A2"]}
        if os.path.exists("/usr/bin/fluidsynth"):
            players["fluidsynth -ni"] = ["/usr/bin/fluidsynth", "-ni", "-a", "alsa", "-q", FONT, note]
        if os.path.exists("/usr/bin/timidity"):
            players["timidity -Os"] = ["/usr/bin/timidity", "-Os", note]
        runs = in_turns(players, rounds, lambda argv: run_measured(machine, argv))
        peaks = {}
        if os.path.exists(TIME_PROGRAM):
            peaks = in_turns(players, rounds, lambda argv: peak_mb(machine, argv))
    return {name: {"peak": statistics.median(peaks[name]) if peaks else None,
                   "cpu": statistics.median(r[2] * 1000 for r in results)}
            for name, results in runs.items()}


STEP_NAMES = {"runtime": "opening the runtime", "synth": "synthesizer",
              "soundfont": "SoundFont", "audio": "audio stream"}


def synth_steps(helper, rounds):
    """Medians (ms) of the synthesizer's start-up steps, rendering into the
    captured device; None when the helper fails."""
    steps = {}
    with Machine("paced") as machine:
        for round_number in range(rounds + 1):
            reader = PacedReader(machine.fifo)
            reader.start()
            run = subprocess.run([helper], capture_output=True, text=True, env=machine.env(),
                                 cwd=machine.home)
            time.sleep(0.05)
            reader.finish()
            if run.returncode != 0:
                print(f"{os.path.basename(helper)}: {run.stderr.strip()}")
                return None
            words = run.stdout.split()
            if round_number:
                for name, ms in zip(words[::2], words[1::2]):
                    steps.setdefault(name, []).append(float(ms))
    return {name: statistics.median(ms) for name, ms in steps.items()}


def verdict(met):
    return "met" if met else "MISSED"


def row(figure, value, target, met, beside=""):
    print(f"{figure:34} {value:>9} {target:>18}  {verdict(met):6} {beside}")


def report(lirkel, fontless, helper, rounds):
    """Prints the start-up figures beside their targets."""
    first_sample.report(lirkel, fontless, rounds)
    print(f"\nMemory and CPU of one note, paced like a sound card: medians of {rounds} runs "
          "in turns")
    sounds = memory_and_cpu(lirkel, fontless, rounds)
    synth, tones = sounds["synth"], sounds["tones"]
    peers = [name for name in sounds if name not in ("tones", "synth")]
    if synth["peak"] is None:
        print(f"peak memory: needs {TIME_PROGRAM} (apt-get install time)")
    else:
        met = "met" if synth["peak"] <= SYNTH_PEAK_MB else "MISSED"
        print(f"peak memory, synthesizer {synth['peak']:.1f} MB [<= {SYNTH_PEAK_MB:g} MB] {met}; "
              + ", ".join(f"{name} {sounds[name]['peak']:.0f} MB" for name in peers)
              + f"; tones {tones['peak']:.1f} MB")
    print("CPU for one note: " + ", ".join(f"{name} {figures['cpu']:.0f} ms"
                                           for name, figures in sounds.items()))

    steps = synth_steps(helper, rounds)
    if steps:
        print("synthesizer's start, ALSA: " + ", ".join(
            f"{STEP_NAMES.get(name, name)} {ms:.1f} ms" for name, ms in steps.items())
              + f"; together {sum(steps.values()):.1f} ms")
    print("load average now: " + " ".join(f"{load:.1f}" for load in os.getloadavg()))
