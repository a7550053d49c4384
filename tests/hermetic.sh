#!/usr/bin/env bash
# Runs one test as on a fresh machine, whoever runs it: a home, data, config,
# cache, runtime and temporary folder of its own (empty, and removed again),
# no LIRKEL_* variable, no way to the user's sound server, ALSA settings or
# display, and a known locale and time zone. The user's songbooks, their
# ~/.asoundrc or a desktop's running sound server cannot change a result.
#   hermetic.sh [NAME=VALUE]... COMMAND [ARGUMENT]...
# The NAME=VALUE settings are the test's own, made after the clearing.
set -u
scratch=$(mktemp -d "${TMPDIR:-/tmp}/lirkel-test.XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT

for name in $(compgen -e); do
  case $name in
    LIRKEL_* | XDG_* | PULSE_* | PIPEWIRE_* | ALSA_* | JACK_* | SDL_* | LC_* | LANGUAGE | \
      DBUS_SESSION_BUS_ADDRESS | DISPLAY | WAYLAND_DISPLAY | COLUMNS | LINES | TZ | WINEPREFIX)
      unset "$name" ;;
  esac
done

mkdir -p "$scratch/home/.config" "$scratch/home/.local/share" "$scratch/home/.cache" \
  "$scratch/tmp" && mkdir -m 0700 "$scratch/run" || exit 1
export HOME=$scratch/home XDG_CONFIG_HOME=$scratch/home/.config
export XDG_DATA_HOME=$scratch/home/.local/share XDG_CACHE_HOME=$scratch/home/.cache
export XDG_RUNTIME_DIR=$scratch/run TMPDIR=$scratch/tmp
export LANG=C.UTF-8 LC_ALL=C.UTF-8 TZ=UTC

while [ $# -gt 0 ] && [[ $1 == [A-Za-z_]*=* ]]; do
  export "${1?}"
  shift
done
"$@"
