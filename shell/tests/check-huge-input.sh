#!/usr/bin/env bash
# A part number of a million characters, in a document and typed in a script: each is refused
# with a clear message and exit code 2, and nothing crashes. A word of 20 MB where a command or a
# class name is expected is refused with a message that quotes only its start and its end.
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

short_message() {  # short_message NAME MESSAGE: the last message was short and said MESSAGE
  local size
  size=$(wc -c <"$work/err")
  if [ "$size" -gt 2000 ] || ! grep -qF -- "$2" "$work/err"; then
    echo "FAIL: $1: standard error holds $size bytes; its start:"
    head -c 600 "$work/err"
    failed=1
  fi
}

word=$(head -c 20000000 /dev/zero | tr '\0' 'W')
printf '%s\n' "$word" >"$work/word.vex"
expect unknown-word 2 'word.vex: line 1: unknown command "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW[... 19999940 characters cut ...]WWWWWWWWWWWWWWWWWWWW" (expected one of: start,' -- \
  --script "$work/word.vex"
short_message unknown-word "characters cut"

printf 'start VexStrCreateInterimProdCmd\nbrowse %s\n' "$word" >"$work/browse.vex"
expect unoffered-class 2 "browse.vex: line 2: browse: the class browser does not offer 'WWW" -- --script "$work/browse.vex"
short_message unoffered-class "characters cut ...]WWW"

exit "$failed"
