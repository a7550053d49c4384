#!/usr/bin/env bash
# The manual page renders with man without a single warning from groff,
# carries the sections a reader looks for, names this version, and has a
# NAME line that whatis/apropos can index.
#   man_page.sh PAGE VERSION
set -euo pipefail
page=$1 version=$2
export LC_ALL=C.UTF-8 MANWIDTH=80
failed=0
warnings=$(mktemp)
trap 'rm -f "$warnings"' EXIT
fail() { echo "FAIL: $*" >&2; failed=1; }

rendered=$(man --warnings -E UTF-8 -l "$page" 2>"$warnings") || fail "man -l exited with $?"
[ -s "$warnings" ] && fail "groff warns: $(cat "$warnings")"
[ "$(printf '%s\n' "$rendered" | wc -l)" -gt 100 ] || fail "the page is nearly empty"

for section in NAME SYNOPSIS DESCRIPTION OPTIONS 'TITLE SEARCH' 'NOTE LANGUAGE' SOUND \
    'MIDI FILES' KEYS 'EXIT STATUS' FILES; do
  grep -qx "$section" <<<"$rendered" || fail "no section $section"
done
for switch in --help -h --version --run --on-success --on-failure --if-longer --export --sound \
    --soundfont --device --volume --sound-check; do
  grep -q -- "$switch" <<<"$rendered" || fail "the switch $switch is not described"
done
head -n 1 "$page" | grep -q "\"lirkel $version\"" || fail "the page does not name version $version"

whatis=$(lexgrog "$page" 2>&1) || fail "lexgrog cannot read the NAME section: $whatis"
grep -q 'lirkel - play a tune' <<<"$whatis" || fail "whatis line: $whatis"
exit $failed
