"""Start to the first sound through a real sound server: PipeWire (with
WirePlumber and its PulseAudio service) and PulseAudio, each headless with
a null sink, each when installed. The players take turns as in the captured
ALSA figures: lirkel's tones and synthesizer, pw-play (PipeWire only) and
paplay of a 0.25 s WAV, and the FluidSynth command line on PulseAudio's
interface.

Method. One parec records the null sink's monitor for all the runs of a
server (5 ms latency), and the reading thread stamps every chunk with the
monotonic clock as it arrives. The sink's clock and the monotonic clock run
at the same rate (a null sink is paced by a system timer), so sample n of
the recording is due at offset + n / 48000 s, where offset is the smallest
(arrival - samples so far / 48000) over the chunks of the second before the
player is started: the chunk that came with the least delay, at the
recorder's own 5 ms graph cycle. The figure is the due time of the player's
first audible sample (|s| > 300, as in the ALSA figures) less the time the
player's process was started (just before Popen).

Uncertainty. The offset carries the monitor's own delay, a few ms,
unknown but the same for every player of a server: the figures are meant
side by side, not as absolute times. Figures of different servers share no
offset and compare only roughly. Here the chunks' delays spread over up to
5 ms, the least of them (over 190 chunks or more) is steady, and for the
lirkel players, pw-play and paplay the least of every 100 ms of a run stays
within 1 ms of the offset: no samples are lost or added and the two clocks
do not drift apart. Not so while fluidsynth plays through PulseAudio: the
recording's clock jumps by +4 ms as its stream starts, drifts by 2 per
mille and jumps by -6 ms as it ends, so that figure is uncertain by about
5 ms. Any move over 1 ms in a run is noted under the table; one upwards may
also be a busy machine making every chunk of 100 ms late (seen with
PipeWire while fluidsynth loads its font). Through PulseAudio the
recording also loses up to its latency (5 ms) of the start of each new
stream (see RECORDER_LATENCY_MS in sound_server.py), every player's alike.

A server takes a sample from the player at the start of the graph cycle
that holds it, up to one cycle (the player's own latency, tens of ms for
some players) before its due time; a sound card would play it at its due
time plus its fixed latency, so the due time is the measure."""

import os
import shutil
import statistics
import subprocess
import tempfile
import threading
import time
import wave

import numpy as np

from audio_lib import midi_file
from sound_server import RATE, SoundServer, available, record_monitor
import startup

AUDIBLE = 300
SERVERS = {"pipewire": "PipeWire", "pulseaudio": "PulseAudio"}


class StampedRecorder(threading.Thread):
    """Records the null sink's monitor, each chunk stamped on arrival."""

    def __init__(self, env):
        super().__init__(daemon=True)
        self.proc = record_monitor(env, latency_ms=5)
        self.raw = bytearray()
        self.stamps = []  # (monotonic s, whole samples received by then)
        self.lock = threading.Lock()
        self.flowing = threading.Event()

    def run(self):
        while True:
            data = self.proc.stdout.read1(65536)
            arrived = time.monotonic()
            if not data:
                return
            with self.lock:
                self.raw += data
                self.stamps.append((arrived, len(self.raw) // 2))
            self.flowing.set()

    def received(self):
        with self.lock:
            return len(self.raw) // 2

    def offset(self, since, until):
        """The monotonic time of sample 0, from the chunks that arrived
        between since and until."""
        with self.lock:
            return min(t - n / RATE for t, n in self.stamps if since <= t <= until)

    def moved(self, offset, since, until, step=0.1):
        """The largest move (s) of the offset over the steps between since
        and until: samples lost or added on the way move it, and so does a
        step whose chunks all came late."""
        least = {}
        with self.lock:
            for t, n in self.stamps:
                if since <= t <= until:
                    key = int((t - since) / step)
                    least[key] = min(least.get(key, float("inf")), t - n / RATE - offset)
        return max(least.values(), key=abs, default=0.0)

    def first_audible(self, start):
        """The index of the first audible sample at or after start, or None."""
        with self.lock:
            samples = np.frombuffer(bytes(self.raw[2 * start: len(self.raw) // 2 * 2]), dtype="<i2")
        loud = np.nonzero(np.abs(samples.astype(np.int32)) > AUDIBLE)[0]
        return start + int(loud[0]) if loud.size else None

    def stop(self):
        self.proc.terminate()
        self.proc.wait(timeout=5)
        self.join(timeout=5)
        self.proc.stdout.close()


def write_wav(path, seconds=0.25, hz=440.0, level=0.5):
    t = np.arange(int(RATE * seconds)) / RATE
    samples = (level * 32767 * np.sin(2 * np.pi * hz * t)).astype("<i2")
    with wave.open(path, "wb") as f:
        f.setnchannels(1)
        f.setsampwidth(2)
        f.setframerate(RATE)
        f.writeframes(samples.tobytes())


def players(kind, lirkel, fontless, wav, midi):
    """{name: argv} of the players there are, and notes on those missing."""
    found = {"lirkel tones": [fontless, "Z10A2"], "lirkel synthesizer": [lirkel, "Z10A2"]}
    missing = []
    for name, argv, needed in (
            ("pw-play", ["pw-play", wav], kind == "pipewire"),
            ("paplay", ["paplay", wav], True),
            ("fluidsynth -a pulseaudio", ["fluidsynth", "-a", "pulseaudio", "-ni", "-q",
                                          startup.FONT, midi], True)):
        if not needed:
            missing.append(f"{name} speaks PipeWire's own protocol: not run")
            continue
        if shutil.which(argv[0]):
            found[name] = argv
        else:
            missing.append(f"{argv[0]} not installed")
    return found, missing


def first_sound_ms(server, recorder, argv, failures):
    """One run: process start to its first audible sample's due time, ms."""
    time.sleep(1.0)  # a second of chunks for the offset, and the last run's tail gone
    before = recorder.received()
    started = time.monotonic()
    proc = subprocess.Popen(argv, env=server.env(), cwd=server.home, stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    try:
        _, err = proc.communicate(timeout=30)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.communicate()
        failures.append(f"{os.path.basename(argv[0])}: did not end in 30 s")
        return None
    time.sleep(0.3)  # its last samples on their way
    if proc.returncode != 0:
        failures.append(f"{os.path.basename(argv[0])}: exit {proc.returncode} "
                        f"{err.decode(errors='replace').strip()[:100]}")
        return None
    index = recorder.first_audible(before)
    if index is None:
        failures.append(f"{os.path.basename(argv[0])}: nothing audible")
        return None
    offset = recorder.offset(started - 1.0, started)
    moved = recorder.moved(offset, started, time.monotonic())
    if abs(moved) > 0.001:
        failures.append(f"{os.path.basename(argv[0])}: the recording's clock moved by "
                        f"{moved * 1000:+.0f} ms in a run, its figure as uncertain")
    return (offset + index / RATE - started) * 1000


def measure_server(kind, lirkel, fontless, rounds):
    """{player: [ms]} for one server, the players in turns, and notes."""
    with tempfile.TemporaryDirectory(prefix="lirkel-bench-") as scratch:
        wav, midi = os.path.join(scratch, "a440.wav"), os.path.join(scratch, "one.mid")
        write_wav(wav)
        with open(midi, "wb") as f:
            f.write(midi_file([(69, 240)]))
        found, notes = players(kind, lirkel, fontless, wav, midi)
        failures = []
        with SoundServer(kind) as server:
            recorder = StampedRecorder(server.env())
            recorder.start()
            try:
                # A sink nobody recorded takes a moment to start the stream.
                if not recorder.flowing.wait(timeout=10):
                    raise RuntimeError("the monitor gives no samples")
                figures = startup.in_turns(
                    found, rounds, lambda argv: first_sound_ms(server, recorder, argv, failures))
            finally:
                recorder.stop()
    figures = {name: [ms for ms in runs if ms is not None] for name, runs in figures.items()}
    return figures, notes + sorted(set(failures))


def report(lirkel, fontless, rounds):
    """Prints start to first sound through each installed server, side by side."""
    print(f"\nStart to first sound through a sound server (null sink): medians and "
          f"min-max of {rounds} runs each, in turns, after a warm-up round")
    results, notes = {}, []
    for kind, title in SERVERS.items():
        if not available(kind):
            notes.append(f"{title}: not installed")
            continue
        try:
            results[kind], server_notes = measure_server(kind, lirkel, fontless, rounds)
        except RuntimeError as error:
            notes.append(f"{title}: {error}")
            continue
        notes += [f"{title}: {note}" for note in server_notes]
    names = []
    for figures in results.values():
        names += [name for name in figures if name not in names]
    print(f"{'player':26}" + "".join(f"{SERVERS[kind]:>24}" for kind in results))
    for name in names:
        cells = []
        for kind in results:
            runs = results[kind].get(name)
            cells.append(f"{statistics.median(runs):6.1f} ms ({min(runs):.0f}-{max(runs):.0f})"
                         if runs else "-")
        print(f"{name:26}" + "".join(f"{cell:>24}" for cell in cells))
    for note in notes:
        print(f"  {note}")
