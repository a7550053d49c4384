#!/usr/bin/env bash
# The fish completion, in a real fish: the script found by name on fish's
# completion path as fish loads completions, then asked with complete -C
# what it offers. Titles (own songs too, through the program), MIDI files
# nearby, switches and their values, and after --run the command and its
# own arguments, completed as fish completes that command.
#   completion_fish.sh COMPLETION_DIR PROGRAM SCRATCH_DIR
set -uo pipefail
dir=$(cd "$1" && pwd) program=$(cd "$(dirname "$2")" && pwd)/$(basename "$2") scratch=$3
rm -rf "$scratch" && mkdir -p "$scratch/home" "$scratch/bin" "$scratch/cwd/midi" || exit 1
scratch=$(cd "$scratch" && pwd)
cd "$scratch/cwd" && touch fanfare.mid midi/tusch.mid notes.txt font.sf2 fontlist.txt
printf '#!/bin/sh\n' >"$scratch/bin/lirkeltestcmd" && chmod +x "$scratch/bin/lirkeltestcmd"
printf '"Release Jingle" Z10 G3EGE\n<Ship it!>C1 G2 .C0 !\n' >"$scratch/own.txt"
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }

# offers LINE: what fish offers for the word at the end of LINE, one a line,
# without descriptions.
offers() {
  env -i HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config" \
    XDG_DATA_HOME="$scratch/home/.local/share" PATH="$(dirname "$program"):$scratch/bin:/usr/bin:/bin" \
    LIRKEL_SONGS="$scratch/own.txt" fish -c 'set -p fish_complete_path $argv[1]; complete -C $argv[2]' \
    "$dir" "$1" | cut -f1
}
# expect LINE WANTED...: fish offers exactly these.
expect() {
  local line=$1 got
  shift
  got=$(offers "$line" | LC_ALL=C sort | tr '\n' '|')
  local wanted=""
  [ $# -eq 0 ] || wanted=$(printf '%s\n' "$@" | LC_ALL=C sort | tr '\n' '|')
  [ "$got" = "$wanted" ] || fail "'$line' offers '$got', not '$wanted'"
}
# offered LINE CANDIDATE: fish offers this among others.
offered() { offers "$1" | grep -qxF -- "$2" || fail "'$1' does not offer '$2': $(offers "$1" | tr '\n' '|')"; }

expect 'lirkel ye' "Yesterday's Lantern"
expect 'lirkel yE' "Yesterday's Lantern"
expect 'lirkel rel' 'Release Jingle'
expect 'lirkel fan' fanfare
expect 'lirkel tus' tusch
expect 'lirkel --ex' --export
expect 'lirkel --export no' notes.txt
expect 'lirkel --export x.mid rel' 'Release Jingle'
expect 'lirkel --run --on-f' --on-failure
expect 'lirkel --on-success rel' 'Release Jingle'
expect 'lirkel --run lirkeltest' lirkeltestcmd
expect 'lirkel --run --if-longer 3 -- lirkeltest' lirkeltestcmd
expect 'lirkel --run lirkeltestcmd no' notes.txt
offered 'lirkel --run ls --col' --color
expect 'lirkel --check no' notes.txt
expect 'lirkel --soundfont fo' font.sf2
expect 'lirkel --sound s' silent synth
expect 'lirkel --sound-ch' --sound-check
expect 'lirkel C ye'
offered 'lirkel -' --help
offered 'lirkel -' --run
exit $failed
