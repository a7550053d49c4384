"""Runs the program with ALSA's "default" device captured to a file, and
analyses what it played. No sound card is needed: a per-run ALSA
configuration (found through HOME) sends every sample to a file, or to a
named pipe that a reader here empties no faster than real time, so that a
synthesizer rendering into it is paced like a sound card."""

import fcntl
import os
import pty
import subprocess
import tempfile
import termios
import threading
import time
import wave

import numpy as np

RATE = 48000
LIRKEL = os.environ.get("LIRKEL", "lirkel")
LIRKEL_FONTLESS = os.environ.get("LIRKEL_FONTLESS", "lirkel_fontless")
LIRKEL_FLUIDLESS = os.environ.get("LIRKEL_FLUIDLESS", "lirkel_fluidless")
# Neither: no SoundFont below this root, no FluidSynth runtime.
LIRKEL_BARE = os.environ.get("LIRKEL_BARE", "lirkel_bare")
NO_SOUNDFONTS = os.environ.get("LIRKEL_NO_SOUNDFONTS", "no-soundfonts")

F_SETPIPE_SZ = 1031

# A key or a signal silences the sound within this (the queue of 30 ms on
# ALSA, and a fade of 5): held in the plain build; under the sanitizers,
# which slow every step of the program, twice that.
STOP_WITHIN_MS = 100 if os.environ.get("LIRKEL_SANITIZED") == "1" else 50


def program_env(**settings):
    """The environment the program runs with: the tests' own (the test
    command gives them a home and a locale of their own), less the names of
    the programs under test and any way to a sound server or an ALSA
    configuration that the settings do not give."""
    env = {name: value for name, value in os.environ.items() if not name.startswith("LIRKEL")}
    for name in ("PULSE_SERVER", "PULSE_SINK", "ALSA_CONFIG_PATH", "PIPEWIRE_REMOTE"):
        env.pop(name, None)
    env.update(settings)
    return env


class PacedReader(threading.Thread):
    """Reads 16-bit mono samples from a named pipe at the speed of a sound
    card, remembering when the first audible sample arrived."""

    def __init__(self, fifo):
        super().__init__(daemon=True)
        # Opened without blocking, plus a writer end of our own, so the pipe
        # never reports an end while the program opens and closes it.
        self.fd = os.open(fifo, os.O_RDONLY | os.O_NONBLOCK)
        self.keep = os.open(fifo, os.O_WRONLY)
        os.set_blocking(self.fd, True)
        try:
            fcntl.fcntl(self.fd, F_SETPIPE_SZ, 4096)
        except OSError:
            pass
        self.chunks = []
        self.arrivals = []  # (the first sample of a read, when it came)
        self.started_at = None
        self.first_sound_at = None
        self.stopping = False

    def run(self):
        bytes_per_second = RATE * 2
        total = 0
        start = None
        while not self.stopping:
            if start is not None:
                due = start + total / bytes_per_second - 0.02
                delay = due - time.monotonic()
                if delay > 0:
                    time.sleep(delay)
            os.set_blocking(self.fd, False)
            try:
                data = os.read(self.fd, RATE * 2 // 200)  # 5 ms
            except BlockingIOError:
                data = b""
            os.set_blocking(self.fd, True)
            if not data:
                time.sleep(0.002)
                continue
            if start is None:
                start = time.monotonic()
                self.started_at = start
            if self.first_sound_at is None:
                samples = np.frombuffer(data[: len(data) // 2 * 2], dtype="<i2")
                if samples.size and np.abs(samples.astype(np.int32)).max() > 300:
                    self.first_sound_at = time.monotonic()
            self.arrivals.append((total // 2, time.monotonic()))
            self.chunks.append(data)
            total += len(data)

    def heard_at(self, sample):
        """When a sound card fed as this reader is would play the sample: it
        plays on from each read, or from when the read came, after it ran dry."""
        heard = None
        for k, (first, at) in enumerate(self.arrivals):
            start = at if heard is None else max(at, heard_end)
            following = self.arrivals[k + 1][0] if k + 1 < len(self.arrivals) else None
            if following is None or sample < following:
                return start + (sample - first) / RATE
            heard, heard_end = start, start + (following - first) / RATE
        return None

    def finish(self):
        self.stopping = True
        self.join(2)
        os.set_blocking(self.fd, False)
        while True:
            try:
                data = os.read(self.fd, 65536)
            except BlockingIOError:
                break
            if not data:
                break
            self.chunks.append(data)
        os.close(self.keep)
        os.close(self.fd)
        raw = b"".join(self.chunks)
        return np.frombuffer(raw[: len(raw) // 2 * 2], dtype="<i2").astype(np.float64)


class Run:
    """One run of the program and what it played."""

    returncode = None
    stdout = ""
    stderr = ""
    samples = None
    seconds = 0.0
    first_sound_after = None


class Machine:
    """A home directory with an ALSA configuration for one kind of run:
    'file' captures into a file as fast as the program writes, 'paced'
    captures through a pipe read at real-time speed, 'none' has no audio
    device at all."""

    def __init__(self, mode):
        self.mode = mode
        self.dir = tempfile.TemporaryDirectory(prefix="lirkel-audio-")
        self.home = self.dir.name
        self.capture = os.path.join(self.home, "capture.raw")
        self.fifo = os.path.join(self.home, "pcm.fifo")
        if mode == "file":
            conf = ('pcm.!default {\n type file\n slave.pcm "null"\n'
                    f' file "{self.capture}"\n format "raw"\n}}\n')
        elif mode == "paced":
            os.mkfifo(self.fifo)
            conf = ('pcm.!default {\n type plug\n'
                    ' slave { pcm "capture" format S16_LE rate 48000 channels 1 }\n}\n'
                    'pcm.capture {\n type file\n slave.pcm "null"\n'
                    f' file "{self.fifo}"\n format "raw"\n}}\n')
        else:
            conf = 'pcm.!default {\n type hw\n card 63\n}\n'
        with open(os.path.join(self.home, ".asoundrc"), "w") as f:
            f.write(conf)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.dir.cleanup()

    def env(self):
        # XDG_RUNTIME_DIR: no sound server here.
        return program_env(HOME=self.home, XDG_CONFIG_HOME=self.home,
                           XDG_DATA_HOME=os.path.join(self.home, ".local", "share"),
                           XDG_RUNTIME_DIR=self.home)

    def path(self, name):
        return os.path.join(self.home, name)

    def add_capture(self, name):
        """Another ALSA device, by that name, captured into a file of its
        own as fast as it is written; answers the file's path."""
        capture = self.path(name + ".raw")
        with open(os.path.join(self.home, ".asoundrc"), "a") as f:
            f.write(f'pcm.{name} {{\n type file\n slave.pcm "null"\n'
                    f' file "{capture}"\n format "raw"\n}}\n')
        return capture

    def run(self, program, args, stdin=subprocess.DEVNULL, timeout=30, cwd=None, env=None):
        """Runs to the end with standard input not a terminal, with the
        variables of `env` added."""
        reader = self._start_reader()
        result = Run()
        started = time.monotonic()
        proc = subprocess.run([program] + args, stdin=stdin, capture_output=True,
                              env=dict(self.env(), **(env or {})), cwd=cwd or self.home,
                              timeout=timeout)
        result.seconds = time.monotonic() - started
        result.returncode = proc.returncode
        result.stdout = proc.stdout.decode("utf-8", "replace")
        result.stderr = proc.stderr.decode("utf-8", "replace")
        self._collect(reader, result, started)
        return result

    def run_in_terminal(self, program, args, key_after, timeout=30, signal=None):
        """Runs with standard input and output a pseudo-terminal (a 'paced'
        machine), and presses a key (or sends the signal) `key_after` seconds
        after the first sound. The run's pressed_at is when, and its
        heard_at(sample) when a sound card would have played a sample."""
        reader = self._start_reader()
        result = Run()
        master, slave = pty.openpty()
        started = time.monotonic()
        def foreground():  # the terminal's own session, in its foreground
            os.setsid()
            fcntl.ioctl(0, termios.TIOCSCTTY, 0)

        proc = subprocess.Popen([program] + args, stdin=slave, stdout=slave, stderr=subprocess.PIPE,
                                env=self.env(), cwd=self.home, preexec_fn=foreground)
        os.close(slave)
        deadline = started + 10
        while reader.first_sound_at is None and time.monotonic() < deadline:
            time.sleep(0.002)
        if reader.first_sound_at is not None:
            time.sleep(max(0.0, reader.first_sound_at + key_after - time.monotonic()))
        pressed = time.monotonic()
        if signal is None:
            os.write(master, b"x")
        else:
            proc.send_signal(signal)
        result.stderr = proc.stderr.read().decode("utf-8", "replace")
        proc.stderr.close()
        result.returncode = proc.wait(timeout)
        result.seconds = time.monotonic() - started
        os.close(master)
        self._collect(reader, result, started)
        result.pressed_at = pressed
        result.heard_at = reader.heard_at
        return result

    def _start_reader(self):
        if self.mode != "paced":
            return None
        reader = PacedReader(self.fifo)
        reader.start()
        return reader

    def _collect(self, reader, result, started):
        if reader is not None:
            time.sleep(0.1)
            result.samples = reader.finish()
            if reader.first_sound_at is not None:
                result.first_sound_after = reader.first_sound_at - started
        elif self.mode == "file" and os.path.exists(self.capture):
            with open(self.capture, "rb") as f:
                raw = f.read()
            result.samples = np.frombuffer(raw[: len(raw) // 2 * 2], dtype="<i2").astype(np.float64)
        else:
            result.samples = np.zeros(0)


# ---- Analysis ---------------------------------------------------------------


def read_wav(path):
    """Samples as floats, channels mixed to one, with the file's rate and
    channel count."""
    with wave.open(path) as w:
        rate, channels = w.getframerate(), w.getnchannels()
        width = w.getsampwidth()
        data = np.frombuffer(w.readframes(w.getnframes()), dtype="<i2").astype(np.float64)
    assert width == 2
    return data.reshape(-1, channels).mean(axis=1), rate, channels


def at_capture_rate(samples, rate):
    """Resampled to the rate the analysis helpers count in."""
    if rate == RATE:
        return samples
    times = np.arange(int(samples.size * RATE / rate)) / RATE
    return np.interp(times, np.arange(samples.size) / rate, samples)


def peak_frequency(samples, low, high, size=1 << 19):
    """The frequency of the strongest component between low and high (Hz),
    to a fraction of a hertz, and its magnitude."""
    window = np.hanning(samples.size)
    size = max(size, samples.size)
    spectrum = np.abs(np.fft.rfft(samples * window, size))
    freqs = np.fft.rfftfreq(size, 1.0 / RATE)
    band = np.where((freqs >= low) & (freqs <= high))[0]
    i = band[np.argmax(spectrum[band])]
    return freqs[i], spectrum[i]


def band_level(samples, centre, width=0.03):
    """The strongest magnitude within width (a fraction) of a frequency."""
    return peak_frequency(samples, centre * (1 - width), centre * (1 + width), 1 << 15)[1]


def tone_segments(samples):
    """Splits tones into (start, end) sample ranges. Tones apart are told by
    the silence between them; tones written back to back by the quiet
    trough where one fades out and the next fades in."""
    loud = np.where(np.abs(samples) > 1)[0]
    if loud.size == 0:
        return []
    gaps = np.where(np.diff(loud) > 2 * 48)[0]
    starts = np.concatenate(([loud[0]], loud[gaps + 1]))
    ends = np.concatenate((loud[gaps] + 1, [loud[-1] + 1]))
    window = 48  # 1 ms
    power = np.convolve(samples**2, np.ones(window) / window, mode="same")
    quiet = power < 0.01 * power.max()
    segments = []
    for start, end in zip(starts, ends):
        cuts = [int(start)]
        i = start + 2 * window
        while i < end - 2 * window:
            if quiet[i]:
                j = i
                while j < end and quiet[j]:
                    j += 1
                cuts.append(int(i + np.argmin(power[i:j])))
                i = j
            else:
                i += 1
        cuts.append(int(end))
        segments += list(zip(cuts[:-1], cuts[1:]))
    return segments


def how_it_ends(samples, steady):
    """Where the sound ends (the last sample above 1 % of the loudest), and
    the largest step between samples over its last 10 ms, against the
    largest over the span `steady` (start, end) of the same note."""
    end = int(np.where(np.abs(samples) > 0.01 * np.abs(samples).max())[0][-1])
    last = np.abs(np.diff(samples[end - 10 * RATE // 1000:end + 1])).max()
    usual = np.abs(np.diff(samples[steady[0]:steady[1]])).max()
    return end, last, usual


def longest_silence(samples, threshold):
    """The longest run of samples whose magnitude stays below threshold."""
    loud = np.concatenate(([-1], np.where(np.abs(samples) >= threshold)[0], [samples.size]))
    return int(np.diff(loud).max()) - 1


def sound_onset(samples, fraction=0.05):
    """The first sample louder than a fraction of the loudest."""
    level = np.abs(samples)
    return int(np.argmax(level > fraction * level.max()))


def midi_file(notes, ticks_per_quarter=480, tempo_us=500000, program=None):
    """A format-0 Standard MIDI File: notes is a list of (note, ticks)."""

    def number(value):
        out = [value & 0x7F]
        value >>= 7
        while value:
            out.insert(0, 0x80 | (value & 0x7F))
            value >>= 7
        return bytes(out)

    track = bytearray(b"\x00\xff\x51\x03" + tempo_us.to_bytes(3, "big"))
    if program is not None:
        track += bytes([0, 0xC0, program])
    for note, ticks in notes:
        track += bytes([0, 0x90, note, 100]) + number(ticks) + bytes([0x80, note, 64])
    track += b"\x00\xff\x2f\x00"
    header = b"MThd" + (6).to_bytes(4, "big") + (0).to_bytes(2, "big") + (1).to_bytes(2, "big")
    header += ticks_per_quarter.to_bytes(2, "big")
    return header + b"MTrk" + len(track).to_bytes(4, "big") + bytes(track)
