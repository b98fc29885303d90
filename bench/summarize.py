#!/usr/bin/env python3
"""Prints the tables of bench/run.sh from hyperfine's JSON exports and the peak
memory files in the results folder.

  summarize.py table RESULTS "LABEL|NAME|PEER|TARGET|MEMORY_LIMIT_MIB" ...
      TARGET is the largest allowed ratio of Folioturn's median to the peer's,
      or "-" for a peer that is shown for comparison only.
  summarize.py scaling RESULTS "PAGES|LAYOUT|NAME" ...
  summarize.py growth "LABEL|INPUT|OUTPUT|TARGET" ...
      TARGET is the largest allowed ratio of the output's size to the input's, or "-".
"""
import glob
import json
import os
import re
import statistics
import sys

PEER_NAMES = {
    "qpdf": "qpdf --rotate=90",
    "qpdf-keep": "qpdf --compress-streams=n --rotate=90",
    "cat": "cat in > out",
    "cat-sync": "cat in > new, sync new, mv new out, sync folder",
    "r90": "Folioturn -pall -r90",
    "rauto": "Folioturn -pall -rauto",
}


def times(results, name, command):
    """Every timing of `command` in every round of the measurement `name`."""
    found = []
    for path in sorted(glob.glob(os.path.join(results, f"{name}-round*.json"))):
        with open(path) as f:
            for result in json.load(f)["results"]:
                if result["command"] == command:
                    found.extend(result["times"])
    if not found:
        sys.exit(f"summarize: no timings of {command} for {name}")
    return found


def median(results, name, command):
    return statistics.median(times(results, name, command))


def peak_kib(results, name):
    with open(os.path.join(results, f"{name}.rss")) as f:
        return int(f.read())


def input_path(results, name):
    with open(os.path.join(results, f"{name}.input")) as f:
        return f.read().strip()


def seconds(value):
    return f"{value:.3f} s" if value < 10 else f"{value:.2f} s"


def mib(kib):
    return f"{kib / 1024:.1f} MiB"


def table(results, rows):
    header = ("workload", "peer", "Folioturn median", "peer median", "ratio", "target",
              "Folioturn peak memory", "limit", "verdict")
    lines = [header]
    for row in rows:
        label, name, peer, target, limit = row.split("|")
        ours, theirs = median(results, name, "folioturn"), median(results, name, peer)
        ratio = ours / theirs
        rss = peak_kib(results, name)
        verdicts = []
        if target != "-":
            verdicts.append("time met" if ratio <= float(target) else "TIME MISSED")
        verdicts.append("memory met" if rss <= int(limit) * 1024 else "MEMORY MISSED")
        lines.append((label, PEER_NAMES[peer], seconds(ours), seconds(theirs), f"{ratio:.2f}",
                      "-" if target == "-" else f"<= {target}", mib(rss), f"{limit} MiB", ", ".join(verdicts)))
    print_columns(lines, "medians over all rounds")


def object_count(path):
    """The /Size of the last trailer, or else of the cross-reference stream that
    startxref points to (its dictionary comes before its data, far from the end)."""
    with open(path, "rb") as f:
        f.seek(max(0, os.path.getsize(path) - 8192))
        tail = f.read()
        sizes = re.findall(rb"/Size\s+(\d+)", tail)
        if not sizes:
            start = re.findall(rb"startxref\s+(\d+)", tail)
            f.seek(int(start[-1]) if start else 0)
            sizes = re.findall(rb"/Size\s+(\d+)", f.read(4096))
    return int(sizes[-1]) if sizes else 0


def cpu_seconds(results, name):
    """User plus system time of Folioturn, mean over the runs: less disturbed by
    other work on the machine than the elapsed time."""
    total = []
    for path in sorted(glob.glob(os.path.join(results, f"{name}-round*.json"))):
        with open(path) as f:
            for result in json.load(f)["results"]:
                if result["command"] == "folioturn":
                    total.append(result["user"] + result["system"])
    return statistics.mean(total)


def scaling(results, rows):
    header = ("pages", "layout", "objects", "input", "median", "per page", "CPU time", "x CPU time", "peak memory",
              "added per 1000 pages")
    lines = [header]
    previous = {}
    for row in rows:
        pages, layout, name = row.split("|")
        pages = int(pages)
        path = input_path(results, name)
        elapsed, cpu, rss = median(results, name, "folioturn"), cpu_seconds(results, name), peak_kib(results, name)
        growth, added = "", ""
        if layout in previous:
            last_pages, last_cpu, last_rss = previous[layout]
            growth = f"{cpu / last_cpu:.1f} for {pages / last_pages:.0f}x pages"
            added = f"{(rss - last_rss) / (pages - last_pages) * 1000:.0f} KiB"
        previous[layout] = (pages, cpu, rss)
        lines.append((f"{pages:,}", layout, f"{object_count(path):,}", f"{os.path.getsize(path) / 1e6:.1f} MB",
                      seconds(elapsed), f"{elapsed / pages * 1e6:.1f} us", seconds(cpu), growth, mib(rss), added))
    print_columns(lines, "Folioturn alone; CPU time is user plus system, mean of the runs; "
                         "peak memory is the maximum resident set size")


def growth(rows):
    lines = [("workload", "input", "output", "ratio", "target", "verdict")]
    for row in rows:
        label, source, output, target = row.split("|")
        before, after = os.path.getsize(source), os.path.getsize(output)
        ratio = after / before
        verdict = "-" if target == "-" else ("size met" if ratio <= float(target) else "SIZE MISSED")
        lines.append((label, f"{before / 1e6:.2f} MB", f"{after / 1e6:.2f} MB", f"{ratio:.3f}",
                      "-" if target == "-" else f"<= {target}", verdict))
    print_columns(lines, "output size over input size")


def print_columns(lines, note):
    widths = [max(len(line[i]) for line in lines) for i in range(len(lines[0]))]
    print()
    for line in lines:
        print("  ".join(cell.ljust(width) for cell, width in zip(line, widths)).rstrip())
    print(f"({note})")


def main(argv):
    if len(argv) >= 3 and argv[1] == "growth":
        growth(argv[2:])
        return
    if len(argv) < 4 or argv[1] not in ("table", "scaling"):
        sys.exit(__doc__)
    (table if argv[1] == "table" else scaling)(argv[2], argv[3:])


if __name__ == "__main__":
    main(sys.argv)
