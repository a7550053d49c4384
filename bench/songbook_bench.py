#!/usr/bin/python3
"""What own songs cost a run: a title search that falls through the built-in
library into a songbook of 1,000 songs, beside the same search with no
songbook, and a built-in title and plain note text with the songbook there.

    bench/songbook_bench.py [--build DIR] [--runs N]

The searches are timed as whole processes of an export to a MIDI file, so
that no sound device is opened and the figure is the search: note text
falls through the library and the songbook before it is taken as notes; a
built-in title stops at the library. Target: the fall-through adds at most
2 ms; a built-in title adds nothing measurable.
"""

import argparse
import os
import tempfile

from whole_runs import find_program, run_times_ms

def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build")
    parser.add_argument("--runs", type=int, default=41)
    args = parser.parse_args()
    lirkel = find_program(args.build)
    work = tempfile.mkdtemp(prefix="lirkel-songbook-bench-")
    book = os.path.join(work, "thousand.txt")
    with open(book, "w") as f:
        for n in range(1000):
            f.write(f'"Song number {n:04d}" Z10 XHC2D2\n<la la la>E2F2G2A2\n<la la.>H2XIC1 !\n\n')
    empty = os.path.join(work, "none")
    os.mkdir(empty)
    base = dict(os.environ, HOME=work, XDG_DATA_HOME=empty)
    without = dict(base, LIRKEL_SONGS=empty)
    with_book = dict(base, LIRKEL_SONGS=book)
    out = os.path.join(work, "out.mid")
    cases = [
        ("note text: falls through (G3EGEGE)", ["--export", out, "G3EGEGE"]),
        ("built-in title (yesterday)", ["--export", out, "yesterday"]),
    ]
    print(f"median of {args.runs} whole runs, ms")
    print(f"{'run':44} {'no songbook':>12} {'1,000 songs':>12} {'added':>8}")
    for name, argv in cases:
        a = run_times_ms([lirkel] + argv, args.runs, env=without)[1]
        b = run_times_ms([lirkel] + argv, args.runs, env=with_book)[1]
        print(f"{name:44} {a:12.2f} {b:12.2f} {b - a:8.2f}")
    print("target: the fall-through adds at most 2 ms")


if __name__ == "__main__":
    main()
