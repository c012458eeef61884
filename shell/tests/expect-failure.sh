#!/usr/bin/env bash
# Runs vexhost on bad input and checks the exit code and the message on standard error.
#
#   expect-failure.sh VEXHOST CODE MESSAGE INPUT [ARGUMENT...]
#
# INPUT is what standard input holds (printf %b escapes, so "\n" ends a line), or "-" for nothing.
# With VEXHOST_NOTHING_RUN=1 in the environment, standard output must stay empty: the input was
# refused before anything was loaded or run.
set -uo pipefail

vexhost=$1
want_code=$2
message=$3
input=$4
shift 4

out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT

if [ "$input" = - ]; then input=""; fi
printf '%b' "$input" | "$vexhost" "$@" >"$out" 2>"$err"
code=$?

failed=0
if [ "$code" != "$want_code" ]; then
  echo "FAIL: exit code $code, expected $want_code"
  failed=1
fi
if ! grep -qF -- "$message" "$err"; then
  echo "FAIL: standard error does not hold: $message"
  failed=1
fi
if [ "${VEXHOST_NOTHING_RUN:-}" = 1 ] && [ -s "$out" ]; then
  echo "FAIL: something ran before the input was refused"
  failed=1
fi
if [ "$failed" != 0 ]; then
  echo "--- standard output:"
  cat "$out"
  echo "--- standard error:"
  cat "$err"
fi
exit "$failed"
