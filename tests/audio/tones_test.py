"""Tones through ALSA, end to end: the program built without a SoundFont
plays note text as tones into a captured "default" device."""

import signal
import unittest

import numpy as np

from audio_lib import LIRKEL, LIRKEL_FLUIDLESS, LIRKEL_FONTLESS, RATE, STOP_WITHIN_MS, Machine, how_it_ends, longest_silence, \
    peak_frequency, tone_segments

MS = RATE // 1000


class Tones(unittest.TestCase):
    def test_g3egege_is_six_gapless_tones_of_128_ms_at_the_table_pitches(self):
        with Machine("file") as machine:
            run = machine.run(LIRKEL_FONTLESS, ["G3EGEGE"])
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(run.stdout, "")  # no SoundFont: tones without a message
        self.assertEqual(run.stderr, "")
        samples = run.samples
        self.assertAlmostEqual(samples.size, 6 * 128 * MS, delta=MS)
        segments = tone_segments(samples)
        self.assertEqual(len(segments), 6, segments)
        lengths = [(end - start) / MS for start, end in segments]
        for length in lengths:
            self.assertAlmostEqual(length, 128, delta=1, msg=lengths)
        # Only the fades between tones dip, for well under the 2 ms a gap would take.
        self.assertLess(longest_silence(samples, 0.01 * np.abs(samples).max()), 2 * MS)
        pitches = [peak_frequency(samples[a:b], 200, 600)[0] for a, b in segments]
        for found, wanted in zip(pitches, [392, 329, 392, 329, 392, 329]):
            self.assertAlmostEqual(found, wanted, delta=0.5, msg=pitches)
        # The tune takes its length, give or take the start of the process.
        self.assertGreater(run.seconds, 0.768)
        self.assertLess(run.seconds, 0.768 + 0.25)

    def test_rests_are_silence_in_the_same_stream_and_dots_add_a_half(self):
        machine = Machine("file")
        # A quarter, an eighth rest, a dotted quarter (two tones: 256 + 128).
        run = machine.run(LIRKEL_FONTLESS, ["C2_3.A2"])
        self.assertEqual(run.returncode, 0, run.stderr)
        samples = run.samples
        self.assertAlmostEqual(samples.size, (256 + 128 + 256 + 128) * MS, delta=MS)
        self.assertAlmostEqual(longest_silence(samples, 1) / MS, 128, delta=1.5)
        segments = tone_segments(samples)
        self.assertEqual([round((b - a) / MS) for a, b in segments], [256, 256, 128])
        pitches = [peak_frequency(samples[a:b], 200, 600)[0] for a, b in segments]
        for found, wanted in zip(pitches, [261, 440, 440]):
            self.assertAlmostEqual(found, wanted, delta=0.5, msg=pitches)


    def test_a_key_mid_note_ends_the_sound_within_50_ms_without_a_click(self):
        with Machine("paced") as machine:
            run = machine.run_in_terminal(LIRKEL_FONTLESS, ["Z40C0"], key_after=1.0)
        self.assertEqual((run.returncode, run.stderr), (0, ""))
        end, last, usual = how_it_ends(run.samples, (RATE // 2, RATE))
        self.assertLess((run.heard_at(end) - run.pressed_at) * 1000, STOP_WITHIN_MS)
        self.assertLess(run.seconds, 1.0 + 1.0)  # not the note's 4 s
        self.assertLess(last, 1.5 * usual)  # a fade, not a click


    def test_a_signal_mid_note_ends_the_sound_within_50_ms_without_a_click(self):
        # Tones and the synthesizer alike close their sound on the way out.
        for program, tune in ((LIRKEL_FONTLESS, "Z40C0"), (LIRKEL, "I079Z40C0")):
            with Machine("paced") as machine:
                run = machine.run_in_terminal(program, [tune], key_after=1.0, signal=signal.SIGTERM)
            self.assertEqual((run.returncode, run.stderr), (-signal.SIGTERM, ""), program)
            end, last, usual = how_it_ends(run.samples, (RATE // 2, RATE))
            self.assertLess((run.heard_at(end) - run.pressed_at) * 1000, STOP_WITHIN_MS, program)
            self.assertLess(last, 1.5 * usual, program)


SILENT = "lirkel: No audio device could be opened: the tune keeps its time in silence.\n"


class NoAudioDevice(unittest.TestCase):
    def test_tones_take_their_time_in_silence_and_one_line_says_so(self):
        # Without a SoundFont, and with one (whose synthesizer finds no
        # device either): the same one line; asked for silence, none.
        for program, args, said in ((LIRKEL_FONTLESS, ["G3EGEGE"], SILENT),
                                    (LIRKEL, ["G3EGEGE"], SILENT),
                                    (LIRKEL_FONTLESS, ["--sound=silent", "G3EGEGE"], "")):
            with Machine("none") as machine:
                run = machine.run(program, args)
            self.assertEqual((run.returncode, run.stdout, run.stderr), (0, "", said), args)
            self.assertGreater(run.seconds, 0.768)
            self.assertLess(run.seconds, 0.768 + 0.4)

    def test_help_and_listing_open_no_sound_and_so_report_no_device(self):
        with Machine("none") as machine:
            for args in (["?"], ["L"]):
                run = machine.run(LIRKEL, args)
                self.assertEqual(run.returncode, 0, run.stderr)
                self.assertEqual(run.stderr, "")
                self.assertNotIn("audio device", run.stdout)
                self.assertIn("LIRKEL", run.stdout.splitlines()[0])


class WithoutTheSynthesizerRuntime(unittest.TestCase):
    def test_a_tune_plays_as_tones_without_a_message(self):
        # A SoundFont is installed, but the FluidSynth runtime is not.
        with Machine("file") as machine:
            run = machine.run(LIRKEL_FLUIDLESS, ["G3EGEGE"])
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual((run.stdout, run.stderr), ("", ""))
        segments = tone_segments(run.samples)
        self.assertEqual(len(segments), 6, segments)
        pitches = [peak_frequency(run.samples[a:b], 200, 600)[0] for a, b in segments]
        for found, wanted in zip(pitches, [392, 329, 392, 329, 392, 329]):
            self.assertAlmostEqual(found, wanted, delta=0.5, msg=pitches)


if __name__ == "__main__":
    unittest.main()
