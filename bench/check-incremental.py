#!/usr/bin/env python3
"""check-incremental.py IN.pdf OUT.pdf: fails unless OUT begins with every byte of
IN and, as qpdf reads it, has IN's pages, every one with its own /Rotate 90."""
import json
import subprocess
import sys

BLOCK = 1 << 20


def begins_with(output, source):
    with open(source, "rb") as a, open(output, "rb") as b:
        while True:
            expected = a.read(BLOCK)
            if not expected:
                return len(b.read(1)) == 1  # an update follows
            if b.read(len(expected)) != expected:
                return False


def page_rotations(path):
    shown = subprocess.run(["qpdf", "--json=2", "--json-key=pages", "--json-key=qpdf", "--json-stream-data=none",
                            path], check=True, capture_output=True).stdout
    document = json.loads(shown)
    objects = document["qpdf"][1]
    rotations = []
    for page in document["pages"]:
        entry = objects["obj:" + page["object"]]
        rotations.append((entry.get("value") or entry.get("stream", {}).get("dict", {})).get("/Rotate"))
    return rotations


def main(source, output):
    if not begins_with(output, source):
        sys.exit(f"bench: {output} does not begin with {source} and an update")
    before, after = page_rotations(source), page_rotations(output)
    if len(after) != len(before) or any(rotation != 90 for rotation in after):
        wrong = sum(1 for rotation in after if rotation != 90)
        sys.exit(f"bench: {output}: {len(after)} pages of {len(before)}, {wrong} not at /Rotate 90")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
