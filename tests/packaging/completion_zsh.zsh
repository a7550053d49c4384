#!/usr/bin/env zsh
# The zsh completion, in a real interactive zsh run in a pseudo-terminal
# (zpty) with the completion system loaded and the script first on its
# fpath: what Tab puts on the command line. Titles (own songs too, through
# the program), MIDI files nearby, switches and their values, and after
# --run the command and its own arguments.
#   completion_zsh.zsh COMPLETION_DIR PROGRAM SCRATCH_DIR
emulate -R zsh
zmodload zsh/zpty || { print "FAIL: zsh has no zpty module"; exit 1 }
dir=${1:A} program=${2:A} scratch=${3:A}
rm -rf $scratch && mkdir -p $scratch/home $scratch/bin $scratch/cwd/midi || exit 1
cd $scratch/cwd && touch fanfare.mid midi/tusch.mid notes.txt font.sf2 fontlist.txt
# A command only this test has, so that its name completes to one answer.
print '#!/bin/sh' >$scratch/bin/lirkeltestcmd && chmod +x $scratch/bin/lirkeltestcmd
print -l '"Release Jingle" Z10 G3EGE' '<Ship it!>C1 G2 .C0 !' >$scratch/own.txt
integer failed=0

zpty shell env -i HOME=$scratch/home PATH=$program:h:$scratch/bin:/usr/bin:/bin TERM=xterm \
  LIRKEL_SONGS=$scratch/own.txt zsh -f -i
# Ctrl+T shows what is on the line; the marker is split in what is typed.
zpty -w shell "fpath=($dir \$fpath); autoload -Uz compinit && compinit -u -D"
zpty -w shell "show() { zle -I; print -r -- \"LINE\"\"<\$BUFFER>\" }; zle -N show; bindkey '^T' show"
# Typing starts once the line editor has drawn its prompt: before that the
# terminal would still take Ctrl+U for its own.
zpty -w shell "PS1='PROMPT''> '"
zpty -r shell out '*PROMPT> *'

# Reads what the shell draws until it has drawn nothing for 0.3 s: keys
# typed ahead of a completion still running may be thrown away.
settle() {
  local piece
  integer quiet=0
  while (( quiet < 6 )); do
    if zpty -rt shell piece; then quiet=0; else quiet+=1; sleep 0.05; fi
  done
}

# expect TYPED WANTED: Tab after TYPED leaves WANTED on the line.
expect() {
  zpty -w -n shell "$1"$'\t'
  settle
  zpty -w -n shell $'\x14\x15'
  zpty -r shell out '*LINE<*>*'
  out=${out##*LINE<}
  out=${out%>*}
  [[ $out == "$2" ]] || { print -r -- "FAIL: '$1' Tab gives '$out', not '$2'"; failed=1 }
}
expect 'lirkel ye' "lirkel Yesterday\\'s\\ Lantern "
expect 'lirkel yE' "lirkel Yesterday\\'s\\ Lantern "
expect 'lirkel rel' 'lirkel Release\ Jingle '
expect 'lirkel fan' 'lirkel fanfare '
expect 'lirkel tus' 'lirkel tusch '
expect 'lirkel --ex' 'lirkel --export '
expect 'lirkel --export no' 'lirkel --export notes.txt '
expect 'lirkel --export x.mid rel' 'lirkel --export x.mid Release\ Jingle '
expect 'lirkel --run --on-f' 'lirkel --run --on-failure '
expect 'lirkel --on-success rel' 'lirkel --on-success Release\ Jingle '
expect 'lirkel --run lirkeltest' 'lirkel --run lirkeltestcmd '
expect 'lirkel --run --if-longer 3 -- lirkeltest' 'lirkel --run --if-longer 3 -- lirkeltestcmd '
expect 'lirkel --run lirkeltestcmd no' 'lirkel --run lirkeltestcmd notes.txt '
expect 'lirkel --check no' 'lirkel --check notes.txt '
expect 'lirkel --soundfont fo' 'lirkel --soundfont font.sf2 '
expect 'lirkel --sound of' 'lirkel --sound off '
expect 'lirkel --sound-ch' 'lirkel --sound-check '
zpty -d shell
exit $failed
