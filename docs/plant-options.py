#!/usr/bin/env python3
# Plants two faults in a copy of the validator's page for the docs check to find: an option the
# program lacks added to its option table (extra-option.md), and an option it accepts taken out
# (missing-option.md). Stops when the page has no such table or row, so that a planted case
# never checks an unchanged page.
#
#   docs/plant-options.py PAGE OUT_DIR
import sys
from pathlib import Path

MARKER = "<!-- options: vexhost validate -->"
PLANTED_ROW = "| `--frobnicate N` | planted: an option that vexhost validate lacks |"
REMOVED_OPTION = "| `--seed N` |"


def main(page, out):
    lines = Path(page).read_text(encoding="utf-8").splitlines(keepends=True)
    marker = next((index for index, line in enumerate(lines) if line.strip() == MARKER), None)
    if marker is None:
        sys.exit(f"plant-options: {page} has no line {MARKER}")
    separator = marker + 2  # the table's header row, then its separator row
    if not lines[separator].startswith("|---"):
        sys.exit(f"plant-options: {page}: no table right after {MARKER}")
    removed = [line for line in lines if not line.startswith(REMOVED_OPTION)]
    if len(removed) != len(lines) - 1:
        sys.exit(f"plant-options: {page} has no row {REMOVED_OPTION}")
    Path(out).mkdir(parents=True, exist_ok=True)
    extra = lines[: separator + 1] + [PLANTED_ROW + "\n"] + lines[separator + 1 :]
    (Path(out) / "extra-option.md").write_text("".join(extra), encoding="utf-8")
    (Path(out) / "missing-option.md").write_text("".join(removed), encoding="utf-8")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: docs/plant-options.py PAGE OUT_DIR")
    main(sys.argv[1], sys.argv[2])
