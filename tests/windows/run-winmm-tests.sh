#!/usr/bin/env bash
# The Windows program as shipped, run under Wine with the recording winmm
# stand-in beside it, so its MIDI path runs: every call to winmm is logged
# with a millisecond timestamp, and the stand-in's answers are set per run.
#
#   run-winmm-tests.sh <wine loader> <lirkel.exe> <stand-in winmm.dll> <work dir>
set -uo pipefail

wine=$1
# Without that Wine (32-bit Wine is not always installable), skipped.
[ -x "$wine" ] || { echo "No $wine: skipped"; exit 77; }
mkdir -p "$4"
work=$(cd "$4" && pwd)
app=$work/app
rm -rf "$app" "$work/cwd" "$work/d"
mkdir -p "$app" "$work/cwd" "$work/tmp"
cp "$2" "$app/lirkel.exe"
cp "$3" "$app/winmm.dll"

export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="winealsa.drv=d;winmm=n"
export TMPDIR=$work/tmp
trap 'wineserver -k >/dev/null 2>&1' EXIT
[ -d "$WINEPREFIX" ] || "$wine" wineboot -i </dev/null >/dev/null 2>&1
wineserver -w
wineserver -p30 </dev/null >/dev/null 2>&1
"$wine" "$app/lirkel.exe" '?' </dev/null >/dev/null 2>&1

# The program's fixed MIDI folder d:\src\qvt\midi\ is a drive of this prefix.
mkdir -p "$work/d/src/qvt/midi"
ln -sfn "$work/d" "$WINEPREFIX/dosdevices/d:"

cwd=$work/cwd
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# run <name> [VAR=value...] -- <arguments...>: output in $cwd/<name>.out,
# the stand-in's log in <name>.log and the same without timestamps in
# <name>.calls.
run() {
  local name=$1
  shift
  local settings=()
  while [ "$1" != -- ]; do settings+=("$1"); shift; done
  shift
  rm -f "$cwd/$name.log"
  (cd "$cwd" && env LIRKEL_WINMM_LOG="$cwd/$name.log" "${settings[@]}" \
    timeout 60 "$wine" "$app/lirkel.exe" "$@" </dev/null >"$name.out" 2>"$name.err")
  local rc=$?
  [ "$rc" -eq 0 ] || fail "$name: exit code $rc"
  touch "$cwd/$name.log"
  cut -d' ' -f2- "$cwd/$name.log" >"$cwd/$name.calls"
  [ -s "$cwd/$name.err" ] && fail "$name: wrote to standard error: $(head -c 200 "$cwd/$name.err")"
}

# expect_calls <name> <lines>: the calls, in order, without timestamps.
expect_calls() {
  if ! cmp -s <(printf '%s\n' "$2") "$cwd/$1.calls"; then
    fail "$1: winmm calls differ"
    diff <(printf '%s\n' "$2") "$cwd/$1.calls" | head -20
  fi
}

# expect_output <name> <printf format of the exact bytes>
expect_output() {
  cmp -s <(printf "$2") "$cwd/$1.out" || fail "$1: output differs: $(od -An -c "$cwd/$1.out" | head -c 300)"
}

# note_lengths <name>: milliseconds from each note-on to the next message.
note_lengths() {
  awk '/midiOutShortMsg/ { if (on) printf "%d\n", $1 - on; on = ($4 == "90") ? $1 : 0 }' "$cwd/$1.log"
}

# note_times <name>: milliseconds from the first note-on to each note-on,
# and last to the end of the last note.
note_times() {
  awk '/midiOutShortMsg/ && $4 == "90" { if (first == "") first = $1; printf "%d\n", $1 - first }
    /midiOutShortMsg/ && $4 == "80" { last = $1 } END { printf "%d\n", last - first }' "$cwd/$1.log"
}

# check_timing <name> <notes> <ms a note>: the notes keep to the tune's
# timeline, as the program keeps absolute time: each starts within 25 ms of
# its place after the first (a note-on that fails takes its error text
# first) and the last ends within 15 ms of the tune's length; each sounds
# for at least three quarters of its length and at most twice it (a note
# that starts late is shorter).
check_timing() {
  local lengths times
  lengths=$(note_lengths "$1")
  times=$(note_times "$1")
  [ "$(printf '%s\n' "$lengths" | grep -c .)" -eq "$2" ] || fail "$1: not $2 timed notes: $lengths"
  printf '%s\n' "$times" | awk -v step="$3" -v notes="$2" '
    { off = $1 - (NR - 1) * step; slack = NR > notes ? 15 : 25 }
    off < -slack || off > slack { bad = 1 } END { exit bad }' ||
    fail "$1: off the timeline of $3 ms a note (starts, then the end): $(echo $times)"
  printf '%s\n' "$lengths" | awk -v step="$3" '$1 < step * 3 / 4 || $1 > 2 * step { bad = 1 } END { exit bad }' ||
    fail "$1: a note did not last $(($3 * 3 / 4))-$((2 * $3)) ms: $(echo $lengths)"
}

open='midiOutGetNumDevs -> 1
midiOutOpen device=-1 callback=0 instance=0 flags=0x0 -> 0
midiOutShortMsg handle=ok c0 10 00 -> 0'
played='midiOutShortMsg handle=ok 90 43 7f -> 0
midiOutShortMsg handle=ok 80 43 7f -> 0
midiOutShortMsg handle=ok 90 40 7f -> 0
midiOutShortMsg handle=ok 80 40 7f -> 0'

# ---- Notes: program 16 on opening, note on and off at velocity 127 ----------
run notes -- G3EGEGE
expect_output notes ''
expect_calls notes "$open
$played
$played
$played
midiOutClose handle=ok"
# Six eighth notes of 128 ms each.
check_timing notes 6 128

# An instrument token changes the program after the opening one.
run instrument -- I079G3E
expect_calls instrument "$open
midiOutShortMsg handle=ok c0 4f 00 -> 0
$played
midiOutClose handle=ok"

# A library song: its instrument, then its first notes (cut short here, so
# its buffered text is never written).
(cd "$cwd" && rm -f song.log && LIRKEL_WINMM_LOG="$cwd/song.log" timeout 4 "$wine" "$app/lirkel.exe" 'ode to' \
  </dev/null >song.out 2>&1)
cut -d' ' -f2- "$cwd/song.log" | head -6 >"$cwd/song.calls"
expect_calls song "$open
midiOutShortMsg handle=ok c0 49 00 -> 0
midiOutShortMsg handle=ok 90 40 7f -> 0
midiOutShortMsg handle=ok 80 40 7f -> 0"

# ---- Failing messages: a line for each failing note, the time kept ----------
busy='Stand-in error 67: device busy.\r\n'
run one_fails LIRKEL_WINMM_SHORT_ERROR=2:67 -- G3EGEGE
expect_output one_fails "$busy"
check_timing one_fails 6 128
# Every message fails: the program changes quietly, each note on and off
# with a line.
run all_fail LIRKEL_WINMM_SHORT_ERROR=0:67 -- I079G3E
expect_output all_fail "$busy$busy$busy$busy"
check_timing all_fail 2 128
run open_fails LIRKEL_WINMM_OPEN_ERROR=4 -- G3E
grep -q 'Stand-in error 4: device allocated' "$cwd/open_fails.out" || fail "open_fails: no error text"
grep -q 'midiOutShortMsg' "$cwd/open_fails.calls" && fail "open_fails: messages sent without a connection"

# ---- MIDI files: found in four places, played with the connection closed ----
tiny='MThd\0\0\0\6\0\0\0\1\0\140MTrk\0\0\0\14\0\220\74\100\140\200\74\0\0\377\57\0'
app_windows="Z:${app//\//\\}"
# The stem is note text too, so playing it as notes would show.
for place in "ceg.mid" "midi\\ceg.mid" "$app_windows\\midi\\ceg.mid" "d:\\src\\qvt\\midi\\ceg.mid"; do
  case $place in
    d:*) file=$work/d/src/qvt/midi/ceg.mid ;;
    Z:*) file=$app/midi/ceg.mid ;;
    *) file=$cwd/${place//\\//} ;;
  esac
  mkdir -p "$(dirname "$file")"
  printf "$tiny" >"$file"
  run file LIRKEL_WINMM_PLAY_MS=400 -- ceg
  expect_calls file "$open
midiOutClose handle=ok
mciSendCommandA OPEN device=0 flags=0x2200 type=sequencer element=$place -> 0
mciSendCommandA STATUS device=7 flags=0x100 item=port -> 0
mciSendCommandA PLAY device=7 flags=0x0 -> 0
mciSendCommandA CLOSE device=7 flags=0x0 -> 0
$open
midiOutClose handle=ok"
  played_ms=$(awk '/PLAY/ { p = $1 } /CLOSE/ { print $1 - p }' "$cwd/file.log")
  [ "${played_ms:-0}" -ge 400 ] && [ "$played_ms" -le 700 ] ||
    fail "file $place: played $played_ms ms, not until the sequencer stopped (400 ms)"
  rm -f "$file"
done

# Without a file the same text plays as notes.
run no_file -- ceg
grep -q 'mciSendCommandA' "$cwd/no_file.calls" && fail "no_file: the sequencer was used"
grep -q '90 3c 7f' "$cwd/no_file.calls" || fail "no_file: the text was not played as notes"

printf "$tiny" >"$cwd/ceg.mid"
# A failed open: its text on a line, and nothing more is played.
run mci_open_fails LIRKEL_WINMM_MCI_OPEN_ERROR=296 -- ceg
expect_output mci_open_fails 'Stand-in error 296: cannot play this file.\r\n'
grep -q ' 90 ' "$cwd/mci_open_fails.calls" && fail "mci_open_fails: the text was played as notes"
grep -q 'midiOutOpen' <(sed -n '/OPEN device=0/,$p' "$cwd/mci_open_fails.calls") ||
  fail "mci_open_fails: the connection was not opened again"
# No output port: closed without a word, not played.
run mci_no_port LIRKEL_WINMM_MCI_STATUS_ERROR=277 -- ceg
expect_output mci_no_port ''
grep -q 'PLAY' "$cwd/mci_no_port.calls" && fail "mci_no_port: played without a port"
grep -q 'CLOSE' "$cwd/mci_no_port.calls" || fail "mci_no_port: the sequencer was not closed"
grep -q ' 90 ' "$cwd/mci_no_port.calls" && fail "mci_no_port: the text was played as notes"
rm -f "$cwd/ceg.mid"

# ---- Ctrl+C: Wine delivers SIGINT as a Ctrl+C event; MIDI out is closed ------
rm -f "$cwd/interrupted.log"
(cd "$cwd" && LIRKEL_WINMM_LOG="$cwd/interrupted.log" exec timeout 60 "$wine" "$app/lirkel.exe" \
  GEGEGEGEGEGEGEGEGEGEGEGEGEGEGE </dev/null >interrupted.out 2>&1) &
player=$!
sleep 1
kill -INT "$player"
wait "$player"
cut -d' ' -f2- "$cwd/interrupted.log" >"$cwd/interrupted.calls"
[ "$(tail -n 1 "$cwd/interrupted.calls")" = 'midiOutClose handle=ok' ] ||
  fail "interrupted: MIDI out was not closed last"
# 30 notes take 3.8 s; the interruption cut them short.
[ "$(grep -c ' 90 ' "$cwd/interrupted.calls")" -lt 20 ] || fail "interrupted: the tune was not stopped"

if [ "$failures" -ne 0 ]; then
  echo "$failures winmm check(s) failed; outputs are in $cwd"
  exit 1
fi
echo "All winmm checks passed."
