#!/usr/bin/env bash
# Approved behaviour end to end, on two builds of one command that differ in nothing a host rule
# forbids:
#
#   check-approval.sh VEXHOST REPORT-TOOL APPROVED-MODULE CHANGED-MODULE DIFF-LINE APPROVED-VALUE
#                     [VALIDATE-ARGUMENTS...]
#
# The approved build's validation writes its behaviour into an empty directory and then validates
# clean against it, the files untouched. The changed build's validation reports "behaviour
# changed" with DIFF-LINE in its diff, and the finding's replay fails on the changed build with
# an expectation that shows APPROVED-VALUE, what the approved build showed, against what it found. --approve makes the change the
# approved behaviour: the changed build then validates clean, and the approved build no longer does.
set -uo pipefail

vexhost=$1
report=$2
approved=$3
changed=$4
line=$5
value=$6
shift 6
extra=("$@")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
directory="$work/approved"

fail() {
  echo "FAIL: $*"
  cat "$work/out.txt"
  exit 1
}

# validate MODULE EXPECTED-EXIT [MORE-ARGUMENTS...]
validate() {
  local module=$1 expected=$2
  shift 2
  rm -rf "$work/replays"
  "$vexhost" validate "$module" --approved "$directory" --json "$work/report.json" --replays "$work/replays" \
    "${extra[@]}" "$@" >"$work/out.txt" 2>&1
  local code=$?
  [ "$code" = "$expected" ] || fail "validate $(basename "$(dirname "$module")") $*: exit code $code, expected $expected"
}

validate "$approved" 0
[ -f "$directory/approved.txt" ] || fail "no approved behaviour was written"
"$report" note "$work/report.json" "approved behaviour written to" || fail "the report does not say it wrote"
cp -r "$directory" "$work/before"

validate "$approved" 0
"$report" note "$work/report.json" " 0 changed, 0 vanished, 0 appeared" || fail "the report does not say what it compared"
diff -r "$work/before" "$directory" || fail "comparing changed the approved files"

validate "$changed" 1
found=$("$report" finding "$work/report.json" behaviour-changed "$line") || fail "no diff holds: $line"
grep -qF -- "    $line" "$work/out.txt" || fail "the report does not show the diff"
diff -r "$work/before" "$directory" || fail "comparing changed the approved files"
script=$(echo "$found" | sed -n 1p)
echo "--- replaying $script"
cat "$script"
"$vexhost" --module "$changed" --check --script "$script" >"$work/replay.out" 2>&1
replayed=$?
cat "$work/replay.out"
[ "$replayed" = 1 ] || fail "the replay exited with $replayed, expected 1 (an expectation of the approved fails)"
grep "FAILED: expected" "$work/replay.out" | grep -qF -- "$value" ||
  fail "no failed expectation of the replay shows the approved $value"
# The replay is the change's alone: on the approved build every expectation holds.
"$vexhost" --module "$approved" --check --script "$script" >"$work/replay.out" 2>&1 ||
  { cat "$work/replay.out"; fail "the replay fails on the approved build too"; }

validate "$changed" 0 --approve
"$report" note "$work/report.json" "approved behaviour written to" || fail "--approve did not write"
validate "$changed" 0
validate "$approved" 1
echo "approved, changed, found, approved again: as expected"
