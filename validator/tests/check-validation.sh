#!/usr/bin/env bash
# Validates a module and checks the verdict:
#
#   check-validation.sh VEXHOST REPORT-TOOL MODULE KIND TEXT [VALIDATE-ARGUMENTS...]
#
# KIND empty: the module must validate clean (exit 0, no findings). Otherwise validation must exit
# 1 with a finding of KIND whose message holds TEXT, and that finding's replay script, run by
# `vexhost --script`, must show the same fault. The JUnit report must be well-formed either way.
# With VEX_EXPECT_ONE_GROUP=1 in the environment, the findings of KIND must be one finding.
# Exit 77 (skipped) when the finding needs what this host cannot yet report.
set -uo pipefail

vexhost=$1
report=$2
module=$3
kind=$4
text=$5
shift 5

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "FAIL: $*"
  echo "--- standard error of the validation:"
  cat "$work/err.txt"
  exit 1
}

"$vexhost" validate "$module" --json "$work/report.json" --junit "$work/report.xml" --replays "$work/replays" \
  "$@" >"$work/out.txt" 2>"$work/err.txt"
code=$?
cat "$work/out.txt"
"$report" junit "$work/report.xml" || fail "the JUnit report is not well-formed"

if [ -z "$kind" ]; then
  [ "$code" = 0 ] || fail "exit code $code, expected 0 (no findings)"
  "$report" clean "$work/report.json" || fail "the JSON report holds findings"
  exit 0
fi

if [ "$kind" = dead-object ] && "$report" note "$work/report.json" "does not report calls on released objects"; then
  echo "SKIP: this host does not yet report calls on released objects"
  exit 77
fi
[ "$code" = 1 ] || fail "exit code $code, expected 1 (findings)"
if ! found=$("$report" finding "$work/report.json" "$kind" "$text"); then
  fail "no $kind finding that holds: $text"
fi
if [ "${VEX_EXPECT_ONE_GROUP:-}" = 1 ]; then
  groups=$("$report" groups "$work/report.json" "$kind")
  [ "$groups" = 1 ] || fail "$groups findings of kind $kind, expected one for the one fault"
fi
script=$(echo "$found" | sed -n 1p)
message=$(echo "$found" | sed -n 2p)
echo "--- replaying $script"
cat "$script"

# The replay runs the script as any user would, with the command line the report gives; a hang
# is given two seconds.
limit=10
if [ "$kind" = hang ]; then limit=2; fi
replay=(timeout "$limit" "$vexhost" --module "$module" --check --script "$script")
"${replay[@]}" >"$work/replay.out" 2>"$work/replay.err"
replayed=$?
echo "--- the replay exited with $replayed"
case "$kind" in
  leak | over-release | unbalanced-reference | dead-object | outlives-session)
    [ "$replayed" = 1 ] || fail "the replay exited with $replayed, expected 1 (--check found the fault)"
    grep -qF -- "$text" "$work/replay.out" || fail "the replay's accounting does not show: $text"
    ;;
  crash)
    # A signal, or (under the sanitizers, which stop the process themselves) an exit code.
    signal=$(echo "$message" | sed -n 's/.*signal SIG\([A-Z0-9]*\).*/\1/p')
    if [ -n "$signal" ]; then
      expected=$((128 + $(kill -l "$signal")))
    else
      expected=$(echo "$message" | sed -n 's/.*exited with code \([0-9]*\).*/\1/p')
    fi
    [ "$replayed" = "$expected" ] || fail "the replay exited with $replayed, expected $expected"
    ;;
  hang)
    [ "$replayed" = 124 ] || fail "the replay exited with $replayed, expected a time-out"
    ;;
  exception)
    grep -qF -- "${text##*: }" "$work/replay.err" || fail "the replay does not show the exception: ${text##*: }"
    [ "$replayed" -ge 128 ] || fail "the replay exited with $replayed, expected the abort of an uncaught exception"
    ;;
  process-hygiene | reach)
    if [[ "$message" =~ ^at\ (unload|exit):\ writes\ to\ standard\ (output|error):\ \"(.*)\"$ ]]; then
      # Written as the module goes: the replay's process shows it as it ends.
      written=${BASH_REMATCH[3]%\\n}
      grep -qF -- "$written" "$work/replay.out" "$work/replay.err" || fail "the replay does not show: $written"
    else
      [ "$replayed" = 1 ] || fail "the replay exited with $replayed, expected 1 (--check found the fault)"
      grep -qF -- "$text" "$work/replay.out" || fail "the replay's --check report does not show: $text"
    fi
    ;;
  host-misuse | host-call-at-load | wrong-module-handle)
    # The stand-in records the misuse and `vexhost --check` reports it, as it does what the module
    # did to the process it runs in.
    [ "$replayed" = 1 ] || fail "the replay exited with $replayed, expected 1 (--check found the fault)"
    grep -qF -- "$text" "$work/replay.out" || fail "the replay's --check report does not show: $text"
    ;;
  invisible-wait | slow)
    # The replay ends with the expectation that fails.
    [ "$replayed" = 1 ] || fail "the replay exited with $replayed, expected 1 (its last expectation fails)"
    grep -q "FAILED: expected" "$work/replay.out" || fail "the replay's last expectation did not fail"
    ;;
  dead-button | stranded | shown-after-end | nondeterminism | kept-after-cancel | behaviour-changed)
    # The replay ends with the expectation that the fault makes fail.
    [ "$replayed" = 1 ] || fail "the replay exited with $replayed, expected 1 (its last expectation fails)"
    grep -q "FAILED: expected" "$work/replay.out" || fail "the replay's expectation did not fail"
    ;;
  history)
    # The replay runs the path, reopens the document and runs the path again, to its end.
    grep -qx "reopen" "$script" || fail "the replay does not run the path again after reopen"
    [ "$replayed" = 0 ] || fail "the replay exited with $replayed, expected 0 (every line runs; the calls differ)"
    grep -qF "the document was closed and opened again" "$work/replay.out" || fail "the replay did not reopen"
    ;;
  duplicate-registration)
    name=$(echo "$message" | sed -n "s/.*'\\([^']*\\)' is already registered.*/\\1/p")
    grep -qF "VexFillDictionary $name, VexFillDictionary $name" "$work/replay.out" ||
      fail "loading in the replay does not show the second registration of $name"
    ;;
  *)
    echo "(a $kind finding is a property of the library itself: nothing to replay)"
    ;;
esac
cat "$work/replay.out" | tail -5
exit 0
