#!/usr/bin/env bash
# The bash completion: library titles whatever the letter case or quoting
# typed, MIDI file names nearby, the switches, nothing after the first
# argument, after --export a file name and then a title, own songs' titles
# from the program itself, and after --run the command and its arguments.
#   completion.sh COMPLETION_SCRIPT TITLES_TOOL SCRATCH_DIR PROGRAM
set -uo pipefail
script=$1 titles_tool=$2 scratch=$3 program=$4
# The program the completion asks for titles is the one built here.
PATH="$(dirname "$program"):$PATH"
export LIRKEL_SONGS=$scratch/none.txt
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }

# shellcheck source=/dev/null
source "$script" || fail "the completion script does not load"
[[ $(complete -p lirkel 2>/dev/null) == *"-F _lirkel"* ]] || fail "no completion for lirkel"

# replies WORD [POSITION]: what completing WORD as argument POSITION offers,
# one a line. Bash hands the function the word without quotes, as given here.
replies() {
  local word=$1 position=${2:-1}
  COMP_WORDS=(lirkel)
  local i
  for ((i = 1; i < position; i++)); do COMP_WORDS+=(x); done
  COMP_WORDS+=("$word")
  COMP_CWORD=$position
  COMPREPLY=()
  _lirkel lirkel "$word" "${COMP_WORDS[position - 1]}"
  [ ${#COMPREPLY[@]} -eq 0 ] || printf '%s\n' "${COMPREPLY[@]}"
}
# grep reads to the end (no -q): with pipefail, a grep that stopped early
# would fail the pipeline whenever the writer was cut off by SIGPIPE.
offers() { replies "$1" | grep -xF -- "$2" >/dev/null; }

mapfile -t titles < <("$titles_tool")
[ ${#titles[@]} -gt 0 ] || fail "the library offers no titles"
for title in "${titles[@]}"; do
  start=${title:0:3}
  # Typed in the other letter case: "yES" finds "Yes...".
  swapped=${start~~}
  offers "$swapped" "$title" || fail "'$swapped' does not offer '$title'"
  offers "" "$title" || fail "an empty word does not offer '$title'"
  # A blank typed with a backslash before it, as bash leaves it in the word.
  if [[ $title == *" "* ]]; then
    escaped="${title%% *}\\ ${title#* }"
    offers "${escaped:0:${#title} - 1}" "$title" || fail "'$escaped' does not offer '$title'"
  fi
done
replies ye | grep '^Yesterday' >/dev/null || fail "'ye' does not offer the title beginning with Yesterday"
[ -z "$(replies qqqqzz)" ] || fail "a word no title begins with offers: $(replies qqqqzz)"
[ -z "$(replies ye 2)" ] || fail "the second argument offers titles"

[ "$(replies --ver)" = --version ] || fail "'--ver' offers: $(replies --ver)"
[ "$(replies - | LC_ALL=C sort | tr '\n' ' ')" = "- -- --check --device --export --help --if-longer \
--on-failure --on-success --run --sound --sound-check --soundfont --titles --version --volume -h " ] ||
  fail "'-' offers: $(replies - | tr '\n' ' ')"

# MIDI files are offered without ".mid", from here and from midi/.
rm -rf "$scratch" && mkdir -p "$scratch/midi" && cd "$scratch" || exit 1
touch fanfare.mid midi/tusch.mid notes.txt
[ "$(replies fan)" = fanfare ] || fail "'fan' offers: $(replies fan)"
[ "$(replies tu)" = tusch ] || fail "'tu' offers: $(replies tu)"
replies no | grep notes >/dev/null && fail "a file that is no MIDI file is offered"

# After --export: any file name, then a title.
export_replies() {
  COMP_WORDS=(lirkel --export "${@:2}" "$1")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _lirkel lirkel "$1" "${COMP_WORDS[COMP_CWORD - 1]}"
  [ ${#COMPREPLY[@]} -eq 0 ] || printf '%s\n' "${COMPREPLY[@]}"
}
[ "$(export_replies no)" = notes.txt ] || fail "'--export no' offers: $(export_replies no)"
export_replies ye song.mid | grep '^Yesterday' >/dev/null ||
  fail "'--export song.mid ye' does not offer the title beginning with Yesterday"
# An own song's title is offered too, after the built-in ones.
printf '"Release Jingle" Z10 G3EGE\n<Ship it!>C1 G2 .C0 !\n' >"$scratch/own.txt"
LIRKEL_SONGS=$scratch/own.txt
[ "$(replies rel)" = "Release Jingle" ] || fail "'rel' offers: $(replies rel)"
words_replies() {
  COMP_WORDS=(lirkel "$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE="${COMP_WORDS[*]}"
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  _lirkel lirkel "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}" 2>/dev/null
  [ ${#COMPREPLY[@]} -eq 0 ] || printf '%s\n' "${COMPREPLY[@]}"
}
[ "$(words_replies --on-success rel)" = "Release Jingle" ] ||
  fail "'--on-success rel' offers: $(words_replies --on-success rel)"
# After --soundfont only SoundFonts (and folders); after --sound its words.
touch font.sf2 font.SF3 fontlist.txt
[ "$(words_replies --soundfont fo | LC_ALL=C sort | tr '\n' ' ')" = "font.SF3 font.sf2 " ] ||
  fail "'--soundfont fo' offers: $(words_replies --soundfont fo | tr '\n' ' ')"
[ "$(words_replies --sound s | tr '\n' ' ')" = "synth silent " ] ||
  fail "'--sound s' offers: $(words_replies --sound s | tr '\n' ' ')"
words_replies --sound-check --volume 50 ye | grep '^Yesterday' >/dev/null ||
  fail "'--sound-check --volume 50 ye' does not offer the title beginning with Yesterday"
LIRKEL_SONGS=$scratch/none.txt
[ -z "$(replies rel)" ] || fail "without the songbook 'rel' offers: $(replies rel)"

# After --run: the command, then its own arguments as bash-completion
# completes them (the loader is there as in an interactive shell).
# shellcheck source=/dev/null
source /usr/share/bash-completion/bash_completion
mkdir -p "$scratch/bin" && printf '#!/bin/sh\n' >"$scratch/bin/lirkeltestcmd" && chmod +x "$scratch/bin/lirkeltestcmd"
PATH="$scratch/bin:$PATH"
[ "$(words_replies --run lirkeltest)" = lirkeltestcmd ] ||
  fail "'--run lirkeltest' offers: $(words_replies --run lirkeltest)"
[ "$(words_replies --run --if-longer 3 -- lirkeltest)" = lirkeltestcmd ] ||
  fail "'--run --if-longer 3 -- lirkeltest' offers: $(words_replies --run --if-longer 3 -- lirkeltest)"
[ "$(words_replies --run lirkeltestcmd no)" = notes.txt ] ||
  fail "'--run lirkeltestcmd no' offers: $(words_replies --run lirkeltestcmd no)"
[ "$(words_replies --run --on-f)" = --on-failure ] ||
  fail "'--run --on-f' offers: $(words_replies --run --on-f)"
exit $failed
