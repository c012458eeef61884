#!/usr/bin/env bash
# Runs the demo and every transcript script with its arguments and --journal, and checks that
# each operation the journals record is in the host's list of boundary operations.
#
#   check-operations.sh VEXHOST CHECKER DEMO TRANSCRIPT-DIRECTORY
set -uo pipefail

vexhost=$1
checker=$2
demo=$3
transcripts=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
checked=0

for script in "$demo" "$transcripts"/*.vex; do
  name=$(basename "$script" .vex)
  args=$(sed -n 's/^#@ args: *//p' "$script")
  # shellcheck disable=SC2086  # the arguments are separate words
  (cd "$(dirname "$script")" && "$vexhost" $args --script "$(basename "$script")" --journal "$work/$name.jsonl") \
    </dev/null >/dev/null 2>&1
  # A run refused after it ended writes no journal.
  [ -s "$work/$name.jsonl" ] || continue
  checked=$((checked + 1))
  "$checker" "$work/$name.jsonl" --known-operations || { echo "FAIL: in the journal of $name"; failed=1; }
done
if [ "$checked" -lt 10 ]; then
  echo "FAIL: only $checked journals were written"
  failed=1
fi
exit "$failed"
