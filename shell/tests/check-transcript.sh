#!/usr/bin/env bash
# Runs vexhost on one script and compares what it prints and its exit code with the golden ones.
#
#   check-transcript.sh VEXHOST SCRIPT EXPECTED-OUTPUT [ARGUMENT...]
#
# The ARGUMENTs go to vexhost before those the script names (`--module M` for another module).
# Comment lines in the script may give the run's extra arguments, its exit code (default 0) and a
# text that must appear on standard error:
#   #@ args: --document ../documents/no-factory.json --check
#   #@ exit: 1
#   #@ stderr: line 8: ok: ...
# vexhost runs in the script's directory with the script named by its file name, so that paths in
# the arguments and in messages do not depend on where the tree is.
# With VEXHOST_UPDATE_GOLDEN=1 the expected output is rewritten from this run instead.
set -uo pipefail

vexhost=$1
script=$2
expected=$3
shift 3

args=$(sed -n 's/^#@ args: *//p' "$script")
want_code=$(sed -n 's/^#@ exit: *//p' "$script")
want_code=${want_code:-0}
want_stderr=$(sed -n 's/^#@ stderr: *//p' "$script")

out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT

cd "$(dirname "$script")" || exit 1
# shellcheck disable=SC2086  # the arguments are separate words
"$vexhost" "$@" $args --script "$(basename "$script")" </dev/null >"$out" 2>"$err"
code=$?

if [ "${VEXHOST_UPDATE_GOLDEN:-}" = 1 ]; then
  cp "$out" "$expected"
  echo "updated $expected"
fi

failed=0
if ! diff -u "$expected" "$out"; then
  echo "FAIL: the output differs from $expected (above: - expected, + this run)"
  failed=1
fi
if [ "$code" != "$want_code" ]; then
  echo "FAIL: exit code $code, expected $want_code"
  failed=1
fi
if [ -n "$want_stderr" ] && ! grep -qF -- "$want_stderr" "$err"; then
  echo "FAIL: standard error does not hold: $want_stderr"
  failed=1
fi
if [ "$failed" != 0 ]; then
  echo "--- standard error:"
  cat "$err"
fi
exit "$failed"
