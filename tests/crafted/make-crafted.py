#!/usr/bin/env python3
"""Writes small valid PDF files that put the reader's less common rules to work:

  make-crafted.py FOLDER

- endobj-words.pdf: the word "endobj" inside literal strings (nested parentheses
  and escapes), comments, names and stream data, in pages, a font and the Info
  dictionary; each page shows its own text;
- endobj-large.pdf: the same word in an Info dictionary larger than the reader
  holds in memory, so that the object is copied through file blocks;
- endobj-xrefstream.pdf: the pages of endobj-words.pdf with a cross-reference
  stream, for updates that go out as one;
- rotate-twice.pdf: a page dictionary that holds /Rotate twice (0, then 180);
- sparse-index.pdf: a cross-reference stream that lists, through /Index, a few
  dozen objects with numbers up to 156,341;
- sparse-far-stream.pdf: the same kind of stream with objects numbered near
  5,000,000 and 100,000,000, far beyond what a table by number would hold;
- sparse-far-table.pdf: a classic table in subsections, among them 0 1 and
  99999990 3, with a page tree whose pages lie there;
- hybrid-offset.pdf: a hybrid-reference file whose table lists its own
  cross-reference stream in use, at an offset a few bytes off, as some producers
  write it; hybrid-lost.pdf: the same with a real object that cannot be read;
- unended-string.pdf: a damaged file whose Info dictionary opens a string that
  no parenthesis closes, so that no reader finds where the object ends.

Every file is made here from nothing, so the set is the same on every machine.
"""
import os
import sys
import zlib

HEAD = b"%PDF-1.5\n%\xe2\xe3\xcf\xd3\n"


def stream(data, entries=b""):
    return b"<< %s/Length %d >>\nstream\n%s\nendstream" % (entries, len(data), data)


def content(page, extra=b""):
    return b"BT /F1 24 Tf 30 100 Td (page %d) Tj ET\n%s" % (page, extra)


def classic(objects, root=1, info=None):
    """A file with one classic cross-reference table; `objects` maps number -> body."""
    out = bytearray(HEAD)
    offsets = {}
    for number in sorted(objects):
        offsets[number] = len(out)
        out += b"%d 0 obj\n%s\nendobj\n" % (number, objects[number])
    size = max(objects) + 1
    table = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % size
    for number in range(1, size):
        out += b"%010d 00000 n \n" % offsets[number] if number in offsets else b"0000000000 00000 f \n"
    out += b"trailer\n<< /Size %d /Root %d 0 R" % (size, root)
    if info:
        out += b" /Info %d 0 R" % info
    out += b" >>\nstartxref\n%d\n%%%%EOF\n" % table
    return bytes(out)


def classic_subsections(objects, root=1):
    """A file with one classic table that lists `objects` (number -> body) in
    subsections of consecutive numbers, and the free head as "0 1"."""
    out = bytearray(HEAD)
    offsets = {}
    for number in sorted(objects):
        offsets[number] = len(out)
        out += b"%d 0 obj\n%s\nendobj\n" % (number, objects[number])
    runs = []
    for number in sorted(objects):
        if runs and runs[-1][-1] == number - 1:
            runs[-1].append(number)
        else:
            runs.append([number])
    table = len(out)
    out += b"xref\n0 1\n0000000000 65535 f \n"
    for run in runs:
        out += b"%d %d\n" % (run[0], len(run))
        for number in run:
            out += b"%010d 00000 n \n" % offsets[number]
    out += b"trailer\n<< /Size %d /Root %d 0 R >>\n" % (max(objects) + 1, root)
    out += b"startxref\n%d\n%%%%EOF\n" % table
    return bytes(out)


def with_xref_stream(objects, root=1, info=None, index=None):
    """A file whose cross-reference is a stream; `index` lists its subsections
    (first number, count), all objects in order when None."""
    out = bytearray(HEAD)
    offsets = {}
    for number in sorted(objects):
        offsets[number] = len(out)
        out += b"%d 0 obj\n%s\nendobj\n" % (number, objects[number])
    xref_number = max(objects) + 1
    offsets[xref_number] = len(out)
    size = xref_number + 1
    if index is None:
        index = [(0, size)]
    else:
        index = index + [(xref_number, 1)]
    rows = bytearray()
    for first, count in index:
        for number in range(first, first + count):
            if number in offsets:
                rows += bytes([1]) + offsets[number].to_bytes(4, "big") + bytes([0])
            else:
                rows += bytes([0]) + (0).to_bytes(4, "big") + bytes([0 if number else 255])
    entries = b"/Type /XRef /Size %d /W [1 4 1] /Index [%s] /Root %d 0 R " % (
        size, b" ".join(b"%d %d" % pair for pair in index), root)
    if info:
        entries += b"/Info %d 0 R " % info
    packed = zlib.compress(bytes(rows))
    out += b"%d 0 obj\n%s\nendobj\n" % (xref_number, stream(packed, entries + b"/Filter /FlateDecode "))
    out += b"startxref\n%d\n%%%%EOF\n" % offsets[xref_number]
    return bytes(out)


def endobj_objects(info_blob=b""):
    """Four pages, each hiding the word its own way, a font and an Info dictionary."""
    pages = (
        b"<< /Type /Page /Parent 2 0 R /Contents 7 0 R /Resources 11 0 R "
        b"/PieceInfo << /Note << /Private (see endobj and (nested endobj) \\) endobj more) >> >> >>",
        b"<< /Type /Page /Parent 2 0 R /Contents 8 0 R /Resources 11 0 R % endobj in a comment\n"
        b"/Rotate 90 >>",
        b"<< /Type /Page /Parent 2 0 R /Contents 9 0 R /Resources 11 0 R /Xendobj /endobj >>",
        b"<< /Type /Page /Parent 2 0 R /Contents 10 0 R /Resources 11 0 R /Lang (endobj) >>",
    )
    objects = {
        1: b"<< /Type /Catalog /Pages 2 0 R >>",
        2: b"<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R 6 0 R] /Count 4 /MediaBox [0 0 200 200] >>",
        11: b"<< /Font << /F1 12 0 R >> >>",
        12: b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Name /Fendobj "
            b"% endobj\n/Comment (an endobj \\(in\\) the font) >>",
        13: b"<< /Producer (make-crafted.py) /Title (endobj) % endobj\n/Subject /endobj" + info_blob + b" >>",
    }
    for i, body in enumerate(pages):
        objects[3 + i] = body
    for page in range(1, 5):
        extra = b"% endobj\n" if page == 4 else b""
        objects[6 + page] = stream(content(page, extra))
    return objects


def large_blob():
    """A string of some 1.5 MB with the word throughout it, and its parentheses balanced."""
    line = b"endobj (endobj) \\) endobj 0123456789 abcdefghijklmnopqrstuvwxyz\n"
    return b" /Blob (" + line * (1536 * 1024 // len(line)) + b")"


def rotate_twice():
    objects = {
        1: b"<< /Type /Catalog /Pages 2 0 R >>",
        2: b"<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 /MediaBox [0 0 200 200] >>",
        3: b"<< /Type /Page /Parent 2 0 R /Rotate 0 /Contents 5 0 R /Rotate 180 >>",
        4: b"<< /Type /Page /Parent 2 0 R /Contents 6 0 R >>",
        5: stream(content(1)),
        6: stream(content(2)),
    }
    return classic(objects)


def sparse_index():
    """Objects 1 to 8 and a few dozen numbered from 156,300 on."""
    high = list(range(156300, 156342))
    kids = b" ".join(b"%d 0 R" % n for n in (3, 156341))
    objects = {
        1: b"<< /Type /Catalog /Pages 2 0 R >>",
        2: b"<< /Type /Pages /Kids [%s] /Count 2 /MediaBox [0 0 200 200] >>" % kids,
        3: b"<< /Type /Page /Parent 2 0 R /Contents 4 0 R >>",
        4: stream(content(1)),
        156341: b"<< /Type /Page /Parent 2 0 R /Contents 156340 0 R /Rotate 270 >>",
        156340: stream(content(2)),
    }
    for number in high[:-2]:
        objects[number] = b"(filler %d)" % number
    return with_xref_stream(objects, index=[(0, 5), (156300, 42)])


def hybrid(lost):
    """A classic table whose trailer names, with /XRefStm, a stream that lists
    objects 7 and 8 (itself); the table lists the stream three bytes off."""
    objects = {
        1: b"<< /Type /Catalog /Pages 2 0 R >>",
        2: b"<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 /MediaBox [0 0 200 200] >>",
        3: b"<< /Type /Page /Parent 2 0 R /Contents 5 0 R >>",
        4: b"<< /Type /Page /Parent 2 0 R /Contents 6 0 R >>",
        5: stream(content(1)),
        6: stream(content(2)),
        7: b"<< /Producer (make-crafted.py) >>",
    }
    out = bytearray(HEAD)
    offsets = {}
    for number in sorted(objects):
        offsets[number] = len(out)
        out += b"%d 0 obj\n%s\nendobj\n" % (number, objects[number])
    offsets[8] = len(out)
    rows = b"".join(bytes([1]) + offsets[n].to_bytes(4, "big") + bytes([0]) for n in (7, 8))
    out += b"8 0 obj\n%s\nendobj\n" % stream(rows, b"/Type /XRef /Size 9 /W [1 4 1] /Index [7 2] ")
    size = 10 if lost else 9
    table = len(out)
    listed = dict(offsets)
    listed[8] += 3
    if lost:
        listed[9] = table  # the table itself: no object stands there
    out += b"xref\n0 %d\n0000000000 65535 f \n" % size
    for number in range(1, size):
        out += b"%010d 00000 n \n" % listed[number]
    out += b"trailer\n<< /Size %d /Root 1 0 R /Info 7 0 R /XRefStm %d >>\nstartxref\n%d\n%%%%EOF\n" % (
        size, offsets[8], table)
    return bytes(out)


def unended_string():
    objects = {
        1: b"<< /Type /Catalog /Pages 2 0 R >>",
        2: b"<< /Type /Pages /Kids [3 0 R] /Count 1 /MediaBox [0 0 200 200] >>",
        3: b"<< /Type /Page /Parent 2 0 R /Contents 4 0 R >>",
        4: stream(content(1)),
        5: b"<< /Title (never closed >>",
    }
    return classic(objects, info=5)


def far_pages(catalogue, tree, pages):
    """A catalogue and a page tree at the numbers given; `pages` lists, for each
    page, the numbers of its dictionary and its content."""
    kids = b" ".join(b"%d 0 R" % page for page, _ in pages)
    objects = {
        catalogue: b"<< /Type /Catalog /Pages %d 0 R >>" % tree,
        tree: b"<< /Type /Pages /Kids [%s] /Count %d /MediaBox [0 0 200 200] >>" % (kids, len(pages)),
    }
    for i, (page, contents) in enumerate(pages):
        objects[page] = b"<< /Type /Page /Parent %d 0 R /Contents %d 0 R >>" % (tree, contents)
        objects[contents] = stream(content(i + 1))
    return objects


def sparse_far_stream():
    """Objects 1 to 2, then pages numbered near 5,000,000 and 100,000,000."""
    objects = far_pages(1, 2, [(5000000, 5000001), (99999990, 99999991)])
    return with_xref_stream(objects, index=[(0, 3), (5000000, 2), (99999990, 2)])


def sparse_far_table():
    """A classic table whose catalogue is object 1 and whose page tree lies at
    99,999,990 and up."""
    return classic_subsections(far_pages(1, 99999990, [(99999991, 99999992), (4, 5)]))


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    files = {
        "endobj-words.pdf": classic(endobj_objects(), info=13),
        "endobj-large.pdf": classic(endobj_objects(large_blob()), info=13),
        "endobj-xrefstream.pdf": with_xref_stream(endobj_objects(), info=13),
        "rotate-twice.pdf": rotate_twice(),
        "sparse-index.pdf": sparse_index(),
        "sparse-far-stream.pdf": sparse_far_stream(),
        "sparse-far-table.pdf": sparse_far_table(),
        "hybrid-offset.pdf": hybrid(lost=False),
        "hybrid-lost.pdf": hybrid(lost=True),
        "unended-string.pdf": unended_string(),
    }
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
