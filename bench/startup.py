"""Start-up figures of the program against their targets, with the peers that
do the same work beside them: whole-process time of the text-only runs,
start to the first audible sample (tones and synthesizer), the synthesizer's
peak memory, and its start-up step by step. Every figure is a median; runs of
the programs compared take turns, so a machine that slows down part way
through slows them alike."""

import os
import statistics
import subprocess
import time

from audio_lib import Machine, PacedReader, midi_file

FONT = os.path.realpath("/usr/share/sounds/sf2/default-GM.sf2")
EMPTY_PROGRAM = "/bin/true"
TIME_PROGRAM = "/usr/bin/time"  # Debian package time

# The targets: whole process and first sound in ms, memory in MB, and the
# synthesizer's first sound as a share of the FluidSynth command line's.
TEXT_RUN_MS = 3.0
TONES_FIRST_SOUND_MS = 10.0
SYNTH_FIRST_SOUND_MS = 35.0
SYNTH_SHARE_OF_FLUIDSYNTH = 0.18
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


def process_ms(argv):
    """Wall time of one whole process, output to /dev/null, started with
    posix_spawn so that little of the figure is this script's own."""
    null = [(os.POSIX_SPAWN_OPEN, fd, os.devnull, os.O_RDONLY if fd == 0 else os.O_WRONLY, 0)
            for fd in (0, 1, 2)]
    started = time.monotonic()
    pid = os.posix_spawn(argv[0], argv, os.environ, file_actions=null)
    os.waitpid(pid, 0)
    return (time.monotonic() - started) * 1000


def in_turns(commands, rounds, measure):
    """Measures each command once a round, the first round a warm-up; answers
    {name: [figures]}."""
    figures = {name: [] for name in commands}
    for round_number in range(rounds + 1):
        for name, argv in commands.items():
            figure = measure(argv)
            if round_number:
                figures[name].append(figure)
    return figures


def text_runs(lirkel, rounds):
    commands = {"empty program": [EMPTY_PROGRAM],
                "--version": [lirkel, "--version"],
                "?": [lirkel, "?"],
                "L >/dev/null": [lirkel, "L"]}
    times = in_turns(commands, rounds, process_ms)
    return {name: statistics.median(ms) for name, ms in times.items()}


def first_sounds(lirkel, fontless, rounds):
    """First sound (ms), peak memory (MB, None without GNU time) and CPU (ms)
    of one note, and the synthesizer's first sound over the FluidSynth command
    line's, pair by pair."""
    with Machine("paced") as machine:
        note = machine.path("one.mid")
        with open(note, "wb") as f:
            f.write(midi_file([(69, 240)]))
        players = {"tones": [fontless, "Z10A2"], "synth": [lirkel, "Z10A2"]}
        if os.path.exists("/usr/bin/fluidsynth"):
            players["fluidsynth -ni"] = ["/usr/bin/fluidsynth", "-ni", "-a", "alsa", "-q", FONT, note]
        if os.path.exists("/usr/bin/timidity"):
            players["timidity -Os"] = ["/usr/bin/timidity", "-Os", "-x", f"soundfont {FONT}", note]
        runs = in_turns(players, rounds, lambda argv: run_measured(machine, argv))
        peaks = {}
        if os.path.exists(TIME_PROGRAM):
            peaks = in_turns(players, rounds, lambda argv: peak_mb(machine, argv))
    figures = {name: {"first": statistics.median(r[0] * 1000 for r in results),
                      "spread": (min(r[0] * 1000 for r in results), max(r[0] * 1000 for r in results)),
                      "peak": statistics.median(peaks[name]) if peaks else None,
                      "cpu": statistics.median(r[2] * 1000 for r in results)}
               for name, results in runs.items()}
    if "fluidsynth -ni" in runs:
        figures["synth"]["share"] = statistics.median(
            s[0] / f[0] for s, f in zip(runs["synth"], runs["fluidsynth -ni"]))
    return figures


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


def report(lirkel, fontless, helper, rounds, process_rounds):
    """Prints the start-up figures beside their targets."""
    print(f"\nStart-up: medians; {process_rounds} runs of each whole process, {rounds} of each "
          f"player, in turns")
    if "FluidR3" not in FONT:
        print(f"  the SoundFont is {FONT}, not FluidR3: the synthesizer's figures do not compare "
              "with the targets (apt-get install fluid-soundfont-gm)")
    print(f"{'figure':34} {'lirkel':>9} {'[target]':>18}  {'':6} beside")
    text = text_runs(lirkel, process_rounds)
    floor = text["empty program"]
    for name in ("--version", "?", "L >/dev/null"):
        ms = text[name]
        row(f"whole process, lirkel {name}", f"{ms:.1f} ms", f"[<= {TEXT_RUN_MS:g} ms]",
            ms <= TEXT_RUN_MS, f"{EMPTY_PROGRAM} {floor:.1f} ms, lirkel {ms - floor:+.1f} ms over it")

    sounds = first_sounds(lirkel, fontless, rounds)
    tones, synth = sounds["tones"], sounds["synth"]
    peers = [name for name in sounds if name not in ("tones", "synth")]
    row("first sound, tones (no SoundFont)", f"{tones['first']:.1f} ms",
        f"[<= {TONES_FIRST_SOUND_MS:g} ms]", tones["first"] <= TONES_FIRST_SOUND_MS,
        "runs %.0f to %.0f ms" % tones["spread"])
    row("first sound, synthesizer", f"{synth['first']:.1f} ms", f"[<= {SYNTH_FIRST_SOUND_MS:g} ms]",
        synth["first"] <= SYNTH_FIRST_SOUND_MS,
        "runs %.0f to %.0f ms; " % synth["spread"]
        + ", ".join(f"{name} {sounds[name]['first']:.0f} ms" for name in peers))
    if "share" in synth:
        row("  as a share of fluidsynth -ni", f"{synth['share']:.2f}",
            f"[<= {SYNTH_SHARE_OF_FLUIDSYNTH:g}]", synth["share"] <= SYNTH_SHARE_OF_FLUIDSYNTH,
            "(median of the pairs' ratios)")
    if synth["peak"] is None:
        print(f"peak memory: needs {TIME_PROGRAM} (apt-get install time)")
    else:
        row("peak memory, synthesizer", f"{synth['peak']:.1f} MB", f"[<= {SYNTH_PEAK_MB:g} MB]",
            synth["peak"] <= SYNTH_PEAK_MB,
            ", ".join(f"{name} {sounds[name]['peak']:.0f} MB" for name in peers)
            + f"; tones {tones['peak']:.1f} MB")
    print("CPU for one note: " + ", ".join(f"{name} {figures['cpu']:.0f} ms"
                                           for name, figures in sounds.items()))

    steps = synth_steps(helper, rounds)
    if steps:
        print("synthesizer's start, ALSA: " + ", ".join(
            f"{STEP_NAMES.get(name, name)} {ms:.1f} ms" for name, ms in steps.items())
              + f"; together {sum(steps.values()):.1f} ms")
    print("load average now: " + " ".join(f"{load:.1f}" for load in os.getloadavg()))
