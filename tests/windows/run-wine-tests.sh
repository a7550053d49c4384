#!/usr/bin/env bash
# The x86_64 Windows build of lirkel run under Wine, headless, with standard
# input and output redirected (no console).
#
#   run-wine-tests.sh <windows build dir> <linux lirkel> <songs.inc> <work dir>
#
# The Linux program gives the expected help text and listing (converted to
# Windows-1252 with CR LF); everything else is checked against fixed bytes.
set -uo pipefail

win=$(cd "$1" && pwd)
linux_lirkel=$2
songs=$3
mkdir -p "$4"
work=$(cd "$4" && pwd)

wine=/usr/lib/wine/wine64
lirkel=$win/lirkel.exe
instant=$win/tests/windows/lirkel_instant_tones.exe
probe=$win/tests/windows/wine_probe.exe
launch=$win/tests/windows/wine_launch.exe

export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="winealsa.drv=d"
export TMPDIR=$work/tmp
mkdir -p "$TMPDIR"

# A persistent wineserver keeps every run fast; it goes away at the end
# whatever happens, and on its own 30 s after the last run if this is killed.
trap 'wineserver -k >/dev/null 2>&1' EXIT
[ -d "$WINEPREFIX" ] || "$wine" wineboot -i </dev/null >/dev/null 2>&1
wineserver -w
wineserver -p30 </dev/null >/dev/null 2>&1
"$wine" "$probe" midi </dev/null >/dev/null 2>&1

cwd=$work/cwd
rm -rf "$cwd"
mkdir -p "$cwd"
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# run <name> <program> <arguments...>: output in $cwd/<name>.out and .err,
# exit code in $rc, milliseconds taken in $millis.
run() {
  local name=$1
  shift
  local start tries
  for tries in 1 2; do
    start=${EPOCHREALTIME/[.,]/}
    (cd "$cwd" && timeout 60 "$wine" "$@" </dev/null >"$name.out" 2>"$name.err")
    rc=$?
    millis=$(((${EPOCHREALTIME/[.,]/} - start) / 1000))
    # Once in many hundred runs on a busy machine, Wine ends a program with
    # status 1 before it has written a byte; such a run is made once more,
    # and said. Every run that wrote anything is judged as it is.
    [ "$rc" -eq 1 ] && [ ! -s "$cwd/$name.out" ] && [ ! -s "$cwd/$name.err" ] && [ "$tries" -eq 1 ] || break
    echo "note: $name: Wine ended it with status 1 and no output; run once more"
  done
  [ "$rc" -eq 0 ] || fail "$name: exit code $rc"
}

# expect <name> <printf format of the exact bytes>
expect() {
  if ! cmp -s <(printf "$2") "$cwd/$1.out"; then
    fail "$1: output differs"
    echo "  expected: $(printf "$2" | od -An -c | tr -s ' \n' ' ' | head -c 300)"
    echo "  got:      $(od -An -c "$cwd/$1.out" | tr -s ' \n' ' ' | head -c 300)"
  fi
}

# The Linux program's text from the first line that begins with <start>, as
# the Windows program must write it.
as_windows_text() {
  sed -n "/^$1/,\$p" | iconv -f UTF-8 -t CP1252 | sed 's/$/\r/'
}

# launch <name> <command line>: lirkel started with exactly that command line
# (\t a tab, \uXXXX a UTF-16 unit, \\ a backslash).
launch() {
  run "$1" "$launch" "Z:${lirkel//\//\\\\}" "$2"
}

# ---- The help text, byte for byte ------------------------------------------
run help "$lirkel"
"$linux_lirkel" </dev/null 2>/dev/null | as_windows_text '# grenmyrsbolag # LIRKEL32' >"$cwd/help.expected"
[ -s "$cwd/help.expected" ] || fail "help: the Linux program wrote no help"
cmp -s "$cwd/help.expected" "$cwd/help.out" || fail "help: differs from the Linux help in Windows-1252 with CR LF"
sed -n 2p "$cwd/help.out" | cmp -s - <(printf 'Anv\xe4ndes med f\xf6rdel i batfiler vid kopiering/kompilering\r\n') ||
  fail "help: line 2 is not Windows-1252 with CR LF"
run help_question "$lirkel" '?'
cmp -s "$cwd/help.out" "$cwd/help_question.out" || fail "help: '?' writes other text than no argument"

# ---- The listing: written whole, no paging prompt without a console ---------
run listing "$lirkel" L
"$linux_lirkel" L </dev/null 2>/dev/null | as_windows_text 'LIRKEL ' >"$cwd/listing.expected"
[ -s "$cwd/listing.expected" ] || fail "listing: the Linux program wrote no listing"
cmp -s "$cwd/listing.expected" "$cwd/listing.out" || fail "listing: differs from the Linux listing"
grep -q 'tryck <cr>' "$cwd/listing.out" && fail "listing: a paging prompt was written"

# ---- A title search writes the song's title and all its lyrics --------------
# The program with tones that take no time, so the whole song plays; the
# expected text is read from the library by this script's own reading of the
# title and lyric tokens.
run title_search "$instant" yesterday
awk -v key=YESTE '
  NR > 6 && !found && match($0, /^"[^"]*"/) && toupper(substr($0, 2, 5)) == key { found = 1 }
  found {
    n = length($0)
    for (i = 1; i <= n; i++) {
      c = toupper(substr($0, i, 1))
      rest = substr($0, i + 1)
      if (c == "\"" && (j = index(rest, "\""))) { printf "\r\n%s\r\n", substr($0, i, j + 1); i += j }
      else if (c == "<" && (j = index(rest, ">"))) {
        lyric = substr(rest, 1, j - 1)
        printf "%s ", lyric
        if (substr(lyric, length(lyric)) == ".") printf "\r\n"
        i += j
      }
      else if (c == "X") i += 1
      else if (c == "Z") i += 2
      else if (c == "I") i += 3
      else if (c == "!") exit
    }
  }' "$songs" | iconv -f UTF-8 -t CP1252 >"$cwd/title_search.expected"
grep -q '<' "$cwd/title_search.expected" && fail "title search: the expected text is not plain lyrics"
[ "$(wc -l <"$cwd/title_search.expected")" -ge 3 ] || fail "title search: no song with lyrics found in the library"
cmp -s "$cwd/title_search.expected" "$cwd/title_search.out" ||
  fail "title search: the title and lyrics differ from the library's"

# ---- Note text: lyrics in Windows-1252; a title cannot come through ---------
launch lyrics 'lirkel <\u20ac\u263a\u0100 \u00e5t oss.><och mer>'
expect lyrics '\x80?? \xe5t oss. \r\noch mer '
# Quotes open and close quoted stretches and are dropped, with no escape, so
# note text on the command line never holds a title.
launch no_title 'lirkel "Qqq"<sjung.>'
expect no_title 'sjung. \r\n'

# ---- The command line split by the program's own rules ----------------------
launch quoted_blanks 'lirkel "<a  b>"'
expect quoted_blanks 'a  b '
launch blanks 'lirkel <a  b>'
expect blanks 'a b '
launch empty_quotes 'lirkel <x "" y>'
expect empty_quotes 'x y '
launch tab 'lirkel\t<x\ty>'
expect tab 'x y '
launch quoted_tab 'lirkel "<x\ty>"'
expect quoted_tab 'x\ty '
launch no_escape 'lirkel <q\\"uote tail\\>'
expect no_escape 'q\\uote tail\\ '
launch only_empty_quotes 'lirkel ""'
cmp -s "$cwd/help.out" "$cwd/only_empty_quotes.out" || fail 'only "": is not the same as no argument (help)'

# ---- Sound: no MIDI device under Wine, so the tune plays as tones -----------
run tones "$lirkel" G3EGEGE
expect tones ''
# Six eighth notes of 128 ms: the tones take their time although Wine's Beep
# comes back at once.
[ "$millis" -ge 700 ] || fail "tones: G3EGEGE took only $millis ms"
run midi "$probe" midi
expect midi 'devices no\r\nmapper A device ID has been used that is out of range for your system.\r\n'

# ---- MIDI files --------------------------------------------------------------
head -c 300 /dev/urandom >"$cwd/garb.mid"
printf 'MThd\0\0\0\6\0\0\0\1\0\140MTrk\0\0\0\14\0\220\74\100\140\200\74\0\0\377\57\0' >"$cwd/tiny.mid"
bad_file='The specified file cannot be played on the specified MCI device. The file may be corrupt, or not in the correct format.'
# Without MIDI output the program never looks for a file: garb plays as notes.
run garbage_as_notes "$lirkel" garb
expect garbage_as_notes ''
# The MIDI-file attempt as the MIDI variant makes it: the sequencer's error
# line, and answer 0, so no note text is played.
run garbage_file "$probe" midi-file garb
expect garbage_file "$bad_file\r\nanswer 0\r\n"
run sequencer_garbage "$probe" sequencer garb.mid
expect sequencer_garbage "open $bad_file\r\n"
run sequencer_missing "$probe" sequencer missing.mid
expect sequencer_missing 'open Cannot find the specified file. Make sure the path and filename are correct.\r\n'
run sequencer_valid "$probe" sequencer tiny.mid
expect sequencer_valid 'open ok\r\nplay ok\r\nplaying yes\r\nclosed\r\n'

# ---- Files: only files count, links are followed ----------------------------
mkdir "$cwd/folder"
ln -s tiny.mid "$cwd/link.mid"
ln -s nowhere.mid "$cwd/dangling.mid"
ln -s folder "$cwd/folder_link"
run files "$probe" files tiny.mid folder link.mid dangling.mid folder_link nowhere.mid
windows_dir="Z:${win//\//\\}\\tests\\windows\\"
expect files "tiny.mid 1\r\nfolder 0\r\nlink.mid 1\r\ndangling.mid 0\r\nfolder_link 0\r\nnowhere.mid 0\r\ndirectory ${windows_dir//\\/\\\\}\r\n"

# ---- Own songs: songs\ beside the program -----------------------------------
rm -rf "$win/songs" && mkdir "$win/songs"
printf '"Wine Jingle" Z01 G3EG\r\n<Cheers!>C1 !\r\n' >"$win/songs/own.txt"
run own_titles "$lirkel" --titles
grep -q '^Wine Jingle' "$cwd/own_titles.out" || fail "own_titles: songs\\ beside the program was not read"
run own_song "$lirkel" wine
expect own_song '\r\n"Wine Jingle"\r\nCheers! '
rm -rf "$win/songs"

# ---- The switches: English help, the version first, a wrong one is status 2 -
run switches_help "$lirkel" --help
head -1 "$cwd/switches_help.out" | cmp -s - <(printf 'Usage: lirkel [TUNE...]\r\n') ||
  fail "switches_help: begins $(head -1 "$cwd/switches_help.out")"
grep -q 'd:\\src\\qvt\\midi\\' "$cwd/switches_help.out" || fail "switches_help: no Windows MIDI place"
run switches_version "$lirkel" --version
head -1 "$cwd/switches_version.out" | grep -qx $'lirkel [0-9.]*\r' ||
  fail "switches_version: begins $(head -1 "$cwd/switches_version.out")"
# run_status NAME STATUS PROGRAM ARGUMENTS...: as run, but for the status given.
run_status() {
  local name=$1 wanted=$2
  shift 2
  local start=${EPOCHREALTIME/[.,]/}
  (cd "$cwd" && timeout 60 "$wine" "$@" </dev/null >"$name.out" 2>"$name.err")
  rc=$?
  millis=$(((${EPOCHREALTIME/[.,]/} - start) / 1000))
  [ "$rc" -eq "$wanted" ] || fail "$name: exit code $rc, not $wanted"
}
run_status switches_unknown 2 "$lirkel" --foo
expect switches_unknown ''
cmp -s "$cwd/switches_unknown.err" <(printf "lirkel: unknown option '--foo'\r\nTry 'lirkel --help'.\r\n") ||
  fail "switches_unknown: says $(od -c "$cwd/switches_unknown.err" | head -3)"
rm -f "$cwd/switches_unknown.err"

# ---- --run: CreateProcess, the exit code, one line when it cannot start -----
# No tune: "--on-failure=" (an empty quoted argument gives no argument on Windows).
run_status run_status 7 "$lirkel" --run --on-failure= cmd /c 'exit 7'
run_status run_output 0 "$lirkel" --run --on-success= cmd /c echo from the command
grep -q '^from the command' "$cwd/run_output.out" || fail "run_output: the command's output is missing"
quiet_ms=$millis
run_status run_missing 127 "$lirkel" --run --on-failure= no-such-command-here
grep -q "^lirkel: cannot run 'no-such-command-here': " "$cwd/run_missing.err" ||
  fail "run_missing: says $(cat "$cwd/run_missing.err")"
[ "$(wc -l <"$cwd/run_missing.err")" -eq 1 ] || fail "run_missing: more than one line"
rm -f "$cwd/run_missing.err"
# The success tune takes its time after the command (tones, about a second).
run_status run_tune 0 "$lirkel" --run cmd /c 'exit 0'
[ "$millis" -ge $((quiet_ms + 900)) ] || fail "run_tune: took $millis ms, $quiet_ms ms without the tune"

# ---- The end of the process: the exit hook chain, then the shut-down --------
for how in normal crash throw; do
  run "exit_$how" "$probe" exit "$how"
  expect "exit_$how" "ending: $how\r\nhook 2\r\nhook 1\r\nshutdown\r\n"
done
grep -q 'Fatal error: exception 0xC0000005' "$cwd/exit_crash.err" || fail "exit_crash: no error message"
grep -q 'Fatal error: unhandled exception' "$cwd/exit_throw.err" || fail "exit_throw: no error message"

for err in "$cwd"/*.err; do
  case $err in */exit_*) continue ;; esac
  [ -s "$err" ] && fail "$(basename "$err" .err): wrote to standard error: $(head -c 200 "$err")"
done

if [ "$failures" -ne 0 ]; then
  echo "$failures Wine check(s) failed; outputs are in $cwd"
  exit 1
fi
echo "All Wine checks passed ($(ls "$cwd"/*.out | wc -l) runs)."
