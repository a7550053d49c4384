"""The General MIDI synthesizer, end to end: the program with the system's
SoundFont plays note text through FluidSynth into a captured, paced
"default" device."""

import glob
import os
import shutil
import unittest

import numpy as np

from audio_lib import LIRKEL, RATE, STOP_WITHIN_MS, Machine, band_level, how_it_ends, peak_frequency, sound_onset

MS = RATE // 1000
G4, E4 = 392.0, 329.63


def pitch_runs(samples, pitches, notes_ms=None):
    """Splits the sound into runs of one pitch: every 10 ms, which of the
    pitches is strongest over the next 20 ms. Answers (pitch, start, end)
    in samples; runs under 30 ms (the change from one note to the next)
    are left out, and with notes_ms those that begin after the notes' own
    length from the first sound: in the last note's release a longer
    reverberation (FluidR3's) can make the one before it the stronger."""
    hop = 10 * MS
    loudest = np.abs(samples).max()
    labels = []
    for start in range(0, samples.size - 2 * hop, hop):
        window = samples[start:start + 2 * hop]
        if np.abs(window).max() < 0.05 * loudest:
            labels.append(None)
        else:
            labels.append(max(pitches, key=lambda p: band_level(window, p, 0.02)))
    runs = []
    for i, label in enumerate(labels):
        if runs and runs[-1][0] == label and runs[-1][2] == i * hop:
            runs[-1][2] = (i + 1) * hop
        else:
            runs.append([label, i * hop, (i + 1) * hop])
    first = sound_onset(samples)
    return [tuple(r) for r in runs if r[0] is not None and r[2] - r[1] >= 30 * MS
            and (notes_ms is None or r[1] < first + notes_ms * MS)]


class Synth(unittest.TestCase):
    def play(self, tune):
        with Machine("paced") as machine:
            run = machine.run(LIRKEL, [tune])
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual((run.stdout, run.stderr), ("", ""))
        return run

    def test_g3egege_sounds_the_six_pitches_in_order(self):
        samples = self.play("G3EGEGE").samples
        runs = pitch_runs(samples, [G4, E4], 6 * 128)
        self.assertEqual([pitch for pitch, _, _ in runs], [G4, E4, G4, E4, G4, E4], runs)
        for k, (pitch, start, end) in enumerate(runs):
            found, _ = peak_frequency(samples[start:end], pitch * 0.97, pitch * 1.03)
            self.assertAlmostEqual(found, pitch, delta=pitch * 0.005, msg=f"note {k + 1}")
        # Between the first and the last note (whose edges the start-up and the
        # end blur), each note lasts its 128 ms.
        for pitch, start, end in runs[1:-1]:
            self.assertAlmostEqual((end - start) / MS, 128, delta=25, msg=runs)

    def test_notes_start_on_their_millisecond(self):
        # A xylophone (program 13) strikes at once, so each note's start is
        # the first loud sample after a quiet; a sixteenth at Z10 is 62 ms.
        # Notes are placed at their sample, not at the next buffer of audio.
        def onsets(samples):
            loud = np.where(np.abs(samples) > 0.5 * np.abs(samples).max())[0]
            apart = np.where(np.diff(loud) > 100 * MS)[0]
            return np.concatenate(([loud[0]], loud[apart + 1]))

        steady = np.diff(onsets(self.play("Z10I013" + "C4_4_3" * 12).samples)) / MS
        self.assertEqual(steady.size, 11)
        for gap in steady:  # the xylophone's period (1.9 ms) blurs the edge
            self.assertAlmostEqual(gap, 62 + 62 + 125, delta=2, msg=steady)
        uneven = np.diff(onsets(self.play("Z10I013C4_4D4_3.E3_3").samples)) / MS
        self.assertEqual(uneven.size, 2)
        for gap, wanted in zip(uneven, [62 + 62, 62 + 125]):
            self.assertAlmostEqual(gap, wanted, delta=2, msg=uneven)

    def test_the_last_note_ends_with_its_release(self):
        # The piano's release rings on after the six notes' 768 ms and fades
        # out, where it used to stop there at full strength, with a click.
        with Machine("file") as machine:
            run = machine.run(LIRKEL, ["I000G3EGEGE"])
        self.assertEqual((run.returncode, run.stdout, run.stderr), (0, "", ""))
        samples = run.samples.reshape(-1, 2).mean(axis=1)
        def rms(a, b):
            return np.sqrt(np.mean(samples[int(a * RATE):int(b * RATE)] ** 2))
        last_note = rms(0.70, 0.765)
        self.assertGreater(samples.size, 0.768 * RATE + 50 * MS)
        self.assertGreater(rms(0.768, 0.818), 0.1 * last_note)  # 50 ms of release, and more
        self.assertLess(np.sqrt(np.mean(samples[-5 * MS:] ** 2)), 0.1 * last_note)  # -20 dB
        self.assertLess(samples.size, 0.768 * RATE + 1.5 * RATE + 20 * MS)

    def test_a_key_mid_note_ends_the_sound_within_50_ms_without_a_click(self):
        with Machine("paced") as machine:
            run = machine.run_in_terminal(LIRKEL, ["I079Z40C0"], key_after=1.0)
        self.assertEqual((run.returncode, run.stderr), (0, ""))
        samples = run.samples.astype(np.float64)
        end, last, usual = how_it_ends(samples, (RATE // 2, RATE))
        self.assertLess((run.heard_at(end) - run.pressed_at) * 1000, STOP_WITHIN_MS)
        self.assertLess(run.seconds, 1.0 + 1.0)  # not the note's 4 s
        self.assertLess(last, 1.5 * usual)  # a fade, not a click

    def test_instrument_token_changes_the_program(self):
        # The organ (program 16, the opening instrument) sounds strongly an
        # octave below the note; the ocarina (79) is nearly a pure tone.
        def octave_below_ratios(tune):
            samples = self.play(tune).samples
            runs = pitch_runs(samples, [G4, E4], 6 * 128)
            self.assertEqual(len(runs), 6, runs)
            return [band_level(samples[a:b], p / 2) / band_level(samples[a:b], p) for p, a, b in runs]

        organ = octave_below_ratios("G3EGEGE")
        ocarina = octave_below_ratios("I079G3EGEGE")
        self.assertGreater(min(organ), 0.3, organ)
        self.assertLess(max(ocarina), 0.05, ocarina)


if __name__ == "__main__":
    unittest.main()


class BrokenSoundFont(unittest.TestCase):
    """A broken SoundFont in the system's place (a private mount namespace
    shows a scratch directory there): at most our one line, nothing from the
    libraries below, and the tune still sounds."""

    place = "/usr/share/sounds"

    def setUp(self):
        if os.geteuid() != 0 or not os.path.isdir(self.place) or shutil.which("unshare") is None:
            self.skipTest("needs root, unshare and " + self.place)

    def run_with_font(self, data):
        with Machine("file") as machine:
            os.makedirs(machine.path("sounds/sf2"))
            with open(machine.path("sounds/sf2/default-GM.sf2"), "wb") as f:
                f.write(data)
            script = 'mount --bind "$1" "$2" && shift 2 && exec "$@"'
            return machine.run("unshare", ["--mount", "sh", "-c", script, "-",
                                           machine.path("sounds"), self.place, LIRKEL, "Z10C1"])

    def test_garbage_truncated_and_bit_flipped_fonts(self):
        random = np.random.default_rng(12)
        good = b""
        for font in sorted(glob.glob(self.place + "/sf2/*.sf2"), key=os.path.getsize):
            with open(font, "rb") as f:
                good = f.read()
            break
        flipped = bytearray(good)
        for at in random.integers(0, max(len(good), 1), 2000):
            if flipped:
                flipped[at] ^= 0xFF
        cases = {"garbage": random.bytes(4000),
                 "RIFF head then garbage": b"RIFF\x00\x10\x00\x00sfbkLIST" + random.bytes(4000),
                 "truncated": good[:len(good) // 3],
                 "bit-flipped": bytes(flipped)}
        for what, data in cases.items():
            if not data:
                continue
            with self.subTest(what):
                run = self.run_with_font(data)
                self.assertEqual(run.returncode, 0, run.stderr)
                self.assertEqual(run.stdout, "")
                # At most the one line that says why the synthesizer did not start.
                self.assertLessEqual(run.stderr.count("\n"), 1, run.stderr)
                self.assertGreater(np.abs(run.samples).max(), 1000)
