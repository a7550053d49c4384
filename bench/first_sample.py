#!/usr/bin/python3
"""Start to the first audible sample, however large a player's buffer: each
player runs with first_sample_shim.c preloaded, which stamps the first call
of snd_pcm_writei/snd_pcm_writen that carries an audible sample, and ALSA's
"default" device is the null plugin (a per-run HOME/.asoundrc, no sound
server). The figure is that stamp less the moment the process was spawned,
both on the monotonic clock. Beside them, the text-only runs as whole
processes against an empty C++ program linked as the program is (the same
shared libraries, the C++ runtime linked in when the program's is).

    bench/first_sample.py [--build DIR] [--runs N]

Players take turns, one run each a round, after a warm-up round; medians of
N rounds (default 11) with min-max. Wants FluidR3 as the system's GM
SoundFont (apt-get install fluid-soundfont-gm), and as peers timidity,
fluidsynth and aplay (apt-get install timidity fluidsynth alsa-utils); the
shim and the empty program are built here with cc and c++ (libasound2-dev).
"""

import argparse
import os
import platform
import random
import statistics
import struct
import subprocess
import sys
import tempfile
import time
import wave

HERE = os.path.dirname(os.path.abspath(__file__))
TOP = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(TOP, "tests", "audio"))

from audio_lib import midi_file  # noqa: E402

FONT = os.path.realpath("/usr/share/sounds/sf2/default-GM.sf2")

# Targets, as ratios to a peer measured in the same run.
SYNTH_TO_TIMIDITY = 0.7
SYNTH_TO_FLUIDSYNTH = 0.2
TONES_TO_APLAY = 1.1
TEXT_TO_EMPTY = 1.3


def busy_jiffies():
    with open("/proc/stat") as f:
        fields = [int(x) for x in f.readline().split()[1:]]
    idle = fields[3] + fields[4]
    return sum(fields) - idle, sum(fields)


class Bench:
    """A scratch directory with the shim, the empty program, a null ALSA
    device and the sound files the peers play."""

    def __init__(self, lirkel):
        self.dir = tempfile.TemporaryDirectory(prefix="lirkel-first-sample-")
        self.home = self.dir.name
        self.shim = self.path("first_sample_shim.so")
        subprocess.run(["cc", "-shared", "-fPIC", "-O2", "-o", self.shim,
                        os.path.join(HERE, "first_sample_shim.c"), "-ldl", "-lasound", "-lm"],
                       check=True)
        self.empty = self.path("empty")
        self.empty_libraries = linked_libraries(lirkel)
        source = self.path("empty.cpp")
        with open(source, "w") as f:
            f.write("int main() { return 0; }\n")
        # Linked as the program is: its shared libraries, and the C++
        # runtime linked in when the program carries its own.
        runtime = ([] if any("/libstdc++" in path for path in self.empty_libraries)
                   else ["-static-libstdc++", "-static-libgcc"])
        subprocess.run(["c++", "-O2", "-o", self.empty, source] + runtime + ["-Wl,--no-as-needed"]
                       + self.empty_libraries, check=True)
        with open(self.path(".asoundrc"), "w") as f:
            f.write('pcm.!default {\n type null\n}\n')
        self.stamp = self.path("stamp")
        self.midi = self.path("one.mid")
        with open(self.midi, "wb") as f:
            f.write(midi_file([(69, 240)]))
        self.wav = self.path("a440.wav")
        write_wav(self.wav)

    def path(self, name):
        return os.path.join(self.home, name)

    def env(self, preload):
        env = {k: v for k, v in os.environ.items()
               if k not in ("PULSE_SERVER", "ALSA_CONFIG_PATH", "LD_PRELOAD")}
        env.update(HOME=self.home, XDG_CONFIG_HOME=self.home, XDG_RUNTIME_DIR=self.home,
                   LANG="C.UTF-8")
        if preload:
            env.update(LD_PRELOAD=self.shim, FIRST_SAMPLE_FILE=self.stamp)
        return env

    def cleanup(self):
        self.dir.cleanup()


def linked_libraries(program):
    """The shared libraries the program links, as paths, libc's own left to
    the compiler."""
    out = subprocess.run(["ldd", program], capture_output=True, text=True, check=True).stdout
    paths = []
    for line in out.splitlines():
        parts = line.split("=>")
        if len(parts) == 2 and parts[1].split():
            path = parts[1].split()[0]
            if os.path.exists(path) and "/libc.so" not in path:
                paths.append(path)
    return paths


def write_wav(path, seconds=0.1, hz=440.0):
    import math
    rate = 48000
    frames = b"".join(struct.pack("<h", int(16000 * math.sin(2 * math.pi * hz * i / rate)))
                      for i in range(int(rate * seconds)))
    with wave.open(path, "wb") as f:
        f.setnchannels(1)
        f.setsampwidth(2)
        f.setframerate(rate)
        f.writeframes(frames)


def spawn_and_wait(argv, env, cwd):
    """Spawns argv with its output thrown away; answers the monotonic ns it
    was spawned at and its wall ms."""
    null = [(os.POSIX_SPAWN_OPEN, fd, os.devnull, os.O_RDONLY if fd == 0 else os.O_WRONLY, 0)
            for fd in (0, 1, 2)]
    cwd_before = os.getcwd()
    os.chdir(cwd)
    try:
        started = time.monotonic_ns()
        pid = os.posix_spawn(argv[0], argv, env, file_actions=null)
        _, status = os.waitpid(pid, 0)
        ended = time.monotonic_ns()
    finally:
        os.chdir(cwd_before)
    if os.waitstatus_to_exitcode(status) != 0:
        raise RuntimeError(f"{' '.join(argv)}: exit {os.waitstatus_to_exitcode(status)}")
    return started, (ended - started) / 1e6


def first_sample_ms(bench, argv):
    if os.path.exists(bench.stamp):
        os.remove(bench.stamp)
    started, _ = spawn_and_wait(argv, bench.env(True), bench.home)
    try:
        with open(bench.stamp) as f:
            _, audible = (int(x) for x in f.read().split())
    except FileNotFoundError:
        raise RuntimeError(f"{' '.join(argv)}: no audible sample was written")
    return (audible - started) / 1e6


def text_ms(bench, argv):
    return spawn_and_wait(argv, bench.env(False), bench.home)[1]


def in_turns(commands, rounds, measure):
    """Each command once a round, the first round a warm-up: {name: [figures]}.
    The order is shuffled each round (the same shuffles every time), so that
    no command always follows the same one: a run right after a heavy one
    (the FluidSynth command line leaves the caches cold) is slower."""
    figures = {name: [] for name in commands}
    for round_number in range(rounds + 1):
        names = list(commands)
        random.Random(round_number).shuffle(names)
        for name in names:
            figure = measure(commands[name])
            if round_number:
                figures[name].append(figure)
    return figures


def players(bench, lirkel, fontless):
    found = {"lirkel synthesizer": [lirkel, "Z10A2"]}
    missing = []  # notes on the peers
    for name, argv in (
            ("timidity -Os", ["/usr/bin/timidity", "-Os", bench.midi]),
            ("fluidsynth -ni", ["/usr/bin/fluidsynth", "-ni", "-a", "alsa", "-q", FONT, bench.midi])):
        if os.path.exists(argv[0]):
            found[name] = argv
        else:
            missing.append(f"{name}: not installed, not measured")
    if os.path.exists("/usr/bin/timidity") and not timidity_plays_fluidr3():
        missing.append("timidity's configuration names no FluidR3 (/etc/timidity/timidity.cfg): "
                       "its figure plays another font")
    found["lirkel tones"] = [fontless, "Z10A2"]
    if os.path.exists("/usr/bin/aplay"):
        found["aplay 0.1 s WAV"] = ["/usr/bin/aplay", "-q", bench.wav]
    else:
        missing.append("aplay: not installed (alsa-utils), not measured")
    return found, missing


def timidity_plays_fluidr3():
    """Whether timidity's own configuration plays FluidR3 (Debian's does when
    fluid-soundfont-gm is installed). It is run with that configuration: a
    "soundfont" line on top of it only adds to its start."""
    try:
        with open("/etc/timidity/timidity.cfg") as f:
            return any(line.split()[:2] == ["source", "/etc/timidity/fluidr3_gm.cfg"]
                       for line in f)
    except OSError:
        return False


def machine_line():
    model = "?"
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    return f"{model}, {os.cpu_count()} cores, Linux {platform.release()}"


def spread(ms):
    return f"{statistics.median(ms):7.1f} ms ({min(ms):.1f}-{max(ms):.1f})"


def ratio_row(name, value, peer, peer_name, target, figures):
    if peer not in figures:
        print(f"  {name} / {peer_name}: {peer_name} not measured")
        return None
    ratio = statistics.median(figures[name]) / statistics.median(figures[peer])
    met = ratio <= target
    print(f"  {value:22} / {peer_name:18} {ratio:5.2f}  [<= {target:g}]  {'met' if met else 'MISSED'}")
    return met


def report(lirkel, fontless, rounds, text_rounds=None):
    """Prints the first-sample and text-run figures with their ratios;
    answers {target: met}."""
    text_rounds = text_rounds or 5 * rounds
    bench = Bench(lirkel)
    try:
        load_before = os.getloadavg()
        busy_before = busy_jiffies()
        found, missing = players(bench, lirkel, fontless)
        sounds = in_turns(found, rounds, lambda argv: first_sample_ms(bench, argv))
        texts = in_turns({"empty C++ program": [bench.empty],
                          "lirkel --version": [lirkel, "--version"],
                          "lirkel ?": [lirkel, "?"],
                          "lirkel L": [lirkel, "L"]}, text_rounds, lambda argv: text_ms(bench, argv))
        busy_after = busy_jiffies()
        load_after = os.getloadavg()
        libraries = " ".join(os.path.basename(p) for p in bench.empty_libraries)
    finally:
        bench.cleanup()
    busy = (busy_after[0] - busy_before[0]) / max(1, busy_after[1] - busy_before[1])
    print(f"\nStart to first audible sample (preloaded stamp, ALSA null device), medians and "
          f"min-max of {rounds} runs each in turns; text-only runs {text_rounds} each")
    print(f"machine: {machine_line()}; load average {load_before[0]:.2f} before, "
          f"{load_after[0]:.2f} after; cores {100 * busy:.0f} % busy during the runs "
          f"(these players' own share included)")
    if "FluidR3" not in FONT:
        print(f"  the SoundFont is {FONT}, not FluidR3: the synthesizer's ratios do not "
              "compare with the targets (apt-get install fluid-soundfont-gm)")
    for name, ms in sounds.items():
        print(f"{name:26} {spread(ms)}")
    for name, ms in texts.items():
        print(f"{name:26} {spread(ms)}  (whole process)")
    print(f"  the empty program links {libraries}"
          + ("" if "libstdc++" in libraries else " and carries the C++ runtime"))
    for note in missing:
        print(f"  {note}")
    figures = {**sounds, **texts}
    met = {
        "synth/timidity": ratio_row("lirkel synthesizer", "synthesizer", "timidity -Os",
                                    "timidity -Os", SYNTH_TO_TIMIDITY, figures),
        "synth/fluidsynth": ratio_row("lirkel synthesizer", "synthesizer", "fluidsynth -ni",
                                      "fluidsynth -ni", SYNTH_TO_FLUIDSYNTH, figures),
        "tones/aplay": ratio_row("lirkel tones", "tones", "aplay 0.1 s WAV", "aplay",
                                 TONES_TO_APLAY, figures),
    }
    for name in ("lirkel --version", "lirkel ?", "lirkel L"):
        met[name] = ratio_row(name, name, "empty C++ program", "empty program", TEXT_TO_EMPTY,
                              figures)
    return met


def main():
    from whole_runs import find_program
    parser = argparse.ArgumentParser()
    parser.add_argument("--build")
    parser.add_argument("--runs", type=int, default=11)
    args = parser.parse_args()
    lirkel = find_program(args.build)
    fontless = os.path.join(os.path.dirname(lirkel), "tests", "audio", "lirkel_fontless")
    if not os.path.exists(fontless):
        sys.exit(f"{fontless} is missing: build the tests too")
    report(lirkel, fontless, args.runs)


if __name__ == "__main__":
    main()
