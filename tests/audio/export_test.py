"""Writing a tune to a file, end to end on the real program: the MIDI file
plays in the program itself and in FluidSynth's own player, the WAV file
holds the tune's pitches (synthesizer and tones) and is streamed to the disk,
a broken SoundFont gives the tones, a file written over keeps its mode and
owner, and each failure leaves one line, exit status 1 and no file."""

import os
import shutil
import signal
import stat
import subprocess
import sys
import time
import unittest

import numpy as np

from audio_lib import LIRKEL, LIRKEL_FONTLESS, RATE, Machine, at_capture_rate, peak_frequency, \
    read_wav, sound_onset, tone_segments
from synth_test import E4, G4, pitch_runs

MS = RATE // 1000
FONT = "/usr/share/sounds/sf2/default-GM.sf2"


def tune_pitches(samples):
    """The pitches of the six eighths, from the first sound to the end of
    the last note (the release after it rings on and is left out)."""
    start = sound_onset(samples)
    return [pitch for pitch, _, _ in pitch_runs(samples[start:start + 770 * MS], [G4, E4])]


class ExportMidi(unittest.TestCase):
    def test_the_file_plays_in_the_program_and_in_fluidsynth(self):
        with Machine("paced") as machine:
            run = machine.run(LIRKEL, ["--export", "six.mid", "I079G3EGEGE"])
            self.assertEqual((run.returncode, run.stdout, run.stderr),
                             (0, "Wrote six.mid, 0:00.8\n", ""))
            self.assertEqual(run.samples.size, 0)  # nothing sounded
            # The program's own check accepts it and plays it.
            played = machine.run(LIRKEL, ["six"])
            self.assertEqual(played.stdout, "six.mid\n\navbryt tryck \n", played.stderr)
            self.assertEqual(tune_pitches(played.samples), [G4, E4] * 3)
            if shutil.which("fluidsynth"):
                out = machine.path("six.wav")
                subprocess.run(["fluidsynth", "-ni", "-F", out, "-r", "48000", FONT,
                                machine.path("six.mid")], capture_output=True, check=True,
                               timeout=60)
                samples, _, _ = read_wav(out)
                self.assertGreater(np.abs(samples).max(), 1000)
                self.assertEqual(tune_pitches(at_capture_rate(samples, 48000)), [G4, E4] * 3)


    def test_a_karaoke_player_shows_the_lyrics_as_the_program_does(self):
        if not shutil.which("timidity"):
            self.skipTest("needs timidity")
        tune = "Z02\"Lyrics\"<Hap->C2<py.>D<Day one,>E<day two>F"
        with Machine("none") as machine:
            played = machine.run(LIRKEL, [tune])
            exported = machine.run(LIRKEL, ["--export", "lyrics.mid", tune])
            self.assertEqual(exported.returncode, 0, exported.stderr)
            with open(machine.path("timidity.cfg"), "w") as f:
                f.write(f"soundfont {FONT}\n")
            # The dumb interface prints each lyric event as it comes.
            shown = subprocess.run(["timidity", "-c", machine.path("timidity.cfg"), "-id",
                                    "--trace-text-meta", "-Ow", "-o", "/dev/null",
                                    machine.path("lyrics.mid")],
                                   capture_output=True, text=True, timeout=60).stdout
        screen = played.stdout[played.stdout.index('"Lyrics"\n') + 9:]
        self.assertIn("\nHap- py. \nDay one, day two ", shown)
        self.assertEqual(screen, "Hap- py. \nDay one, day two \n")


class ExportWav(unittest.TestCase):
    def test_the_synthesizer_renders_the_tune_with_its_release(self):
        with Machine("none") as machine:
            run = machine.run(LIRKEL, ["--export", "six.wav", "I079G3EGEGE"])
            self.assertEqual((run.returncode, run.stderr), (0, ""))
            samples, rate, channels = read_wav(machine.path("six.wav"))
        self.assertEqual((rate, channels), (44100, 2))
        # The tune's 768 ms and the fade of its last note, not the silence after.
        self.assertGreater(samples.size / rate, 0.80)
        self.assertLess(samples.size / rate, 0.768 + 4.0)
        self.assertLess(np.abs(samples[-rate // 20:]).max(), 0.05 * np.abs(samples).max())
        self.assertEqual(tune_pitches(at_capture_rate(samples, rate)), [G4, E4] * 3)

    def test_without_a_soundfont_the_tones_are_those_the_speaker_plays(self):
        with Machine("none") as machine:
            run = machine.run(LIRKEL_FONTLESS, ["--export", "six.wav", "I079G3EGEGE"])
            self.assertEqual((run.returncode, run.stdout, run.stderr),
                             (0, "Wrote six.wav, 0:00.8\n", ""))
            samples, rate, channels = read_wav(machine.path("six.wav"))
        self.assertEqual((rate, channels), (RATE, 1))
        self.assertEqual(samples.size, 6 * 128 * MS)
        segments = tone_segments(samples)
        self.assertEqual([round((b - a) / MS) for a, b in segments], [128] * 6)
        pitches = [peak_frequency(samples[a:b], 200, 600)[0] for a, b in segments]
        for found, wanted in zip(pitches, [392, 329] * 3):
            self.assertAlmostEqual(found, wanted, delta=0.5, msg=pitches)


def peak_rss_mb(machine, program, args):
    """Runs the program to its end and answers its peak memory, as GNU time
    reads it (a child of this script would count the script's own too)."""
    run = machine.run("/usr/bin/time", ["-f", "%M", program] + args, timeout=120)
    assert run.returncode == 0, run.stderr
    return int(run.stderr.strip().splitlines()[-1]) / 1024


class ExportStreams(unittest.TestCase):
    """The sound goes to the disk as it is made: a tune 250 times as long
    takes no more memory (the whole file in memory would be 240 MB of tones,
    45 MB of synthesizer)."""

    def test_peak_memory_does_not_grow_with_the_tune(self):
        short, long_tones, long_synth = "Z99C0", "Z99C0" + "C" * 250, "Z99C0" + "C" * 25
        for program, tune, megabytes in ((LIRKEL_FONTLESS, long_tones, 238),
                                         (LIRKEL, long_synth, 45)):
            with self.subTest(program), Machine("none") as machine:
                small = peak_rss_mb(machine, program, ["--export", "s.wav", short])
                large = peak_rss_mb(machine, program, ["--export", "l.wav", tune])
                size = os.path.getsize(machine.path("l.wav")) / 1e6
                print(f"\n{os.path.basename(program)}: {size:.0f} MB file, peak {large:.1f} MB "
                      f"beside {small:.1f} MB for 10 s", file=sys.stderr)
                self.assertGreater(size, megabytes)
                self.assertLess(large - small, 16)


class ExportOverAFile(unittest.TestCase):
    def test_the_file_replaced_keeps_its_mode_and_its_owner(self):
        with Machine("none") as machine:
            path = machine.path("keep.mid")
            with open(path, "w") as f:
                f.write("old")
            os.chmod(path, 0o640)
            owner = (65534, 65534) if os.geteuid() == 0 else (os.getuid(), os.getgid())
            if os.geteuid() == 0:
                os.chown(path, *owner)
            os.link(path, machine.path("other-link"))
            run = machine.run(LIRKEL, ["--export", "keep.mid", "C"])
            self.assertEqual(run.returncode, 0, run.stderr)
            info = os.stat(path)
            self.assertEqual(stat.S_IMODE(info.st_mode), 0o640)
            self.assertEqual((info.st_uid, info.st_gid), owner)
            with open(path, "rb") as f:
                self.assertEqual(f.read(4), b"MThd")
            # The other hard link keeps the old contents: the link is split.
            with open(machine.path("other-link")) as f:
                self.assertEqual(f.read(), "old")


class ExportedText(unittest.TestCase):
    def test_a_text_longer_than_255_characters_is_cut_with_one_line_saying_where(self):
        with Machine("none") as machine:
            run = machine.run(LIRKEL, ["--export", "cut.mid", "C" * 400])
            with open(machine.path("cut.mid"), "rb") as f:
                notes = f.read().count(b"\x90\x3c\x7f")
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(run.stderr, "lirkel: the text is longer than 255 characters; it is cut "
                                     "after character 255, before \"CCCCCCCCCCCC...\"\n")
        self.assertEqual(notes, 255)


class ExportWithABrokenSoundFont(unittest.TestCase):
    """A broken SoundFont in the system's place: one line naming it, as a
    run that plays gives, then the tones."""

    place = "/usr/share/sounds"

    def test_the_tones_are_written_after_one_line(self):
        if os.geteuid() != 0 or not os.path.isdir(self.place) or shutil.which("unshare") is None:
            self.skipTest("needs root, unshare and " + self.place)
        with Machine("none") as machine:
            os.makedirs(machine.path("sounds/sf2"))
            with open(machine.path("sounds/sf2/default-GM.sf2"), "wb") as f:
                f.write(b"RIFF\x00\x10\x00\x00sfbkLIST" + bytes(range(256)) * 16)
            script = 'mount --bind "$1" "$2" && shift 2 && exec "$@"'
            run = machine.run("unshare", ["--mount", "sh", "-c", script, "-",
                                          machine.path("sounds"), self.place, LIRKEL,
                                          "--export", "six.wav", "G3EGEGE"])
            self.assertEqual((run.returncode, run.stdout), (0, "Wrote six.wav, 0:00.8\n"),
                             run.stderr)
            self.assertEqual(run.stderr, f"lirkel: {self.place}/sf2/default-GM.sf2: The General MIDI "
                                         "SoundFont could not be loaded. six.wav gets the tones "
                                         "instead.\n")
            samples, rate, channels = read_wav(machine.path("six.wav"))
        self.assertEqual((rate, channels, samples.size), (RATE, 1, 6 * 128 * MS))
        self.assertEqual(len(tone_segments(samples)), 6)


class ExportFailures(unittest.TestCase):
    def fails(self, machine, args, says, status=1):
        run = machine.run(LIRKEL, ["--export"] + args)
        self.assertEqual(run.returncode, status, run.stdout)
        self.assertEqual(run.stdout, "")
        # A missing file name is a wrong command line: a second line points to --help.
        self.assertEqual(run.stderr.count("\n"), status, run.stderr)
        self.assertIn(says, run.stderr)

    def test_each_failure_is_one_line_and_leaves_no_file(self):
        with Machine("none") as machine:
            self.fails(machine, [], "requires an argument", status=2)
            self.fails(machine, ["tune.ogg", "C"], "tune.ogg")
            self.fails(machine, ["missing/tune.mid", "C"], "No such file or directory")
            os.mkdir(machine.path("taken.mid"))
            self.fails(machine, ["taken.mid", "C"], "taken.mid")
            self.fails(machine, ["tune.mid", "fernando"], "FERNANDO")
            left = sorted(os.listdir(machine.home))
        self.assertEqual([name for name in left if "tune" in name or "lirkel" in name], [])

    def test_a_signal_in_a_long_export_ends_it_by_that_signal_without_a_file(self):
        with Machine("none") as machine:
            proc = subprocess.Popen([LIRKEL, "--export", "long.wav", "Z99C0" + "C" * 250],
                                    stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                    env=machine.env(), cwd=machine.home)
            time.sleep(0.5)
            proc.send_signal(signal.SIGINT)
            self.assertEqual(proc.wait(timeout=10), -signal.SIGINT)
            self.assertEqual([name for name in os.listdir(machine.home)
                              if "long" in name or "lirkel" in name], [])

    def test_a_link_at_the_name_is_replaced_not_written_through(self):
        with Machine("none") as machine:
            victim = machine.path("victim")
            with open(victim, "w") as f:
                f.write("keep me")
            os.symlink(victim, machine.path("tune.mid"))
            run = machine.run(LIRKEL, ["--export", "tune.mid", "C"])
            self.assertEqual(run.returncode, 0, run.stderr)
            with open(victim) as f:
                self.assertEqual(f.read(), "keep me")
            self.assertFalse(os.path.islink(machine.path("tune.mid")))
            with open(machine.path("tune.mid"), "rb") as f:
                self.assertEqual(f.read(4), b"MThd")


if __name__ == "__main__":
    unittest.main()
