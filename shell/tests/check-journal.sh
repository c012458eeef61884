#!/usr/bin/env bash
# Runs vexhost on a script with --journal and checks the journal.
#
#   check-journal.sh VEXHOST CHECKER SCRIPT [CHECKER-OPTION...]
set -uo pipefail

vexhost=$1
checker=$2
script=$3
shift 3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$vexhost" --script "$script" --journal "$work/journal.jsonl" >"$work/out" 2>&1 ||
  { cat "$work/out"; echo "FAIL: vexhost failed"; exit 1; }
"$checker" "$work/journal.jsonl" "$@"
