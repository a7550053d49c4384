#!/usr/bin/env bash
# Songbook files from outside, on the real file system: what cannot be a
# songbook (a FIFO, a dangling link, a 2 MB file, binary bytes, a folder
# that leads back to itself) is skipped without a hang and named by
# --check; a title search that finds nothing says so in one line. Songs no
# search could reach are named, control characters never reach the
# terminal, and a folder named many times is read once.
#   songbook_files.sh LIRKEL SCRATCH_DIR
set -uo pipefail
lirkel=$1 scratch=$2
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }

rm -rf "$scratch" && mkdir -p "$scratch/songs/sub" && cd "$scratch" || exit 1
printf '"Good Song" Z10 CDE\n<Fine.>F G !\n' >songs/good.txt
printf '"Below It" Z10 C !\n' >songs/sub/below.txt
ln -s . songs/loop
mkfifo songs/fifo.txt
ln -s nowhere songs/dangling.txt
head -c 2000000 /dev/zero | tr '\0' '\n' >songs/big.txt
printf '"Bin\0ary" Z10 C !\n' >songs/bin.txt
export LIRKEL_SONGS=$scratch/songs HOME=$scratch

check=$(timeout 10 "$lirkel" --check </dev/null)
[ $? -eq 1 ] || fail "--check should exit 1: $check"
for expected in "fifo.txt: skipped: not a regular file" "dangling.txt: skipped: No such file" \
  "big.txt: skipped: larger than 1 MB" "bin.txt: skipped: not text"; do
  grep -qF "$expected" <<<"$check" || fail "--check does not say: $expected"
done
grep -q 'loop\|sub' <<<"$check" && fail "--check read below the folder: $check"

titles=$(timeout 10 "$lirkel" --titles </dev/null)
grep -qx 'Good Song' <<<"$titles" || fail "--titles misses the good song"
grep -q 'Below It' <<<"$titles" && fail "--titles read a subfolder"

timeout 10 "$lirkel" qqqqq </dev/null >out 2>err
[ $? -eq 0 ] || fail "a title search that finds nothing should still exit 0"
# Besides what a machine without sound says about its device.
[ "$(grep -c 'left out' err)" -eq 1 ] && grep -q 'left out for a fault: 4' err &&
  [ "$(grep -vc 'left out\|audio device' err)" -eq 0 ] ||
  fail "a search that finds nothing should say once what was left out: $(cat err)"
# Titles that clash across files or with a built-in one, songs without an
# empty line between them, a byte-order mark, an escape sequence in a title.
mkdir -p own
printf '\xef\xbb\xbf"Release Jingle" Z10 C !\n"Second Song" Z10 D !\n' >own/a.txt
printf '"Release Other" Z10 E !\n\n"Yesterday mine" Z10 F !\n\n"Title \033]0;owned\007" Z10 <x\033[2J>G !\n' \
  >own/b.txt
export LIRKEL_SONGS=$(printf "$scratch/own:%.0s" {1..200})
check=$(timeout 10 "$lirkel" --check </dev/null)
[ $? -eq 1 ] || fail "--check should exit 1 for titles no search reaches: $check"
for expected in "own/a.txt:2: an empty line stands between two songs" \
  "own/b.txt:1: a title differs from the others in its first five characters ($scratch/own/a.txt:1" \
  "own/b.txt:3: a title differs from the others in its first five characters (the built-in" \
  "own/b.txt:5: a control character (U+001B)" "2 songbook files, 3 good songs, 4 problems"; do
  grep -qF "$expected" <<<"$check" || fail "--check does not say: $expected"$'\n'"$check"
done
titles=$(timeout 10 "$lirkel" --titles </dev/null 2>err)
grep -qx 'Release Jingle' <<<"$titles" || fail "a songbook with a byte-order mark was refused"
[ "$(grep -c 'left out .*own/b.txt:[13]:' err)" -eq 2 ] ||
  fail "--titles should name the two songs it leaves out: $(cat err)"
for run in "--titles" "L" "title" "--check"; do
  shown=$(timeout 10 "$lirkel" $run </dev/null 2>&1)
  grep -q $'\033' <<<"$shown" && fail "$run wrote an escape character"
done
check=$(LIRKEL_SONGS=$scratch/own/a.txt timeout 10 "$lirkel" --check </dev/null)
grep -qx '1 songbook file, 2 good songs, 1 problem' <<<"$check" ||
  fail "the summary counts in the plural: $check"
exit $failed
