#!/usr/bin/env bash
# The program's messages in the user's language. The template made from
# today's sources is po/lirkel.pot, and every catalogue translates all of it;
# the installed program speaks Swedish under a Swedish locale (LC_ALL, then
# LC_MESSAGES, then LANG) and English under any other, in its help and its
# errors; "?" writes the same bytes under every locale.
#   translations.sh BUILD_DIR SOURCE_DIR SCRATCH_DIR
set -uo pipefail
build=$1 source=$2 scratch=$3
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }
rm -rf "$scratch" && mkdir -p "$scratch/home" "$scratch/locale" || exit 1

cmake -DSOURCE="$source" -DVERSION=0 -DOUTPUT="$scratch/fresh.pot" -DWORK="$scratch/template" \
  -P "$source/po/make_template.cmake" || exit 1
msgcmp --use-untranslated "$source/po/lirkel.pot" "$scratch/fresh.pot" 2>"$scratch/msgcmp" ||
  fail "po/lirkel.pot lacks messages of the sources (build the target lirkel_pot): $(cat "$scratch/msgcmp")"
msgcmp --use-untranslated "$scratch/fresh.pot" "$source/po/lirkel.pot" 2>"$scratch/msgcmp" ||
  fail "po/lirkel.pot holds messages the sources no longer have: $(cat "$scratch/msgcmp")"
for po in "$source"/po/*.po; do
  msgcmp "$po" "$scratch/fresh.pot" 2>"$scratch/msgcmp" ||
    fail "$(basename "$po") does not translate every message: $(cat "$scratch/msgcmp")"
  stats=$(msgfmt --check --statistics -o /dev/null "$po" 2>&1) || fail "msgfmt: $stats"
  [[ $stats == *"translated message"* && $stats != *fuzzy* && $stats != *untranslated* ]] ||
    fail "$(basename "$po"): $stats"
done

# The program as installed, and a Swedish locale made for this test alone.
DESTDIR="$scratch/root" cmake --install "$build" >/dev/null || exit 1
program=$(find "$scratch/root" -path '*/bin/lirkel' -type f)
[ -n "$(find "$scratch/root" -path '*/share/locale/sv/LC_MESSAGES/lirkel.mo')" ] ||
  fail "no Swedish catalogue was installed"
localedef -i sv_SE -f UTF-8 "$scratch/locale/sv_SE.UTF-8" 2>/dev/null
[ -d "$scratch/locale/sv_SE.UTF-8" ] || { echo "FAIL: localedef cannot make sv_SE.UTF-8" >&2; exit 1; }
# under SETTING... -- ARGUMENTS: the program's standard output and error, and its status.
under() {
  local -a settings=()
  while [ "$1" != -- ]; do settings+=("$1"); shift; done
  shift
  env -i HOME="$scratch/home" LOCPATH="$scratch/locale" PATH=/usr/bin:/bin "${settings[@]}" \
    "$program" "$@" </dev/null 2>&1
}
swedish='Användning: lirkel [LÅT...]'
english='Usage: lirkel [TUNE...]'
check_help() {
  local want=$1
  shift
  local first
  first=$(under "$@" -- --help | head -1)
  [ "$first" = "$want" ] || fail "with $* the help begins: $first"
}
check_help "$swedish" LANG=sv_SE.UTF-8
check_help "$swedish" LC_MESSAGES=sv_SE.UTF-8 LANG=C.UTF-8
check_help "$swedish" LC_ALL=sv_SE.UTF-8 LC_MESSAGES=C.UTF-8
check_help "$english" LC_ALL=C.UTF-8 LANG=sv_SE.UTF-8
check_help "$english" LANG=en_US.UTF-8
check_help "$english" LANG=C.UTF-8
check_help "$english"

said=$(under LANG=sv_SE.UTF-8 -- --foo)
status=$?
[ "$status" -eq 2 ] || fail "a wrong switch under Swedish exits with $status"
[ "$said" = "lirkel: okänd flagga '--foo'
Prova 'lirkel --help'." ] || fail "a wrong switch under Swedish says: $said"
said=$(under LANG=sv_SE.UTF-8 -- --run lirkel-no-such-command)
[[ $said == "lirkel: kan inte köra 'lirkel-no-such-command': "* ]] ||
  fail "a command that cannot run, under Swedish: $said"

# "?" is the program's own text: the same bytes whatever the locale.
under LANG=C.UTF-8 -- '?' >"$scratch/help.c"
for locale in sv_SE.UTF-8 en_US.UTF-8 POSIX; do
  under LANG=$locale -- '?' >"$scratch/help.other"
  cmp -s "$scratch/help.c" "$scratch/help.other" || fail "'?' under $locale differs from C.UTF-8"
done
head -c 18 "$scratch/help.c" | grep -qx '# grenmyrsbolag # ' || fail "'?' wrote: $(head -2 "$scratch/help.c")"
exit $failed
