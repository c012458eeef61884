#!/usr/bin/env bash
# Validates a module twice with the same seed, on one worker and on two, and checks that both runs
# explored the same paths, ran the same cases and found the same:
#   check-deterministic.sh VEXHOST REPORT-TOOL MODULE [VALIDATE-ARGUMENTS...]
set -uo pipefail
vexhost=$1
report=$2
module=$3
shift 3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$vexhost" validate "$module" --seed 11 --jobs 1 --json "$work/one.json" "$@" >"$work/one.txt" 2>&1
"$vexhost" validate "$module" --seed 11 --jobs 2 --json "$work/two.json" "$@" >"$work/two.txt" 2>&1
"$report" same "$work/one.json" "$work/two.json" || { cat "$work/one.txt" "$work/two.txt"; exit 1; }
