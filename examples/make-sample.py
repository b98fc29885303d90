#!/usr/bin/env python3
"""Writes a small PDF with a classic cross-reference table, made from scratch so
that the project owns every byte of it:  make-sample.py [path] [page count].
Page 2 carries its own /Rotate 90; pages 5 and up inherit /Rotate 180 from their
page tree node. The bundled samples: sample.pdf (6 pages), sample-short.pdf (3)."""
import sys

PAGE_COUNT = 6


def content(page):
    text = f"BT /F1 36 Tf 72 700 Td (Folioturn sample, page {page}) Tj ET\n"
    text += "0 0 1 RG 4 w 72 72 m 540 72 l 540 720 l S\n"
    return text.encode("ascii")


def build(page_count=PAGE_COUNT):
    objects = {}
    objects[1] = b"<< /Type /Catalog /Pages 2 0 R >>"
    objects[3] = b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"
    # Pages 1-4 hang from the root, pages 5-6 from a child node with a rotation.
    kids_root, kids_child = [], []
    number = 5
    page_numbers = []
    for page in range(1, page_count + 1):
        page_numbers.append((page, number, number + 1))
        number += 2
    child = number
    for page, page_object, content_object in page_numbers:
        parent = child if page >= 5 else 2
        rotate = b" /Rotate 90" if page == 2 else b""
        objects[page_object] = (b"<< /Type /Page /Parent %d 0 R /MediaBox [0 0 612 792]%s"
                                b" /Resources << /Font << /F1 3 0 R >> >> /Contents %d 0 R >>"
                                % (parent, rotate, content_object))
        data = content(page)
        objects[content_object] = b"<< /Length %d >>\nstream\n%s\nendstream" % (len(data), data)
        (kids_child if page >= 5 else kids_root).append(page_object)
    refs = lambda kids: b" ".join(b"%d 0 R" % k for k in kids)
    objects[child] = b"<< /Type /Pages /Parent 2 0 R /Rotate 180 /Kids [%s] /Count %d >>" % (
        refs(kids_child), len(kids_child))
    objects[2] = b"<< /Type /Pages /Kids [%s %d 0 R] /Count %d >>" % (refs(kids_root), child, page_count)
    objects[4] = b"<< /Title (Folioturn sample) /Producer (make-sample.py) >>"

    out = bytearray(b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n")
    offsets = {}
    for n in sorted(objects):
        offsets[n] = len(out)
        out += b"%d 0 obj\n%s\nendobj\n" % (n, objects[n])
    size = max(objects) + 1
    table = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % size
    for n in range(1, size):
        out += b"%010d 00000 n \n" % offsets[n]
    out += b"trailer\n<< /Size %d /Root 1 0 R /Info 4 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (size, table)
    return bytes(out)


if __name__ == "__main__":
    path = sys.argv[1] if len(sys.argv) > 1 else "examples/sample.pdf"
    pages = int(sys.argv[2]) if len(sys.argv) > 2 else PAGE_COUNT
    with open(path, "wb") as f:
        f.write(build(pages))
