#!/usr/bin/env bash
# The Debian package, built as the README gives it (a Release build for
# /usr, then cpack) twice, in two folders with the same SOURCE_DATE_EPOCH:
# the two packages are the same bytes; lintian finds no error and no
# warning; its Depends name the package of every library the program is
# linked with and nothing else, and it Recommends FluidSynth and a General
# MIDI SoundFont; its changelog, the package and --version give one
# version; dpkg installs it into a scratch root (checking Depends against
# the packages installed on this machine), the installed program answers
# --help and --version, and dpkg removes it again.
#   debian_package.sh VERSION SCRATCH_DIR SOURCE_DIR
set -uo pipefail
version=$1 scratch=$2 source=$3
prefix=/usr
# Every time stamp in the package and the program comes from here, in both builds.
export SOURCE_DATE_EPOCH=1796860800
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }
die() { echo "FAIL: $*" >&2; exit 1; }

# readme_build FOLDER: the README's commands for the package, in FOLDER.
readme_build() {
  cmake -S "$source" -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLIRKEL_BUILD_TESTS=OFF \
    -DCMAKE_INSTALL_PREFIX=$prefix >"$1.log" 2>&1 &&
    cmake --build "$1" >>"$1.log" 2>&1 &&
    (cd "$1" && cpack >>"$1.log" 2>&1) ||
    die "the build in $1 failed: $(tail -20 "$1.log")"
}

rm -rf "$scratch" && mkdir -p "$scratch" || exit 1
readme_build "$scratch/one"
readme_build "$scratch/two"
debs=("$scratch"/one/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || die "cpack made no single .deb: ${debs[*]}"
deb=${debs[0]}
field() { dpkg-deb -f "$deb" "$1"; }

# Reproducible: the second folder's package is the same, byte for byte.
cmp -s "$deb" "$scratch/two/$(basename "$deb")" ||
  fail "two builds of the same source give different packages: $(cmp "$deb" "$scratch/two/$(basename "$deb")" 2>&1)"

[ "$(field Package)" = lirkel ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version), the project is $version"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture: $(field Architecture)"
[ "$(basename "$deb")" = "lirkel_${version}_$(dpkg --print-architecture).deb" ] ||
  fail "file name $(basename "$deb")"

# Every file belongs to root, and the program, the manual page, the
# completions of bash, zsh and fish, the Swedish messages and the MIDI
# directory are in it.
contents=$(dpkg-deb -c "$deb")
awk '$2 != "root/root" { bad = 1 } END { exit bad }' <<<"$contents" ||
  fail "files not owned by root: $contents"
# zsh reads a package's completions from vendor-completions, a local
# install's from site-functions.
zsh_folder=site-functions
[ "$prefix" = /usr ] && zsh_folder=vendor-completions
for path in "bin/lirkel" "share/man/man1/lirkel.1.gz" "share/doc/lirkel/copyright" \
    "share/doc/lirkel/changelog.gz" "share/bash-completion/completions/lirkel" \
    "share/zsh/$zsh_folder/_lirkel" "share/fish/vendor_completions.d/lirkel.fish" \
    "share/locale/sv/LC_MESSAGES/lirkel.mo" "share/lirkel/midi/"; do
  grep -q " \./${prefix#/}/$path\$" <<<"$contents" || fail "the package lacks $prefix/$path"
done

# Depends: the package of each library the packaged program needs.
mkdir -p "$scratch/unpacked" && dpkg-deb -x "$deb" "$scratch/unpacked"
program=$scratch/unpacked$prefix/bin/lirkel
depends=$(field Depends)
[ -n "$depends" ] || fail "no Depends"
depend_names=$(tr ',|' '\n\n' <<<"$depends" | sed 's/(.*//; s/[[:space:]]//g')
needed=$(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
for library in $needed; do
  # The dynamic loader is listed by its path (the C++ runtime, linked in,
  # names it for its thread-local storage).
  path=$(ldd "$program" | awk -v lib="$library" '$1 == lib { print $3 } $1 ~ ("/" lib "$") { print $1 }')
  owner=$(dpkg -S "$path" 2>/dev/null || dpkg -S "$(realpath "$path")" 2>/dev/null || true)
  owner=${owner%%:*}
  [ -n "$owner" ] || { fail "no package holds $library ($path)"; continue; }
  grep -qxF "$owner" <<<"$depend_names" || fail "Depends lacks $owner (for $library): $depends"
done
# FluidSynth is opened when a tune plays: not linked, not required.
grep -q fluidsynth <<<"$needed" && fail "the program is linked with FluidSynth: $needed"
grep -q fluidsynth <<<"$depends" && fail "Depends names FluidSynth: $depends"

# Recommends: FluidSynth and a General MIDI SoundFont, by names apt knows.
recommends=$(field Recommends)
grep -q 'libfluidsynth3' <<<"$recommends" || fail "Recommends no FluidSynth: $recommends"
grep -qE 'soundfont' <<<"$recommends" || fail "Recommends no SoundFont: $recommends"
known=0
for name in $(tr ',|' '  ' <<<"$recommends"); do
  if apt-cache show "$name" >/dev/null 2>&1; then
    known=1
  elif compgen -G '/var/lib/apt/lists/*_Packages*' >/dev/null; then
    fail "Recommends names $name, which apt does not know"
  fi
done
[ $known = 1 ] || fail "apt knows none of the Recommends: $recommends"

# The changelog's newest entry is this version.
changelog_version=$(zcat "$scratch/unpacked$prefix/share/doc/lirkel/changelog.gz" | head -1 |
  sed -n 's/^lirkel (\(.*\)) .*/\1/p')
[ "$changelog_version" = "$version" ] || fail "the changelog's newest entry is $changelog_version"

# lintian: no error and no warning (informational tags are allowed).
if command -v lintian >/dev/null; then
  lintian --allow-root --tag-display-limit 0 "$deb" >"$scratch/lintian.out" 2>&1
  grep -E '^[EW]: ' "$scratch/lintian.out" && fail "lintian: $(grep -E '^[EW]: ' "$scratch/lintian.out")"
else
  fail "lintian is not installed"
fi

# Install into a scratch root whose package database is this machine's, so
# dpkg checks the Depends against what is really installed here.
root=$scratch/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/triggers"
cp /var/lib/dpkg/status "$root/var/lib/dpkg/status"
touch "$root/var/lib/dpkg/available"
run_dpkg() { dpkg --force-not-root --root="$root" --log="$scratch/dpkg.log" "$@"; }
run_dpkg -i "$deb" >"$scratch/dpkg.out" 2>&1 || die "dpkg -i failed: $(cat "$scratch/dpkg.out")"

installed=$root$prefix/bin/lirkel
help=$(LC_ALL=C.UTF-8 "$installed" --help </dev/null) || fail "installed lirkel --help exited with $?"
[[ $help == "Usage: lirkel "* ]] || fail "installed lirkel --help wrote: $help"
[ "$(wc -l <<<"$help")" -ge 40 ] || fail "the help is cut short: $help"
[ "$("$installed" --version </dev/null | head -1)" = "lirkel $version" ] ||
  fail "installed lirkel --version: $("$installed" --version </dev/null)"
[ -d "$root$prefix/share/lirkel/midi" ] || fail "the MIDI directory was not installed"

run_dpkg -r lirkel >"$scratch/dpkg.out" 2>&1 || fail "dpkg -r failed: $(cat "$scratch/dpkg.out")"
[ ! -e "$installed" ] || fail "dpkg -r left $installed"
echo "$(basename "$deb"): Depends: $depends; Recommends: $recommends"
exit $failed
