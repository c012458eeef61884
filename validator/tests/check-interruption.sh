#!/usr/bin/env bash
# A validation stopped early still writes every report, each marked partial, and leaves no worker
# behind:
#
#   check-interruption.sh VEXHOST REPORT-TOOL MODULE SIGINT|SIGTERM|TIME-LIMIT
#
# SIGINT and SIGTERM are sent to the validator once it has run for a while (it then exits with
# 128 + the signal); TIME-LIMIT gives it --time-limit 2 (it then exits as its findings say).
set -uo pipefail

vexhost=$1
report=$2
module=$3
how=$4

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "FAIL: $*"
  echo "--- standard output of the validation:"
  cat "$work/out.txt"
  echo "--- standard error:"
  cat "$work/err.txt"
  exit 1
}

# Far more random sequences, and far longer ones, than fit in the time it is given: the run cannot
# end by itself.
arguments=(validate "$module" --json "$work/report.json" --junit "$work/report.xml" --random 20000
           --random-length 200 --seed 3)
case "$how" in
  SIGINT | SIGTERM)
    "$vexhost" "${arguments[@]}" >"$work/out.txt" 2>"$work/err.txt" &
    pid=$!
    sleep 3
    kill -s "$how" "$pid"
    wait "$pid"
    code=$?
    expected=$((128 + $(kill -l "$how")))
    reason="interrupted by $how"
    ;;
  TIME-LIMIT)
    "$vexhost" "${arguments[@]}" --time-limit 2 >"$work/out.txt" 2>"$work/err.txt"
    code=$?
    expected=0
    reason="its time limit of 2 s was reached"
    ;;
  *)
    echo "usage: check-interruption.sh VEXHOST REPORT-TOOL MODULE SIGINT|SIGTERM|TIME-LIMIT"
    exit 2
    ;;
esac

[ "$code" = "$expected" ] || fail "exit code $code, expected $expected"
found=$("$report" partial "$work/report.json") || fail "the JSON report is not marked partial"
[ "$found" = "$reason" ] || fail "the JSON report says it is partial because \"$found\", expected \"$reason\""
"$report" junit "$work/report.xml" || fail "the JUnit report is not well-formed"
grep -q 'name="ran every case"' "$work/report.xml" || fail "the JUnit report does not say the run was cut short"
grep -qF "PARTIAL: the validation stopped early ($reason)" "$work/out.txt" || fail "the text report does not say it is partial"
grep -qF "no findings in what ran; the validation is partial" "$work/out.txt" ||
  fail "the text report does not end as a partial one"
# No worker outlives the validator: each one's command line names this run's report.
sleep 0.5
if pgrep -f "$work/report.json" >/dev/null; then fail "a worker outlived the validator"; fi
echo "stopped ($reason); exit code $code; every report written and marked partial"
