#!/usr/bin/python3
"""How fast a tune is saved to a file, beside the peers that do the same work.

    bench/export_bench.py [--build DIR] [--runs N]

DIR holds the program (default: build/release, else build/test-plain). The
longest library song is exported to .mid and to .wav; the WAV figure is
also given as how many times faster than real time it renders, beside
FluidSynth's own command line (and timidity, when installed) rendering the
exported MIDI file with the same SoundFont. The SoundFont is the system's
default General MIDI one: install fluid-soundfont-gm to measure FluidR3.

Targets: .mid at most 20 ms; .wav at least 50 times faster than real time.
"""

import argparse
import os
import shutil
import tempfile
import wave

from whole_runs import find_program, run_times_ms

FONT = os.path.realpath("/usr/share/sounds/sf2/default-GM.sf2")
LONGEST_SONG = "Snowfield"  # the longest song of the library, 2:08


def wav_seconds(path):
    with wave.open(path) as w:
        return w.getnframes() / w.getframerate()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build")
    parser.add_argument("--runs", type=int, default=9)
    args = parser.parse_args()
    lirkel = find_program(args.build)
    work = tempfile.mkdtemp(prefix="lirkel-export-bench-")
    env_note = f"SoundFont: {FONT}" if os.path.exists(FONT) else "no SoundFont: WAV is tones"
    print(f"export of the longest library song ({LONGEST_SONG}), {args.runs} runs; {env_note}")
    print(f"{'what':44} {'best':>9} {'median':>9}  {'x real time (median)':>20}")

    best, median = run_times_ms([lirkel, "--export", "song.mid", LONGEST_SONG], args.runs, work)
    print(f"{'lirkel --export song.mid':44} {best:8.1f}ms {median:8.1f}ms"
          f"  {'target <= 20 ms':>20}")

    best, median = run_times_ms([lirkel, "--export", "song.wav", LONGEST_SONG], args.runs, work)
    length = wav_seconds(os.path.join(work, "song.wav"))
    print(f"{'lirkel --export song.wav':44} {best:8.1f}ms {median:8.1f}ms"
          f"  {length * 1000 / median:17.0f} x  (target >= 50 x)")

    peers = []
    if shutil.which("fluidsynth") and os.path.exists(FONT):
        peers.append(("fluidsynth -ni -F peer.wav (same MIDI file)",
                      ["fluidsynth", "-ni", "-q", "-F", "peer.wav", FONT, "song.mid"]))
    if shutil.which("timidity"):
        peers.append(("timidity -Ow (same MIDI file)",
                      ["timidity", "-Ow", "-o", "peer.wav", "song.mid"]))
    for name, argv in peers:
        best, median = run_times_ms(argv, args.runs, work)
        print(f"{name:44} {best:8.1f}ms {median:8.1f}ms  {length * 1000 / median:17.0f} x")
    shutil.rmtree(work)


if __name__ == "__main__":
    main()
