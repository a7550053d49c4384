"""MIDI files, end to end: files made here are looked up, checked and played
by the sequencer into a captured, paced "default" device."""

import fcntl
import os
import pty
import select
import signal
import subprocess
import sys
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

    def test_a_file_of_200000_notes_on_one_tick_plays_and_ends(self):
        # It passes the check (600 kB, no time at all); the synthesizer takes
        # seconds to start so many notes, and the program waited for it only
        # a second before it let go of the file's player under it: SIGSEGV.
        events = b"\x00\x90\x3c\x64" * 200000 + b"\x00\xff\x2f\x00"
        data = (b"MThd" + (6).to_bytes(4, "big") + bytes([0, 0, 0, 1, 1, 0xE0]) + b"MTrk"
                + len(events).to_bytes(4, "big") + events)
        with Machine("file") as machine:
            with open(machine.path("dense.mid"), "wb") as f:
                f.write(data)
            run = machine.run(LIRKEL, ["dense"], timeout=60)
        self.assertEqual((run.returncode, run.stderr), (0, ""))
        self.assertEqual(run.stdout, "dense.mid\n\navbryt tryck \n")
        self.assertGreater(np.abs(run.samples).max(), 1000)

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
        self.assertEqual(run.stdout, "")
        self.assertEqual(run.stderr, f"lirkel: {name}.mid: {line}\n")
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


    def test_files_too_large_or_long_and_forms_the_player_cannot_play(self):
        tune = midi_file([(A4, 480)])
        header, track = tune[:14], tune[22:]
        track_chunk = tune[14:]
        def chunk(name, body):
            return name + len(body).to_bytes(4, "big") + body
        def one_track(body, division=480):
            return header[:12] + division.to_bytes(2, "big") + chunk(b"MTrk", body)
        def tracks(count):
            # The tune in the first, nothing but their ends in the others.
            return (header[:8] + b"\0\1" + count.to_bytes(2, "big") + header[12:] + track_chunk +
                    chunk(b"MTrk", b"\x00\xff\x2f\x00") * (count - 1))
        cases = {
            # One delta time of 0x0FFFFFFF ticks: 16 days at 120 a minute.
            "long delta": (one_track(b"\xff\xff\xff\x7f\xff\x2f\x00"), "too long"),
            # The slowest tempo with one tick a quarter: 500 ticks, 2.3 hours.
            "slow tempo": (one_track(b"\x00\xff\x51\x03\xff\xff\xff\x83\x74\xff\x2f\x00",
                                     division=1), "too long"),
            "tempo of 2 bytes": (one_track(b"\x00\xff\x51\x02\x07\xa1" + track), "form"),
            "tempo of 4 bytes": (one_track(b"\x00\xff\x51\x04\x00\x07\xa1\x20" + track), "form"),
            "SMPTE time": (one_track(track, division=0xE728), "form"),
            "header of 8": (b"MThd" + (8).to_bytes(4, "big") + header[8:] + b"\0\0" + track_chunk,
                            "form"),
            "chunk before the track": (header + chunk(b"XFIH", b"abcd") + track_chunk, "form"),
            "non-ASCII chunk": (header + chunk(b"\xff\xfe\x01\x02", b"") + track_chunk, "form"),
            "running status after sysex": (
                one_track(b"\x00\x90\x45\x64\x00\xf0\x02\x7e\xf7\x00\x45\x00" + track), "event"),
            # The player plays nothing of a file of 128 tracks or more.
            "128 tracks": (tracks(128), "form"),
            # More than the synthesizer can apply in a moment.
            "250001 notes on one tick": (one_track(b"\x00\x90\x45\x64" * 250001 +
                                                   b"\x00\xff\x2f\x00"), "at once"),
        }
        lines = {"too long": "The MIDI file would play longer than any tune (2 hours at most).",
                 "form": "The MIDI file uses a form the player cannot play.",
                 "event": "The MIDI file holds an event that cannot be read.",
                 "at once": "The MIDI file holds more events at once than any tune (250000 in "
                            "a second at most)."}
        for what, (data, fault) in cases.items():
            with self.subTest(what):
                self.check("bad", self.write(data), lines[fault])
        with Machine("file") as machine:
            self.write(tracks(127))(machine.path("most.mid"))
            run = machine.run(LIRKEL, ["most"])
        self.assertEqual(run.stdout, "most.mid\n\navbryt tryck \n", run.stderr)
        self.assertGreater(loudest(run.samples), 1000)

    def test_huge_blocking_and_special_files_are_refused_at_once(self):
        measure = ("import resource, subprocess, sys\n"
                   "subprocess.run(sys.argv[1:])\n"
                   "sys.stderr.write(str(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss))\n")
        def sparse(path):
            with open(path, "wb") as f:
                f.write(midi_file([(A4, 480)]))
                f.truncate(2 << 30)
        def blocking(path):
            os.symlink("/proc/kmsg" if os.geteuid() == 0 else "/dev/tty", path)
        # A pipe or a device is no file to play: it is passed over, and the
        # argument is played as notes. A file whose read would block (the
        # kernel log, for root) is read without waiting or refused.
        cases = [("2 GB sparse", sparse, ["The MIDI file is larger than any tune (16 MB at most)."]),
                 ("FIFO", os.mkfifo, [""]),
                 ("device", lambda path: os.symlink("/dev/zero", path), [""]),
                 ("blocking read", lambda path: os.symlink("/proc/kmsg", path),
                  ["The MIDI file could not be read.", "The file is not a Standard MIDI File.",
                   "The MIDI file is empty."])]
        for what, make, lines in cases:
            with self.subTest(what), Machine("file") as machine:
                make(machine.path("big.mid"))
                run = machine.run(sys.executable, ["-c", measure, LIRKEL, "big"], timeout=10)
                # lirkel's own line on standard error, if any, then the peak.
                *said, peak = run.stderr.split("\n")
                peak_kb = int(peak)
                print(f"\n{what}: ended in {run.seconds * 1000:.0f} ms, peak {peak_kb // 1024} MB",
                      file=sys.stderr)
                self.assertEqual(run.stdout, "")
                self.assertIn(said[0].removeprefix("lirkel: big.mid: ") if said else "", lines)
                self.assertLess(run.seconds, 1.0 if lines[0] else 3.0)
                self.assertLess(peak_kb, 256 * 1024)

class EndsCleanly(unittest.TestCase):
    def test_a_signal_mid_note_ends_the_run_at_once(self):
        # SIGTERM, and signals nobody thinks of that still end a process.
        for number in (signal.SIGTERM, signal.SIGUSR1, signal.SIGALRM, signal.SIGRTMIN + 3):
            with self.subTest(int(number)):
                self.end_by(number)

    def end_by(self, number):
        with Machine("paced") as machine:
            reader = machine._start_reader()
            # One whole note of 9.9 seconds.
            proc = subprocess.Popen([LIRKEL, "Z99C0"], stdin=subprocess.DEVNULL,
                                    stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                    env=machine.env(), cwd=machine.home)
            time.sleep(0.8)
            proc.send_signal(number)
            sent = time.monotonic()
            try:
                proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
            ended = time.monotonic()
            proc.stdout.close()
            stderr = proc.stderr.read()
            proc.stderr.close()
            samples = reader.finish()
        self.assertLess(ended - sent, 0.5)
        self.assertEqual(proc.returncode, -number)  # ended by the same signal
        self.assertEqual(stderr, b"")
        self.assertGreater(loudest(samples), 1000)  # the note was sounding

if __name__ == "__main__":
    unittest.main()
