#!/usr/bin/env bash
# The approved behaviour a validation writes is byte for byte the same whatever the run: validates
# a module twice, with other seeds and worker counts, writing into two empty directories, and
# compares them; then, when given, with the approved behaviour kept in the tree (which another
# build, of any preset, wrote):
#
#   check-approved-stable.sh VEXHOST MODULE KEPT-DIRECTORY|"" [VALIDATE-ARGUMENTS...]
set -uo pipefail
vexhost=$1
module=$2
kept=$3
shift 3
# A step slowed by the machine's load keeps its path from the fault sweeps, and so from the record:
# the bound of a slow step is set past any load here.
set -- --slow 60000 "$@"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$vexhost" validate "$module" --approved "$work/one" --seed 1 --jobs 1 "$@" >"$work/one.txt" 2>&1
"$vexhost" validate "$module" --approved "$work/two" --seed 99 --jobs 2 "$@" >"$work/two.txt" 2>&1
for run in one two; do
  [ -f "$work/$run/approved.txt" ] || { cat "$work/$run.txt"; echo "FAIL: run $run wrote no approved behaviour"; exit 1; }
done
diff -r "$work/one" "$work/two" >"$work/diff.txt" ||
  { head -50 "$work/diff.txt"; echo "FAIL: two runs wrote different approved behaviour"; exit 1; }
if [ -n "$kept" ]; then
  diff -r "$kept" "$work/one" >"$work/diff.txt" ||
    { head -50 "$work/diff.txt"; echo "FAIL: this build's approved behaviour differs from $kept"; exit 1; }
fi
echo "the same approved behaviour, byte for byte: $(find "$work/one" -type f | wc -l) files, $(du -sk "$work/one" | cut -f1) KiB"
