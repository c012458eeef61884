#!/usr/bin/env bash
# Documents nested deep: products 256 levels deep are read and drawn; one level more is refused
# with the place and the limit; ten thousand levels are refused the same way, without a crash and
# with little memory.
#
#   check-deep-document.sh VEXHOST
set -uo pipefail

vexhost=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

# A chain of products DEPTH deep, the deepest active.
chain() {  # chain DEPTH FILE
  local depth=$1 file=$2 i path="P1"
  {
    printf '{"classes": ["Block"], "root": '
    for ((i = 1; i < depth; i++)); do printf '{"name": "P%d", "children": [' "$i"; done
    printf '{"name": "P%d"}' "$depth"
    for ((i = 1; i < depth; i++)); do printf ']}'; done
    for ((i = 2; i <= depth; i++)); do path+="/P$i"; done
    printf ', "active": "%s"}\n' "$path"
  } >"$file"
}

run() {  # run NAME WANT-CODE MESSAGE FILE
  local name=$1 want=$2 message=$3 file=$4
  printf 'tree\n' | "$vexhost" --document "$file" >"$work/out" 2>"$work/err"
  local code=$?
  if [ "$code" != "$want" ] || ! grep -qF -- "$message" "$work/err" "$work/out"; then
    echo "FAIL: $name: exit code $code (expected $want), message expected: $message"
    head -c 2000 "$work/err"
    failed=1
  fi
}

chain 256 "$work/256.json"
run deepest-allowed 0 "P256  <- active" "$work/256.json"

chain 257 "$work/257.json"
run one-too-deep 2 "257.json: /root/children/0/children/0/children/...(501 levels).../children/0/children/0/children/0: the document nests deeper than 513 levels: products nest at most 256 deep" \
  "$work/257.json"

chain 10000 "$work/10000.json"
run ten-thousand 2 "the document nests deeper than 513 levels" "$work/10000.json"

# Arrays nested in a place no product is: refused by the same limit, not by a crash.
{ printf '{"classes": '; for ((i = 0; i < 100000; i++)); do printf '['; done; } >"$work/arrays.json"
run arrays 2 "/classes/0/0/0/0/0/...(501 levels).../0/0/0/0/0/0: the document nests deeper than 513 levels" "$work/arrays.json"

# An active path set by a script is held to the same depth: a product made under the deepest one
# is 257 deep, and cannot be made active to go deeper.
printf 'start VexStrCreateInterimProdCmd\nclass Block\nok\nactive %s/Block 1\n' "$(sed 's/.*"active": "\([^"]*\)".*/\1/' "$work/256.json")" \
  >"$work/deeper.vex"
"$vexhost" --document "$work/256.json" --script "$work/deeper.vex" >"$work/out" 2>"$work/err"
code=$?
if [ "$code" != 2 ] || ! grep -qF "line 4: active: the path \"P1/P2/P3/P4/P5/P6/P7/P8" "$work/err" ||
  ! grep -qF "names 257 products: products nest at most 256 deep" "$work/err"; then
  echo "FAIL: deeper-by-script: exit code $code (expected 2)"
  head -c 2000 "$work/err"
  failed=1
fi

exit "$failed"
