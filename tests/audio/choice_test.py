"""The user's choice of sound, end to end on the real program with ALSA's
output captured: the SoundFont (two fonts whose renders differ), tones,
silence and no sound at all, a named ALSA device, the volume live and in a
WAV file, and what --sound-check says on each kind of machine."""

import os
import re
import time
import unittest
import wave

import numpy as np

from audio_lib import LIRKEL, LIRKEL_BARE, LIRKEL_FONTLESS, NO_SOUNDFONTS, RATE, Machine, \
    band_level, peak_frequency, sound_onset, tone_segments

MS = RATE // 1000
SYSTEM = "/usr/share/sounds/sf2"
FLUID = SYSTEM + "/FluidR3_GM.sf2"
TIM = SYSTEM + "/TimGM6mb.sf2"
DEFAULT = SYSTEM + "/default-GM.sf2"
# The tune's time in silence is kept to this: the plain build's 20 ms, and
# twice that under the sanitizers, which slow the program's every step.
SILENCE_WITHIN_S = 0.040 if os.environ.get("LIRKEL_SANITIZED") == "1" else 0.020
SILENT = "lirkel: No audio device could be opened: the tune keeps its time in silence.\n"


def fonts_installed(*fonts):
    return all(os.path.isfile(font) for font in fonts)


def raw(path):
    if not os.path.exists(path):
        return np.zeros(0)
    with open(path, "rb") as f:
        data = f.read()
    return np.frombuffer(data[: len(data) // 2 * 2], dtype="<i2").astype(np.float64)


def wav(path):
    with wave.open(path) as w:
        data = np.frombuffer(w.readframes(w.getnframes()), dtype="<i2").astype(np.float64)
        return data, w.getframerate(), w.getnchannels()


def piano_profile(samples):
    """How strong harmonics 2 to 6 of a piano's middle C are against the
    first, in dB, over 300 ms from its strike: a SoundFont's fingerprint."""
    mono = samples.reshape(-1, 2).mean(axis=1)
    start = sound_onset(mono) + 30 * MS
    mono = mono[start:start + 300 * MS]
    first = band_level(mono, 261.63)
    return np.array([20 * np.log10(band_level(mono, k * 261.63) / first) for k in range(2, 7)])


def rms_db(samples):
    return 20 * np.log10(np.sqrt(np.mean(samples ** 2)))


class SoundFonts(unittest.TestCase):
    def setUp(self):
        if not fonts_installed(FLUID, TIM, DEFAULT) or os.path.realpath(DEFAULT) != FLUID:
            self.skipTest("needs FluidR3 as the system's font and TimGM6mb beside it")

    def piano(self, program, args=(), env=None, setup=None):
        with Machine("file") as machine:
            if setup:
                setup(machine)
            run = machine.run(program, list(args) + ["I000C1"], env=env)
        self.assertEqual((run.returncode, run.stdout, run.stderr), (0, "", ""), args)
        return piano_profile(run.samples)

    def test_the_named_font_else_the_users_own_else_the_systems(self):
        def own_font(machine):
            folder = machine.path(".local/share/soundfonts")
            os.makedirs(folder)
            os.symlink(TIM, os.path.join(folder, "mine.sf2"))

        system = self.piano(LIRKEL)
        tim = self.piano(LIRKEL, env={"LIRKEL_SOUNDFONT": TIM})
        # The two fonts' pianos differ by several dB in some harmonic.
        self.assertGreater(np.abs(system - tim).max(), 3, (system, tim))
        # The switch over the variable; the user's folder where the system has none.
        switched = self.piano(LIRKEL, ["--soundfont", FLUID], env={"LIRKEL_SOUNDFONT": TIM})
        own = self.piano(LIRKEL_FONTLESS, setup=own_font)
        np.testing.assert_allclose(switched, system, atol=1)
        np.testing.assert_allclose(own, tim, atol=1)

    def test_a_named_font_that_is_missing_a_folder_or_broken_gives_one_line_and_tones(self):
        with Machine("file") as machine:
            broken = machine.path("broken.sf2")
            with open(broken, "wb") as f:
                f.write(b"RIFF\x00\x10\x00\x00sfbkLIST" + bytes(range(256)) * 16)
            cases = {machine.path("gone.sf2"): "There is no such SoundFont file.",
                     machine.home: "The SoundFont is a folder, not a file.",
                     broken: "The General MIDI SoundFont could not be loaded."}
            for font, says in cases.items():
                run = machine.run(LIRKEL, ["--soundfont", font, "G3EGEGE"])
                self.assertEqual((run.returncode, run.stderr), (0, f"lirkel: {font}: {says}\n"))
                segments = tone_segments(run.samples)
                self.assertEqual(len(segments), 6, font)
                pitches = [peak_frequency(run.samples[a:b], 200, 600)[0] for a, b in segments]
                np.testing.assert_allclose(pitches, [392, 329.6] * 3, atol=0.6)
                os.remove(machine.capture)
            # The WAV export says the same, and holds the tones.
            run = machine.run(LIRKEL, ["--export", "six.wav", "G3EGEGE"],
                              env={"LIRKEL_SOUNDFONT": machine.path("gone.sf2")})
            self.assertEqual(run.stderr, f"lirkel: {machine.path('gone.sf2')}: There is no such "
                                         "SoundFont file. six.wav gets the tones instead.\n")
            _, rate, channels = wav(machine.path("six.wav"))
            self.assertEqual((rate, channels), (48000, 1))


class WhatPlays(unittest.TestCase):
    def test_tones_with_a_synthesizer_installed(self):
        with Machine("file") as machine:
            run = machine.run(LIRKEL, ["--sound=tones", "G3EGEGE"])
        self.assertEqual((run.returncode, run.stderr), (0, ""))
        self.assertAlmostEqual(run.samples.size, 768 * MS, delta=MS)  # mono, no release
        self.assertEqual(len(tone_segments(run.samples)), 6)

    def test_silent_keeps_the_tunes_time_and_off_returns_at_once(self):
        with Machine("file") as machine:
            def quickest(args):
                runs = [machine.run(LIRKEL, args) for _ in range(3)]
                return min(runs, key=lambda run: run.seconds)
            start_up = quickest(["--version"]).seconds
            silent = quickest(["--sound=silent", "G3EGEGE"])
            self.assertEqual((silent.returncode, silent.stderr), (0, ""))
            self.assertFalse(os.path.exists(machine.capture))  # no device was opened
            self.assertAlmostEqual(silent.seconds - start_up, 0.768, delta=SILENCE_WITHIN_S)
            off = machine.run(LIRKEL, ["--sound=off", "yesterday"], env={"LIRKEL_VOLUME": "80"})
            self.assertEqual((off.returncode, off.stderr), (0, ""))
            self.assertLess(off.seconds, 0.2)
            self.assertIn("Yesterday's Lantern", off.stdout)
            self.assertIn("show us the way.", off.stdout)

    def test_a_named_alsa_device_takes_tones_and_the_synthesizer(self):
        for program in (LIRKEL_FONTLESS, LIRKEL):
            with Machine("file") as machine:
                other = machine.add_capture("other")
                run = machine.run(program, ["--device", "other", "G3EGEGE"])
                self.assertEqual((run.returncode, run.stderr), (0, ""), program)
                self.assertFalse(os.path.exists(machine.capture), program)
                self.assertGreater(np.abs(raw(other)).max(), 3000, program)
                bad = machine.run(program, ["G3EGEGE"], env={"LIRKEL_DEVICE": "nosuch"})
                self.assertEqual(bad.stderr, "lirkel: nosuch: The audio device could not be "
                                             "opened: the tune keeps its time in silence.\n")
                self.assertGreater(bad.seconds, 0.768)


class Volume(unittest.TestCase):
    def test_half_is_6_db_down_live_and_in_a_wav_file_and_zero_is_silence(self):
        for program in (LIRKEL_FONTLESS, LIRKEL):
            with Machine("file") as machine:
                levels = {}
                for volume in ("100", "50", "0"):
                    live = machine.run(program, ["--volume", volume, "G3EGEGE"])
                    self.assertEqual((live.returncode, live.stderr), (0, ""))
                    os.remove(machine.capture)
                    exported = machine.run(program, ["--volume", volume, "--export", "x.wav",
                                                     "G3EGEGE"])
                    self.assertEqual((exported.returncode, exported.stderr), (0, ""))
                    levels[volume] = (live.samples, wav(machine.path("x.wav"))[0])
            for way in (0, 1):  # live, WAV
                full, half, none = (levels[v][way] for v in ("100", "50", "0"))
                self.assertEqual(full.size, half.size)
                self.assertAlmostEqual(rms_db(half) - rms_db(full), -6.02, delta=1, msg=program)
                self.assertGreater(none.size, 0.7 * full.size)
                self.assertEqual(np.abs(none).max(), 0, (program, way))
            for wrong in ("101", "-1", "x"):
                with Machine("none") as machine:
                    run = machine.run(program, ["--volume=" + wrong, "C"])
                self.assertEqual(run.returncode, 2)
                self.assertTrue(run.stderr.startswith(f"lirkel: invalid volume '{wrong}'"))


class SoundCheck(unittest.TestCase):
    """The check's text on each kind of machine (the server's cases are in
    server_test.py), and its status."""

    LIBRARY = r"The synthesizer library: \S+/libfluidsynth\.so\.3, version \d+\.\d+\.\d+\."

    def check(self, mode, program, args=(), env=None):
        with Machine(mode) as machine:
            run = machine.run(program, ["--sound-check"] + list(args), env=env)
            home = machine.home
        self.assertEqual(run.stderr, "")
        return run, home

    def assert_lines(self, text, wanted):
        lines = text.splitlines()
        self.assertEqual(len(lines), len(wanted), text)
        for line, want in zip(lines, wanted):
            if want.startswith("^"):
                self.assertRegex(line, want)
            else:
                self.assertEqual(line, want)

    def searched(self, home, system=True):
        places = [f"No SoundFont in {home}/.local/share/soundfonts.",
                  f"No SoundFont in {home}/.sounds/sf2."]
        if system:
            size = os.path.getsize(DEFAULT) / 1e6
            return places + [f"The SoundFont found: {DEFAULT}, {size:.1f} MB."]
        return places + [f"No SoundFont in {NO_SOUNDFONTS}/sf2/default-GM.sf2.",
                         f"No SoundFont in {NO_SOUNDFONTS}/sf3/default-GM.sf3.",
                         f"No SoundFont in {NO_SOUNDFONTS}/sf2."]

    def without_font_or_server(self, home):
        """What the check says between the library and ALSA's tones when no
        SoundFont is installed and no server runs."""
        return ["No SoundFont is named (--soundfont, LIRKEL_SOUNDFONT).",
                *self.searched(home, system=False),
                f"No sound server: nothing at {home}/pulse/native.",
                "The ALSA device: default.",
                "Passed over the synthesizer through the sound server: no SoundFont was found.",
                "Passed over the synthesizer through ALSA: no SoundFont was found.",
                "Passed over tones through the sound server: no sound server is running."]

    def test_nothing_installed_is_silence_and_status_1(self):
        run, home = self.check("none", LIRKEL_BARE)
        self.assertEqual(run.returncode, 1)
        self.assert_lines(run.stdout, [
            "The synthesizer library FluidSynth is not installed.",
            *self.without_font_or_server(home),
            "Tried tones through ALSA: it did not open.",
            "Plays nothing audible: silence that keeps the tune's time."])

    def test_tones_only(self):
        run, home = self.check("file", LIRKEL_FONTLESS)
        self.assertEqual(run.returncode, 0)
        self.assert_lines(run.stdout, [
            "^" + self.LIBRARY, *self.without_font_or_server(home), "Plays tones through ALSA."])

    def test_the_synthesizer_with_the_systems_font_then_the_tune(self):
        if not fonts_installed(DEFAULT):
            self.skipTest("needs " + DEFAULT)
        with Machine("file") as machine:
            run = machine.run(LIRKEL, ["--sound-check", "G3EGEGE"])
            home = machine.home
        self.assertEqual((run.returncode, run.stderr), (0, ""))
        self.assert_lines(run.stdout, [
            "^" + self.LIBRARY,
            "No SoundFont is named (--soundfont, LIRKEL_SOUNDFONT).",
            *self.searched(home),
            f"No sound server: nothing at {home}/pulse/native.",
            "The ALSA device: default.",
            "Passed over the synthesizer through the sound server: no sound server is running.",
            "Plays the synthesizer through ALSA."])
        self.assertGreater(np.abs(run.samples).max(), 3000)  # the tune played after

    def test_a_named_font_and_a_broken_one(self):
        if not fonts_installed(TIM):
            self.skipTest("needs " + TIM)
        run, home = self.check("file", LIRKEL, ["--device", "default"], {"LIRKEL_SOUNDFONT": TIM})
        self.assertEqual(run.returncode, 0)
        self.assert_lines(run.stdout, [
            "The device chosen by --device: default.",
            "^" + self.LIBRARY,
            f"The SoundFont named by LIRKEL_SOUNDFONT: {TIM}, {os.path.getsize(TIM) / 1e6:.1f} MB.",
            f"No sound server: nothing at {home}/pulse/native.",
            "The ALSA device: default.",
            "Passed over the synthesizer through the sound server: an ALSA device was chosen.",
            "Plays the synthesizer through ALSA."])
        with Machine("file") as machine:
            broken = machine.path("broken.sf2")
            with open(broken, "wb") as f:
                f.write(b"not a SoundFont")
            run = machine.run(LIRKEL, ["--soundfont", broken, "--sound-check"])
        self.assertEqual(run.returncode, 0)
        self.assertIn(f"The SoundFont named by --soundfont: {broken}, 0.0 MB.\n", run.stdout)
        self.assertIn(f"Tried the synthesizer through ALSA: {broken}: The General MIDI SoundFont "
                      "could not be loaded.\nPassed over tones through the sound server: no sound "
                      "server is running.\nPlays tones through ALSA.\n", run.stdout)


if __name__ == "__main__":
    unittest.main()
