#!/usr/bin/env python3
"""Writes the benchmark inputs, PDF syntax written directly with a classic
cross-reference table:

  make-workload.py pages COUNT OUT.pdf
      COUNT pages, each with a small Flate-compressed content stream, hung from a
      balanced page tree. Compressed content keeps the peer honest: a writer that
      compresses uncompressed streams would otherwise do extra work of its own.
  make-workload.py images COUNT MIB OUT.pdf
      COUNT pages, each showing one uncompressed image XObject of MIB MiB of
      random bytes, which nothing can compress.
"""
import os
import sys
import zlib

KIDS_PER_NODE = 16  # fan-out of the page tree


class Writer:
    """Writes numbered objects in order and remembers their offsets."""

    def __init__(self, out):
        self.out = out
        self.position = 0
        self.offsets = {}
        self.emit(b"%PDF-1.5\n%\xe2\xe3\xcf\xd3\n")

    def emit(self, data):
        self.out.write(data)
        self.position += len(data)

    def object(self, number, body):
        self.offsets[number] = self.position
        self.emit(b"%d 0 obj\n%s\nendobj\n" % (number, body))

    def stream(self, number, dictionary, data, chunks=None):
        """`chunks` writes the data in pieces, so that a large stream is never held whole."""
        self.offsets[number] = self.position
        self.emit(b"%d 0 obj\n<< %s /Length %d >>\nstream\n" % (number, dictionary, len(data) if chunks is None else chunks[0]))
        if chunks is None:
            self.emit(data)
        else:
            for piece in chunks[1]():
                self.emit(piece)
        self.emit(b"\nendstream\nendobj\n")

    def finish(self, root, info):
        size = max(self.offsets) + 1
        table = self.position
        lines = [b"xref\n0 %d\n0000000000 65535 f \n" % size]
        for n in range(1, size):
            if n in self.offsets:
                lines.append(b"%010d 00000 n \n" % self.offsets[n])
            else:
                lines.append(b"0000000000 00000 f \n")
        self.emit(b"".join(lines))
        self.emit(b"trailer\n<< /Size %d /Root %d 0 R /Info %d 0 R >>\nstartxref\n%d\n%%%%EOF\n"
                  % (size, root, info, table))


def plan_tree(leaf_count):
    """Groups the leaves into a balanced tree of /Pages nodes, bottom up. Returns
    the levels, the root's last; each level lists its nodes' children as indexes
    into the level below (level 0: into the leaves)."""
    levels = []
    width = leaf_count
    while True:
        level = [list(range(i, min(i + KIDS_PER_NODE, width))) for i in range(0, width, KIDS_PER_NODE)]
        levels.append(level)
        if len(level) == 1:
            return levels
        width = len(level)


def number_tree(levels, first):
    """Object numbers for the nodes, from `first` up with the root first."""
    numbers = [None] * len(levels)
    for depth in reversed(range(len(levels))):
        numbers[depth] = list(range(first, first + len(levels[depth])))
        first += len(levels[depth])
    return numbers, first


def write_tree(writer, levels, node_numbers, leaf_numbers):
    """Writes every /Pages node, root first. Returns each leaf's parent number."""
    below, counts = leaf_numbers, [1] * len(leaf_numbers)
    parents, kids_of, count_of = [], [], []
    for depth, level in enumerate(levels):
        parent_of_below = [0] * len(below)
        level_counts = []
        for node, children in enumerate(level):
            for child in children:
                parent_of_below[child] = node_numbers[depth][node]
            level_counts.append(sum(counts[c] for c in children))
        parents.append(parent_of_below)
        kids_of.append([[below[c] for c in children] for children in level])
        count_of.append(level_counts)
        below, counts = node_numbers[depth], level_counts
    for depth in reversed(range(len(levels))):
        for node, kids in enumerate(kids_of[depth]):
            parent = b""
            if depth + 1 < len(levels):
                parent = b" /Parent %d 0 R" % parents[depth + 1][node]
            writer.object(node_numbers[depth][node], b"<< /Type /Pages%s /Kids [%s] /Count %d >>"
                          % (parent, b" ".join(b"%d 0 R" % k for k in kids), count_of[depth][node]))
    return parents[0]


def page_content(page):
    text = (b"BT /F1 24 Tf 72 720 Td (Benchmark page %d) Tj ET\n"
            b"0 0 1 RG 72 72 m 540 72 l 540 700 l S\n" % page)
    return zlib.compress(text, 6)


def write_document(path, page_count, page_resources, write_page_extras):
    """Catalogue 1, info 2, shared text resources 3, the page tree, then each page followed
    by its own objects. `write_page_extras(writer, page, first_number)` writes a
    page's content (and anything else) and returns (its /Contents number, the
    numbers used)."""
    with open(path, "wb", buffering=1 << 20) as out:
        writer = Writer(out)
        writer.object(1, b"<< /Type /Catalog /Pages %d 0 R >>" % 4)
        writer.object(2, b"<< /Title (Folioturn benchmark) /Producer (make-workload.py) >>")
        writer.object(3, b"<< /Font << /F1 << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> >> >>")
        levels = plan_tree(page_count)
        node_numbers, next_number = number_tree(levels, 4)
        objects_per_page = write_page_extras.objects_per_page
        leaf_numbers = [next_number + i * objects_per_page for i in range(page_count)]
        parents = write_tree(writer, levels, node_numbers, leaf_numbers)
        for page in range(page_count):
            number = leaf_numbers[page]
            contents = write_page_extras(writer, page + 1, number + 1)
            writer.object(number, b"<< /Type /Page /Parent %d 0 R /MediaBox [0 0 612 792] /Resources %s"
                          b" /Contents %d 0 R >>" % (parents[page], page_resources(number + 1), contents))
        writer.finish(1, 2)


def text_pages(path, page_count):
    def extras(writer, page, first):
        writer.stream(first, b"/Filter /FlateDecode", page_content(page))
        return first
    extras.objects_per_page = 2
    write_document(path, page_count, lambda first: b"3 0 R", extras)


def image_pages(path, page_count, mib):
    size = mib * 1024 * 1024
    width = 2048
    height = size // width

    def random_pieces():
        left = width * height
        while left:
            piece = min(left, 1 << 20)
            yield os.urandom(piece)
            left -= piece

    def extras(writer, page, first):
        image, contents = first, first + 1
        writer.stream(image, b"/Type /XObject /Subtype /Image /Width %d /Height %d /ColorSpace /DeviceGray"
                      b" /BitsPerComponent 8" % (width, height), None, (width * height, random_pieces))
        writer.stream(contents, b"", b"q 612 0 0 792 0 0 cm /Im1 Do Q")
        return contents
    extras.objects_per_page = 3
    write_document(path, page_count, lambda first: b"<< /XObject << /Im1 %d 0 R >> >>" % first, extras)


def main(argv):
    if len(argv) == 4 and argv[1] == "pages":
        text_pages(argv[3], int(argv[2]))
    elif len(argv) == 5 and argv[1] == "images":
        image_pages(argv[4], int(argv[2]), int(argv[3]))
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
