#!/usr/bin/env bash
# Resident memory of one long shell run: vexhost runs a script of FIRST lifecycles, then one of
# TOTAL lifecycles (each: start the command, choose a class, type a part number, cancel), both
# with the journal streamed to /dev/null; the peak resident memory of the two runs is compared.
# What the long run needs beyond the short one is what a run gains by going on.
#
#   bench/shell-memory.sh VEXHOST [FIRST [TOTAL [ALLOWED-KIB]]]     (1000, 100000, 64)
#
# Exit status: 0 within the allowance, 1 over it, 2 the shell failed.
set -uo pipefail

vexhost=$1
first=${2:-1000}
total=${3:-100000}
allowed=${4:-64}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The peak resident memory of the shell, in KiB, as GNU time reads it from the kernel.
peak() {
  local lifecycles=$1 script="$work/$1.vex"
  awk -v n="$lifecycles" 'BEGIN {
    for (i = 0; i < n; i++)
      printf "start VexStrCreateInterimProdCmd\nclass Block\npartnumber BA-%d\ncancel\n", i
  }' >"$script"
  if ! /usr/bin/time -f %M -o "$work/peak" "$vexhost" --script "$script" --journal /dev/null >/dev/null 2>"$work/err"; then
    echo "shell-memory: vexhost failed on $lifecycles lifecycles:" >&2
    cat "$work/err" >&2
    exit 2
  fi
  cat "$work/peak"
}

short=$(peak "$first")
long=$(peak "$total")
growth=$((long - short))
echo "shell, one run: peak resident $short KiB after $first lifecycles, $long KiB after $total" \
  "($(printf %+d "$growth") KiB; at most +$allowed allowed)"
[ "$growth" -le "$allowed" ]
