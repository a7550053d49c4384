"""MIDI files, end to end: files made here are looked up, checked and played
by the sequencer into a captured, paced "default" device."""

import fcntl
import os
import pty
import select
import signal
import subprocess
import termios
import time
import unittest

import numpy as np

from audio_lib import LIRKEL, RATE, Machine, midi_file, peak_frequency

MS = RATE // 1000
A4 = 69


def loudest(samples):
    return float(np.abs(samples).max()) if samples.size else 0.0


class PlaysFiles(unittest.TestCase):
    def test_without_a_terminal_the_wait_ends_with_the_music(self):
        with Machine("paced") as machine:
            # Four quarter notes at 120 beats a minute: two seconds of A.
            with open(machine.path("song.mid"), "wb") as f:
                f.write(midi_file([(A4, 480)] * 4, program=79))
            run = machine.run(LIRKEL, ["song"])
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(run.stdout, "song.mid\n\navbryt tryck \n")
        self.assertEqual(run.stderr, "")
        # Two seconds of music, then at most one second for its last note to fade.
        self.assertGreater(run.seconds, 1.9)
        self.assertLess(run.seconds, 3.6)
        samples = run.samples
        loud = np.where(np.abs(samples) > 0.1 * loudest(samples))[0]
        found, _ = peak_frequency(samples[loud[0]:loud[-1]], 400, 480)
        self.assertAlmostEqual(found, 440, delta=2)

    def test_a_key_in_a_terminal_stops_the_file(self):
        with Machine("paced") as machine:
            # Twenty seconds of music; the key comes after about one.
            with open(machine.path("long.mid"), "wb") as f:
                f.write(midi_file([(A4, 480)] * 40, program=79))
            reader = machine._start_reader()
            master, slave = pty.openpty()
            started = time.monotonic()
            # The terminal is the program's controlling terminal, as in a shell.
            proc = subprocess.Popen([LIRKEL, "long"], stdin=slave, stdout=slave,
                                    stderr=subprocess.PIPE, env=machine.env(), cwd=machine.home,
                                    start_new_session=True,
                                    preexec_fn=lambda: fcntl.ioctl(0, termios.TIOCSCTTY, 0))
            os.close(slave)
            shown = b""
            while b"avbryt tryck " not in shown and time.monotonic() - started < 10:
                if select.select([master], [], [], 0.5)[0]:
                    shown += os.read(master, 1024)
            time.sleep(1.0)
            os.write(master, b"q")
            pressed = time.monotonic()
            try:
                returncode = proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
                returncode = None
            ended = time.monotonic()
            while select.select([master], [], [], 0.1)[0]:
                try:
                    shown += os.read(master, 1024)
                except OSError:
                    break
            os.close(master)
            proc.stderr.close()
            samples = reader.finish()
        self.assertIn(b"long.mid\r\n\r\navbryt tryck ", shown)
        self.assertEqual(returncode, 0)
        self.assertLess(ended - pressed, 1.0)
        self.assertGreater(loudest(samples), 1000)


class RefusesBadFiles(unittest.TestCase):
    """A file that is found but cannot be played gives one line, and the
    argument is not played as notes either (B, A and D would sound)."""

    def check(self, name, make_file, line):
        with Machine("paced") as machine:
            make_file(machine.path(name + ".mid"))
            run = machine.run(LIRKEL, [name])
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(run.stdout, line + "\n")
        self.assertEqual(run.stderr, "")
        self.assertLess(loudest(run.samples), 50)

    def write(self, data):
        def make(path):
            with open(path, "wb") as f:
                f.write(data)
        return make

    def test_garbage(self):
        self.check("bad", self.write(b"not music at all, just words\n" * 20),
                   "The file is not a Standard MIDI File.")

    def test_truncated(self):
        whole = midi_file([(A4, 480)] * 4)
        self.check("bad", self.write(whole[:-7]), "The MIDI file is cut short.")

    def test_event_that_cannot_be_read(self):
        whole = bytearray(midi_file([(A4, 480)]))
        whole[whole.index(b"\x90")] = 0x45  # a data byte with no status before it
        self.check("bad", self.write(bytes(whole)), "The MIDI file holds an event that cannot be read.")

    def test_track_without_an_end(self):
        whole = midi_file([(A4, 480)])
        track = whole[22:-4]
        data = whole[:18] + len(track).to_bytes(4, "big") + track
        self.check("bad", self.write(data), "A track of the MIDI file has no proper end.")

    def test_empty(self):
        self.check("dab", self.write(b""), "The MIDI file is empty.")

    def test_unreadable(self):
        def make(path):
            if os.geteuid() == 0:
                # Root reads any file; this one exists as a regular file but
                # every read of it fails.
                os.symlink("/proc/self/mem", path)
            else:
                self.write(midi_file([(A4, 480)]))(path)
                os.chmod(path, 0)
        self.check("bad", make, "The MIDI file could not be read.")


class EndsCleanly(unittest.TestCase):
    def test_a_signal_mid_note_ends_the_run_at_once(self):
        with Machine("paced") as machine:
            reader = machine._start_reader()
            # One whole note of 9.9 seconds.
            proc = subprocess.Popen([LIRKEL, "Z99C0"], stdin=subprocess.DEVNULL,
                                    stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                    env=machine.env(), cwd=machine.home)
            time.sleep(0.8)
            proc.send_signal(signal.SIGTERM)
            sent = time.monotonic()
            try:
                proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
            ended = time.monotonic()
            proc.stdout.close()
            proc.stderr.close()
            samples = reader.finish()
        self.assertLess(ended - sent, 0.5)
        self.assertGreater(loudest(samples), 1000)  # the note was sounding


if __name__ == "__main__":
    unittest.main()
