#!/usr/bin/env bash
# lirkel --run with the real program and real commands: the command's exit
# status comes back (as shells report it when it cannot start or a signal
# ends it); its output reaches a pipe as it writes it and its input is
# lirkel's; SIGTERM and SIGHUP sent to lirkel reach the command; under
# set -e and pipefail, and from a test script's make, a failure stays one.
# The tunes are switched off (--on-success '' and --on-failure '') where
# only the command matters.
#   run_command.sh PROGRAM SCRATCH_DIR
set -uo pipefail
lirkel=$1 scratch=$2
rm -rf "$scratch" && mkdir -p "$scratch/home" && cd "$scratch" || exit 1
export HOME=$scratch/home XDG_DATA_HOME=$scratch/home/data LC_ALL=C.UTF-8 LIRKEL_SONGS=$scratch/none
unset LIRKEL_ON_SUCCESS LIRKEL_ON_FAILURE LANGUAGE
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }
quiet() { "$lirkel" --run --on-success '' --on-failure '' "$@"; }

# status WANTED COMMAND...: the exit status, and nothing on standard error.
status() {
  local wanted=$1
  shift
  quiet "$@" </dev/null >out 2>err
  local got=$?
  [ "$got" -eq "$wanted" ] || fail "--run $* exits with $got, not $wanted"
  [ ! -s err ] || fail "--run $* says: $(cat err)"
}
status 0 true
status 1 false
status 7 sh -c 'exit 7'
status 255 sh -c 'exit 255'
status 143 sh -c 'kill -TERM $$'
status 137 sh -c 'kill -KILL $$'
# Everything from the command on is the command's, switches too.
echo '--export' >words && status 0 grep -q -- --export words

# A command that cannot start: one line, and the shells' 127 and 126.
printf 'echo hi\n' >not-executable && mkdir -p a-folder
for case in "127 no-such-command-anywhere No such file or directory" \
    "127 ./no-such-file No such file or directory" \
    "126 ./not-executable Permission denied" "126 ./a-folder Permission denied"; do
  read -r wanted command words <<<"$case"
  quiet "$command" </dev/null >out 2>err
  got=$?
  [ "$got" -eq "$wanted" ] || fail "--run $command exits with $got, not $wanted"
  [ "$(cat err)" = "lirkel: cannot run '$command': $words" ] || fail "--run $command says: $(cat err)"
done

# The input is lirkel's, and the output reaches a pipe as it is written:
# the first line comes before the command's second has been written.
[ "$(echo hi | quiet cat)" = hi ] || fail "standard input does not reach the command"
quiet sh -c 'echo first; sleep 1; echo second' | {
  start=${EPOCHREALTIME/[.,]/}
  read -r line
  first=$(((${EPOCHREALTIME/[.,]/} - start) / 1000))
  read -r second
  [ "$line $second" = "first second" ] || echo "FAIL: the pipe got '$line $second'" >&2
  [ "$first" -lt 700 ] || echo "FAIL: the first line came after $first ms, not before the sleep ended" >&2
} 2>pipe-failures
[ ! -s pipe-failures ] && failed=$failed || { cat pipe-failures >&2; failed=1; }

# SIGTERM and SIGHUP to lirkel reach the command; lirkel then ends by the
# same signal, at once and with no tune.
for signal in TERM HUP; do
  "$lirkel" --run sh -c 'echo $$ >command.pid; exec sleep 30' </dev/null >/dev/null 2>&1 &
  runner=$!
  for _ in $(seq 100); do [ -s command.pid ] && break; sleep 0.05; done
  command_pid=$(cat command.pid)
  start=${EPOCHREALTIME/[.,]/}
  kill -s "$signal" "$runner"
  wait "$runner" 2>/dev/null  # without the shell's word about the signal
  got=$?
  took=$(((${EPOCHREALTIME/[.,]/} - start) / 1000))
  [ "$got" -eq $((128 + $(kill -l "$signal"))) ] || fail "SIG$signal to lirkel: status $got"
  [ "$took" -lt 500 ] || fail "SIG$signal to lirkel: it took $took ms to end"
  kill -0 "$command_pid" 2>/dev/null && { fail "SIG$signal did not reach the command"; kill "$command_pid"; }
  rm -f command.pid
done

# A script keeps the failure: under set -e it stops there, under pipefail
# the pipeline fails, and make's own failure comes back through it.
bash -c 'set -e; "$1" --run --on-failure "" false; echo went-on' _ "$lirkel" >out 2>&1
[ $? -eq 1 ] && ! grep -q went-on out || fail "set -e went on after a failing command: $(cat out)"
bash -c 'set -o pipefail; "$1" --run --on-failure "" sh -c "echo x; exit 3" | cat' _ "$lirkel" >/dev/null
[ $? -eq 3 ] || fail "pipefail lost the status"
printf 'all:\n\t@echo building\n\t@exit 4\n' >Makefile
quiet make >out 2>&1
got=$?
[ "$got" -eq 2 ] && grep -q building out || fail "a failing make gives $got through lirkel: $(cat out)"
exit $failed
