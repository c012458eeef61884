#!/usr/bin/env bash
# A bad resource file is reported once, with its file and the place of the fault, however many
# sessions read it: by a script run, and by a validation that opens thousands in forked workers.
# The texts of a bad file are not used; the run goes on without them.
#
#   check-resource-report.sh VEXHOST MODULE RESOURCE-DIRECTORY
set -uo pipefail

vexhost=$1
module=$2
resources=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

cp "$resources"/*.json "$work/"
printf '{\n  "InterimProductPanel": "Create",\n  "LabelPartNumber":\n}\n' >"$work/VexStrInterimProdPanel.json"
printf '{"Title": ["not", "a", "text"]}\n' >"$work/Unused.json"
syntax="vexhost: resource file $work/VexStrInterimProdPanel.json ignored: parse error at line 4, column 1:"
wrong="vexhost: resource file $work/Unused.json ignored: /Title: expected a text, not array"

# Counts the lines of $1 that start with $2; fails unless there is exactly one.
once() {
  local count
  count=$(grep -cF -- "$2" "$1")
  [ "$count" = 1 ] || fail "$3: reported $count times, not once: $2"
}

printf 'start VexStrCreateInterimProdCmd\nshow\ncancel\nstart VexStrCreateInterimProdCmd\nshow\n' |
  "$vexhost" --module "$module" --resources "$work" >"$work/run.out" 2>"$work/run.err" || fail "the script run failed"
once "$work/run.err" "$syntax" "a script run"
once "$work/run.err" "$wrong" "a script run"
grep -q "Create Interim Product" "$work/run.out" && fail "a text of the bad file was used"

"$vexhost" validate "$module" --resources "$work" --depth 0 --states 5 --random 0 --jobs 2 \
  >"$work/validate.out" 2>"$work/validate.err"
once "$work/validate.err" "$syntax" "a validation"
once "$work/validate.err" "$wrong" "a validation"

if [ "$failed" != 0 ]; then
  echo "--- script run, standard error:"; cat "$work/run.err"
  echo "--- validation, standard error:"; head -20 "$work/validate.err"
fi
exit "$failed"
