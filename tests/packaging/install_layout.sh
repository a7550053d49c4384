#!/usr/bin/env bash
# cmake --install puts exactly lirkel's files where Linux tools keep them
# (each shell's completion where that shell loads it from, the messages
# where the program looks for them), creates the MIDI directory the program
# looks in, and the installed program answers --help and --version.
#   install_layout.sh BUILD_DIR PREFIX SCRATCH_DIR
set -euo pipefail
build=$1 prefix=$2 scratch=$3
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }

rm -rf "$scratch"
DESTDIR="$scratch" cmake --install "$build" >/dev/null
root=$scratch$prefix

# zsh looks in vendor-completions for a package's (prefix /usr), in
# site-functions for a local install's.
zsh_folder=site-functions
[ "$prefix" = /usr ] && zsh_folder=vendor-completions
expected="bin/lirkel
share/bash-completion/completions/lirkel
share/doc/lirkel/README.md
share/doc/lirkel/changelog.gz
share/doc/lirkel/copyright
share/fish/vendor_completions.d/lirkel.fish
share/lirkel/songs/examples/jingles.txt
share/locale/sv/LC_MESSAGES/lirkel.mo
share/man/man1/lirkel.1.gz
share/zsh/$zsh_folder/_lirkel"
actual=$(cd "$root" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
[ "$actual" = "$expected" ] || fail "installed files differ from the expected ones:
$(diff <(echo "$expected") <(echo "$actual") || true)"

[ -x "$root/bin/lirkel" ] || fail "bin/lirkel is not executable"
"$root/bin/lirkel" --check "$root/share/lirkel/songs/examples/jingles.txt" >/dev/null ||
  fail "the example songbook breaks a rule"
[ -d "$root/share/lirkel/midi" ] || fail "share/lirkel/midi/ was not created"
# The program must look for MIDI files in the directory the install creates.
grep -aq "$prefix/share/lirkel/midi/" "$root/bin/lirkel" ||
  fail "bin/lirkel does not look in $prefix/share/lirkel/midi/"
gzip -t "$root/share/man/man1/lirkel.1.gz" || fail "the manual page is no valid gzip file"
LC_ALL=C.UTF-8 man -l "$root/share/man/man1/lirkel.1.gz" 2>&1 | grep '^NAME' >/dev/null ||
  fail "the installed manual page does not render"
bash -n "$root/share/bash-completion/completions/lirkel" || fail "the completion is no valid bash"
# bash-completion's loader finds it where it looks for every command's.
loaded=$(XDG_DATA_HOME=/nonexistent XDG_DATA_DIRS="$root/share" bash -c \
  'source /usr/share/bash-completion/bash_completion && __load_completion lirkel && complete -p lirkel')
[[ $loaded == *"-F _lirkel lirkel" ]] || fail "bash-completion does not load the completion: $loaded"

# zsh's own search path for this prefix holds the zsh completion's folder,
# and fish finds its completion through XDG_DATA_DIRS, as for a package.
zsh -f -c 'print -l $fpath' | grep -qx "$prefix/share/zsh/$zsh_folder" ||
  fail "zsh does not look in $prefix/share/zsh/$zsh_folder"
found=$(env -i HOME="$scratch" XDG_CONFIG_HOME="$scratch/config" XDG_DATA_DIRS="$root/share" \
  PATH="$root/bin:/usr/bin:/bin" fish -c \
  'complete -C "lirkel --vers"' 2>&1)
[[ $found == --version* ]] || fail "fish does not find the installed completion: $found"

help=$(LC_ALL=C.UTF-8 "$root/bin/lirkel" --help </dev/null) || fail "lirkel --help exited with $?"
[[ $help == "Usage: lirkel "* ]] || fail "lirkel --help wrote: $help"
version=$("$root/bin/lirkel" --version </dev/null) || fail "lirkel --version exited with $?"
[[ $version == "lirkel "[0-9]*$'\n'"LIRKEL32 2010 "* ]] || fail "lirkel --version wrote: $version"
exit $failed
