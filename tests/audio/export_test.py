"""Writing a tune to a file, end to end on the real program: the MIDI file
plays in the program itself and in FluidSynth's own player, the WAV file
holds the tune's pitches (synthesizer and tones), and each failure leaves
one line, exit status 1 and no file."""

import os
import shutil
import subprocess
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


class ExportFailures(unittest.TestCase):
    def fails(self, machine, args, says):
        run = machine.run(LIRKEL, ["--export"] + args)
        self.assertEqual(run.returncode, 1, run.stdout)
        self.assertEqual(run.stdout, "")
        self.assertEqual(run.stderr.count("\n"), 1, run.stderr)
        self.assertIn(says, run.stderr)

    def test_each_failure_is_one_line_and_leaves_no_file(self):
        with Machine("none") as machine:
            self.fails(machine, [], "needs a file name")
            self.fails(machine, ["tune.ogg", "C"], "tune.ogg")
            self.fails(machine, ["missing/tune.mid", "C"], "No such file or directory")
            os.mkdir(machine.path("taken.mid"))
            self.fails(machine, ["taken.mid", "C"], "taken.mid")
            self.fails(machine, ["tune.mid", "fernando"], "FERNANDO")
            left = sorted(os.listdir(machine.home))
        self.assertEqual([name for name in left if "tune" in name or "lirkel" in name], [])

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
