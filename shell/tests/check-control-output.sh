#!/usr/bin/env bash
# Texts that hold control characters reach the shell from resource files (and could from the
# module): the terminal must receive none of them raw and the SVG picture must stay well-formed.
#
#   check-control-output.sh VEXHOST RESOURCE-DIRECTORY
set -uo pipefail

vexhost=$1
resources=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

printf 'start VexStrCreateInterimProdCmd\nshow\ntree\n' |
  "$vexhost" --resources "$resources" --svg "$work/panel.svg" >"$work/out" 2>"$work/err" || fail "vexhost failed"
printf 'active Hull/Block B\nstart VexStrCreateInterimProdCmd\nshow\n' |
  "$vexhost" --resources "$resources" --interactive >>"$work/out" 2>>"$work/err" || fail "vexhost failed at the prompt"

# No byte of C0 but the newline, no DEL, no C1 (as UTF-8: C2 80 to C2 9F).
if LC_ALL=C grep -q $'[\x01-\x09\x0b-\x1f\x7f]' "$work/out" "$work/err" || LC_ALL=C grep -qP '\xc2[\x80-\x9f]' "$work/out"; then
  fail "a control character reached the terminal:"
  LC_ALL=C grep -n $'[\x01-\x09\x0b-\x1f\x7f]' "$work/out" | od -c | head -20
fi
for text in 'Create\x1B[2J Interim\nProduct' 'Part\x07 number:\u009B' 'Level:\r' 'Interim product class\x0C'; do
  grep -qF -- "$text" "$work/out" || fail "the drawing does not show the escaped text $text"
done

# xmllint (libxml2-utils, installed by scripts/setup) or, failing it, python3 or rsvg-convert read it.
if command -v xmllint >/dev/null; then
  xmllint --noout "$work/panel.svg" || fail "the SVG is not well-formed XML"
elif command -v python3 >/dev/null; then
  python3 -c 'import sys, xml.dom.minidom; xml.dom.minidom.parse(sys.argv[1])' "$work/panel.svg" ||
    fail "the SVG is not well-formed XML"
elif command -v rsvg-convert >/dev/null; then
  rsvg-convert --format=png --output="$work/panel.png" "$work/panel.svg" || fail "the SVG cannot be read"
else
  fail "no XML reader (xmllint, python3 or rsvg-convert) is installed"
fi
grep -qF -- 'Part &lt;number&gt; &amp; &quot;more&quot;' "$work/panel.svg" || fail "the SVG does not escape markup"
grep -qF -- 'Create\x1B[2J Interim\nProduct' "$work/panel.svg" || fail "the SVG does not show the escaped title"

if [ "$failed" != 0 ]; then
  echo "--- standard output:"; cat -v "$work/out"; echo "--- standard error:"; cat -v "$work/err"
fi
exit "$failed"
