#!/usr/bin/env bash
# A part number of a million characters, in a document and typed in a script: each is refused
# with a clear message and exit code 2, and nothing crashes.
#
#   check-huge-input.sh VEXHOST
set -uo pipefail

vexhost=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
huge=$(head -c 1000000 /dev/zero | tr '\0' 'N')
failed=0

expect() {  # expect NAME CODE MESSAGE -- ARGUMENT...
  local name=$1 want=$2 message=$3
  shift 4
  "$vexhost" "$@" >"$work/out" 2>"$work/err"
  local code=$?
  if [ "$code" != "$want" ] || ! grep -qF -- "$message" "$work/err"; then
    echo "FAIL: $name: exit code $code (expected $want); standard error:"
    head -c 2000 "$work/err"
    failed=1
  fi
}

printf '{"classes": ["Block"], "active": "Hull", "root": {"name": "Hull", "partNumber": "%s"}}\n' "$huge" >"$work/huge.json"
expect document 2 "huge.json: /root/partNumber: a text must be at most 4096 characters long, not 1000000" -- \
  --document "$work/huge.json" --script /dev/null

printf 'start VexStrCreateInterimProdCmd\nclass Block\npartnumber %s\nok\n' "$huge" >"$work/huge.vex"
expect script 2 "huge.vex: line 3: partnumber: the editor 'editorpartnumber' takes at most 72 characters, not 1000000" -- \
  --script "$work/huge.vex" --check

exit "$failed"
