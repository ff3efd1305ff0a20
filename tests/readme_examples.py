#!/usr/bin/python3
# Every example printed in the README is a program the test run builds and
# runs: each fenced block's lines must appear, in their order, in one of the
# files under examples/ (leading and trailing spaces aside; a file may add
# lines between them, such as a main around statements). A block found
# nowhere fails the test, naming the block and its first missing line, as
# does a picture the README links to that the checkout lacks.
import pathlib
import re
import sys

root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
readme = (root / "README.md").read_text(encoding="utf-8")
blocks = re.findall(r"^```(\w+)\n(.*?)^```", readme, re.S | re.M)

files = [p for p in (root / "examples").rglob("*") if p.is_file() and not p.name.endswith(".expected")]
texts = {p: [line.strip() for line in p.read_text(encoding="utf-8", errors="replace").splitlines()] for p in files}


def first_missing(block_lines, file_lines):
    """The first block line not found in order in the file, or None."""
    at = 0
    for line in block_lines:
        try:
            at = file_lines.index(line, at) + 1
        except ValueError:
            return line
    return None


failures = 0
for number, (language, body) in enumerate(blocks, 1):
    lines = [line.strip() for line in body.splitlines() if line.strip()]
    where = [p for p, t in texts.items() if first_missing(lines, t) is None]
    if where:
        print(f"block {number} ({language}): {where[0].relative_to(root)}")
        continue
    failures += 1
    best = min(texts, key=lambda p: lines.index(first_missing(lines, texts[p])) * -1)
    print(f"block {number} ({language}) is in no example; closest {best.relative_to(root)} lacks: "
          f"{first_missing(lines, texts[best])!r}")
print(f"{len(blocks)} blocks, {failures} not in an example")

# Every picture the README shows is a file of the checkout.
for target in re.findall(r"!\[[^\]]*\]\(([^)\s]+)\)", readme):
    if not (root / target).is_file():
        failures += 1
        print(f"picture {target} is not in the checkout")
sys.exit(1 if failures or not blocks else 0)
