#!/usr/bin/env python3
# Plants faults in copies of the validator's page for the docs checks to find: an option the
# program lacks added to its option table (extra-option.md), an option it accepts taken out
# (missing-option.md), and a rule's kind changed in the rules table (changed-rule.md). Stops when
# the page has no such table or row, so that a planted case never checks an unchanged page.
#
#   docs/plant-options.py PAGE OUT_DIR
import sys
from pathlib import Path

MARKER = "<!-- options: vexhost validate -->"
PLANTED_ROW = "| `--frobnicate N` | planted: an option that vexhost validate lacks |"
REMOVED_OPTION = "| `--seed N` |"
RULE_ROW = "| `load.register-once` | `duplicate-registration` |"
CHANGED_RULE_ROW = "| `load.register-once` | `registered-twice` |"


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
    text = "".join(lines)
    if RULE_ROW not in text:
        sys.exit(f"plant-options: {page} has no rule row starting {RULE_ROW}")
    (Path(out) / "changed-rule.md").write_text(text.replace(RULE_ROW, CHANGED_RULE_ROW, 1), encoding="utf-8")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: docs/plant-options.py PAGE OUT_DIR")
    main(sys.argv[1], sys.argv[2])
