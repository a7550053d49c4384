"""lirkel --run, heard: after the command the success tune rises and the
failure tune falls, as tones into a captured ALSA device; --if-longer keeps
a quick command quiet; and the wait after the command is the tune's own
length."""

import unittest

from audio_lib import LIRKEL_FONTLESS, RATE, Machine, peak_frequency, tone_segments

MS = RATE // 1000
# Both defaults: three eighths and a half note at a whole note of 1.2 s.
TUNE_MS = 3 * 150 + 600
SUCCESS = "Z12I056XHC3EGXIC1"


def pitches(samples):
    return [round(peak_frequency(samples[a:b], 150, 700)[0]) for a, b in tone_segments(samples)]


class RunThenPlay(unittest.TestCase):
    def test_success_rises_and_failure_falls(self):
        with Machine("file") as machine:
            success = machine.run(LIRKEL_FONTLESS, ["--run", "true"])
        with Machine("file") as machine:
            failure = machine.run(LIRKEL_FONTLESS, ["--run", "false"])
        self.assertEqual((success.returncode, failure.returncode), (0, 1))
        self.assertEqual((success.stderr, failure.stderr), ("", ""))
        up, down = pitches(success.samples), pitches(failure.samples)
        print(f"\nsuccess {up} Hz, failure {down} Hz", flush=True)
        self.assertEqual(len(up), 4)
        self.assertEqual(len(down), 4)
        self.assertEqual(up, sorted(up))
        self.assertEqual(down, sorted(down, reverse=True))
        for samples in (success.samples, failure.samples):
            self.assertAlmostEqual(samples.size / MS, TUNE_MS, delta=2)

    def test_if_longer_keeps_a_quick_command_quiet_and_the_wait_after_is_the_tune(self):
        with Machine("file") as machine:
            quick = machine.run(LIRKEL_FONTLESS, ["--run", "--if-longer", "2", "sleep", "0.1"])
        self.assertEqual(quick.returncode, 0)
        self.assertEqual(quick.samples.size, 0)
        self.assertLess(quick.seconds, 0.5)
        with Machine("file") as machine:
            slow = machine.run(LIRKEL_FONTLESS, ["--run", "--if-longer", "2", "sleep", "2.5"])
            plain = machine.run(LIRKEL_FONTLESS, [SUCCESS])
        self.assertEqual(slow.returncode, 0)
        self.assertEqual(len(pitches(slow.samples)), 4)
        # What follows the command costs what a run of the tune alone costs.
        after = (slow.seconds - 2.5) * 1000
        print(f"\nafter a 2.5 s command: {after:.0f} ms to the end; the tune alone: "
              f"{plain.seconds * 1000:.0f} ms as a run, {TUNE_MS} ms of sound", flush=True)
        self.assertGreater(after, TUNE_MS)
        self.assertLess(after, plain.seconds * 1000 + 150)


if __name__ == "__main__":
    unittest.main()
