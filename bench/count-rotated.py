#!/usr/bin/env python3
"""count-rotated.py IN.pdf OUT.pdf: fails unless OUT has as many pages as IN and
every one of them says /Rotate 90 (the benchmark rotates all pages by 90)."""
import mmap
import re
import subprocess
import sys


def page_count(path):
    return int(subprocess.run(["qpdf", "--show-npages", path], check=True, capture_output=True, text=True).stdout)


def rotated_count(path):
    with open(path, "rb") as f, mmap.mmap(f.fileno(), 0, access=mmap.ACCESS_READ) as data:
        return sum(1 for _ in re.finditer(rb"/Rotate 90(?![0-9])", data))


def main(source, output):
    pages, after = page_count(source), page_count(output)
    rotated = rotated_count(output)
    if after != pages or rotated != pages:
        sys.exit(f"bench: {output}: {after} pages of {pages}, {rotated} rotated by 90")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
