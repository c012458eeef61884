#!/usr/bin/env bash
# Makes an SVG picture of the panel with vexhost and checks that it is well-formed XML, that it
# shows what the widget tree holds, and that rsvg-convert renders it.
#
#   check-svg.sh VEXHOST
#
# Exits 77 (reported as skipped) when rsvg-convert is not installed.
set -uo pipefail

vexhost=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if ! command -v rsvg-convert >/dev/null; then
  echo "SKIP: rsvg-convert is not installed (Debian package librsvg2-bin)"
  exit 77
fi

printf 'start VexStrCreateInterimProdCmd\nclass Assembly\npartnumber BA-<&>-201\nshow\n' |
  "$vexhost" --svg "$work/panel.svg" >"$work/out" 2>&1 || { cat "$work/out"; echo "FAIL: vexhost failed"; exit 1; }

fail() { echo "FAIL: $*"; exit 1; }

if command -v xmllint >/dev/null; then
  xmllint --noout "$work/panel.svg" || fail "the SVG is not well-formed XML"
elif command -v python3 >/dev/null; then
  python3 -c 'import sys, xml.dom.minidom; xml.dom.minidom.parse(sys.argv[1])' "$work/panel.svg" ||
    fail "the SVG is not well-formed XML"
else
  echo "note: neither xmllint nor python3 is installed; rsvg-convert alone checks the XML"
fi

for text in '<svg ' 'Create Interim Product' 'Interim product class' 'Assembly' 'Part number:' \
  'BA-&lt;&amp;&gt;-201' 'Level:' '>2<' '>OK<' '>Cancel<'; do
  grep -qF -- "$text" "$work/panel.svg" || fail "the SVG does not hold $text"
done

rsvg-convert --format=png --output="$work/panel.png" "$work/panel.svg" || fail "rsvg-convert cannot render the SVG"
[ -s "$work/panel.png" ] || fail "rsvg-convert made an empty picture"
signature=$(head -c 8 "$work/panel.png" | od -An -tx1 | tr -d ' \n')
[ "$signature" = 89504e470d0a1a0a ] || fail "rsvg-convert did not make a PNG"
echo "the SVG is well-formed and renders ($(wc -c <"$work/panel.png") bytes of PNG)"
