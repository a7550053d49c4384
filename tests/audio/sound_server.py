"""A real sound server for the tests, headless: PipeWire (with WirePlumber
and its PulseAudio service, on a private D-Bus session) or PulseAudio, each
with a null sink whose monitor is recorded, in a scratch XDG_RUNTIME_DIR.
The program finds the server as any desktop program would: through the
socket in its XDG_RUNTIME_DIR. The null sink can be split into two mono
sinks, one on each of its channels, so that two players are recorded side
by side by one recorder."""

import os
import shutil
import signal
import subprocess
import tempfile
import threading
import time

import numpy as np

from audio_lib import program_env

RATE = 48000
# The recorder's own rate, so that a hole the server leaves is exact zeros.
NULL_SINK_SHAPE = f"rate={RATE} channels=2"


def available(kind):
    needed = {"pipewire": ["pipewire", "wireplumber", "pipewire-pulse", "dbus-daemon"],
              "pulseaudio": ["pulseaudio"]}[kind] + ["pactl", "parec"]
    return all(shutil.which(tool) for tool in needed)


def record_monitor(env, latency_ms, channels=1):
    """parec of the null sink's monitor: 16-bit samples on its output,
    channels interleaved, in chunks of about latency_ms."""
    return subprocess.Popen(
        ["parec", "-d", "nullsink.monitor", "--format=s16le", f"--rate={RATE}",
         f"--channels={channels}", f"--latency-msec={latency_ms}", "--raw"],
        env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)


# The recorder's latency, by server. PulseAudio, to mix a new stream in at
# once, rewinds what the sink has already mixed, and the monitor cannot take
# back what its recorder was given: the recording loses the start of every
# new stream, up to the recorder's latency (measured with paplay: 10 ms at
# 20, up to 5 ms at 5, under 1.5 ms at 1). PipeWire loses nothing at 5 ms,
# but a 1 ms recorder leaves holes of one cycle (5.3 ms) in a third of its
# recordings of the same tones, none in 15 at 5 ms.
RECORDER_LATENCY_MS = {"pulseaudio": 1, "pipewire": 5}


class Recorder(threading.Thread):
    """Records the null sink's monitor as 16-bit samples: one array, or one
    a channel."""

    def __init__(self, env, latency_ms, channels=1):
        super().__init__(daemon=True)
        self.channels = channels
        self.proc = record_monitor(env, latency_ms, channels)
        self.chunks = []
        self.flowing = threading.Event()

    def run(self):
        while True:
            data = self.proc.stdout.read1(4096) if hasattr(self.proc.stdout, "read1") \
                else self.proc.stdout.read(4096)
            if not data:
                return
            self.chunks.append(data)
            self.flowing.set()

    def stop(self):
        time.sleep(0.3)  # the last samples on their way
        self.proc.terminate()
        try:
            self.proc.wait(timeout=5)
        except subprocess.TimeoutExpired:  # a machine this busy: what came is enough
            self.proc.kill()
            self.proc.wait()
        self.join(timeout=5)
        self.proc.stdout.close()
        raw = b"".join(self.chunks)
        frame = 2 * self.channels
        samples = np.frombuffer(raw[: len(raw) // frame * frame], dtype="<i2").astype(np.float64)
        if self.channels == 1:
            return samples
        return [samples[channel::self.channels] for channel in range(self.channels)]


class SoundServer:
    def __init__(self, kind):
        self.kind = kind
        self.dir = tempfile.mkdtemp(prefix=f"lirkel-{kind}-")
        self.runtime = os.path.join(self.dir, "run")
        self.home = os.path.join(self.dir, "home")
        os.mkdir(self.runtime, 0o700)
        os.mkdir(self.home)
        self.procs = []

    def env(self):
        env = program_env(XDG_RUNTIME_DIR=self.runtime, HOME=self.home,
                          XDG_CONFIG_HOME=os.path.join(self.home, ".config"),
                          XDG_DATA_HOME=os.path.join(self.home, ".local", "share"))
        if hasattr(self, "bus"):
            env["DBUS_SESSION_BUS_ADDRESS"] = self.bus
        return env

    def _start(self, argv):
        proc = subprocess.Popen(argv, env=self.env(), stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.procs.append(proc)

    def _pactl(self, *args):
        return subprocess.run(["pactl", *args], env=self.env(), capture_output=True, text=True,
                              timeout=10)

    def __enter__(self):
        # A server that comes up without its null sink (once in many runs,
        # under PipeWire) is ended and started again, from an empty runtime
        # directory.
        for attempt in range(2):
            try:
                self._start_servers()
                return self
            except RuntimeError:
                self._end_servers()
                shutil.rmtree(self.runtime, ignore_errors=True)
                os.mkdir(self.runtime, 0o700)
                self.__dict__.pop("bus", None)
                if attempt == 1:
                    shutil.rmtree(self.dir, ignore_errors=True)
                    raise

    def _start_servers(self):
        if self.kind == "pipewire":
            bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                                   env=self.env(), stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                   text=True)
            self.procs.append(bus)
            self.bus = bus.stdout.readline().strip()
            for program in ("pipewire", "wireplumber", "pipewire-pulse"):
                self._start([program])
        else:
            self._start(["pulseaudio", "--daemonize=no", "--exit-idle-time=-1", "-n",
                         "-L", f"module-null-sink sink_name=nullsink {NULL_SINK_SHAPE}",
                         "-L", "module-native-protocol-unix"])
        socket = os.path.join(self.runtime, "pulse", "native")
        deadline = time.monotonic() + 15
        while time.monotonic() < deadline:
            if os.path.exists(socket) and self._pactl("info").returncode == 0:
                break
            time.sleep(0.05)
        else:
            raise RuntimeError(f"{self.kind} did not start")
        # PipeWire's sink is loaded once its session manager answers, which
        # on a busy machine can take some seconds.
        deadline = time.monotonic() + 20
        loaded = self.kind != "pipewire"
        while True:
            if not loaded:
                made = self._pactl("load-module", "module-null-sink", "sink_name=nullsink",
                                   *NULL_SINK_SHAPE.split())
                loaded = made.returncode == 0
            if loaded and self._pactl("set-default-sink", "nullsink").returncode == 0:
                break
            if time.monotonic() > deadline:
                raise RuntimeError("no null sink")
            time.sleep(0.05)

    def stop_servers(self):
        """Ends the server and everything it needs, as a crash would."""
        for proc in reversed(self.procs):
            proc.kill()
        for proc in self.procs:
            proc.wait(timeout=5)
            if proc.stdout:
                proc.stdout.close()
        self.procs = []

    def freeze(self):
        """Stops the server and everything it needs, so its socket stays
        open and nothing it is asked comes back."""
        for proc in self.procs:
            proc.send_signal(signal.SIGSTOP)

    def _end_servers(self):
        for proc in reversed(self.procs):
            proc.send_signal(signal.SIGCONT)
            proc.terminate()
        for proc in self.procs:
            try:
                proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
            if proc.stdout:
                proc.stdout.close()
        self.procs = []

    def __exit__(self, *exc):
        self._end_servers()
        shutil.rmtree(self.dir, ignore_errors=True)

    def split(self):
        """Two mono sinks, "left" (now the default) and "right", onto the
        null sink's two channels. Whatever the server or its recorder does
        at a moment, a hiccup of a cycle, it does to both channels alike."""
        for side, channel in (("left", "front-left"), ("right", "front-right")):
            made = self._pactl("load-module", "module-remap-sink", f"sink_name={side}",
                               "master=nullsink", "channels=1", "channel_map=mono",
                               f"master_channel_map={channel}", "remix=no")
            if made.returncode != 0:
                raise RuntimeError(f"no sink {side}: {made.stderr}")
        deadline = time.monotonic() + 10
        while self._pactl("set-default-sink", "left").returncode != 0:
            if time.monotonic() > deadline:
                raise RuntimeError("no sink left")
            time.sleep(0.05)

    def record(self, channels=1):
        """A recorder of the sink, started and flowing."""
        recorder = Recorder(self.env(), RECORDER_LATENCY_MS[self.kind], channels)
        recorder.start()
        # A sink nobody records takes a moment to start a new stream.
        if not recorder.flowing.wait(timeout=10):
            raise RuntimeError("the monitor gives no samples")
        time.sleep(0.2)
        return recorder

    def sink_inputs(self):
        return self._pactl("list", "sink-inputs").stdout
