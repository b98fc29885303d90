#!/usr/bin/env python3
"""Writes valid PDF files that keep their objects in object streams, each in a
layout that a compact rewrite must write again:

  make-object-streams.py FOLDER

Every file's pages show "page N" in a content stream of their own (ordinary
stream objects, as object streams cannot hold streams).

- several-streams.pdf: five pages, the catalogue, the page tree, a font, the
  Info dictionary and an indirect /Rotate spread over three object streams
  with their numbers interleaved; one stream's objects follow each other
  without white space, one object ends in a comment with no line end, strings
  hold escapes, "endobj" and bytes above 127; page 2 shows /Rotate 90;
- extends-chain.pdf: the same objects in three streams that /Extends chain
  (the third extends the second, which extends the first);
- sparse-numbers.pdf: objects numbered 1 to 3, from 40,000 and at 156,341, in
  object streams, listed by a cross-reference stream through /Index;
- hybrid.pdf: a classic table that lists the ordinary objects and whose
  trailer's /XRefStm names a stream that lists the objects of an object stream;
- updated.pdf: an incremental update over a file with object streams, whose
  own cross-reference stream gives page 3 a new version as an ordinary object
  and the Info dictionary a new one in a new object stream;
- many-pages.pdf: 1,500 pages in object streams of 100 objects, so that a
  rewrite needs several streams and offsets beyond two bytes;
- no-object-streams.pdf: a cross-reference stream and no object stream.

Every file is made here from nothing, so the set is the same on every machine.
"""
import os
import sys
import zlib

HEAD = b"%PDF-1.5\n%\xe2\xe3\xcf\xd3\n"


def stream(data, entries=b""):
    return b"<< %s/Length %d >>\nstream\n%s\nendstream" % (entries, len(data), data)


def content(page):
    return stream(zlib.compress(b"BT /F1 24 Tf 30 100 Td (page %d) Tj ET\n" % page), b"/Filter /FlateDecode ")


def object_stream(members, separator=b"\n", extends=None):
    """An object stream's body holding `members`, (number, text) pairs in order."""
    header, data = [], b""
    for number, text in members:
        header.append(b"%d %d" % (number, len(data)))
        data += text + separator
    head = b" ".join(header) + b"\n"
    entries = b"/Type /ObjStm /N %d /First %d /Filter /FlateDecode " % (len(members), len(head))
    if extends:
        entries += b"/Extends %d 0 R " % extends
    return stream(zlib.compress(head + data), entries)


class Writer:
    """Writes ordinary objects, remembers where they are, and ends a section with
    a cross-reference stream or a classic table."""

    def __init__(self, base=b""):
        self.out = bytearray(base or HEAD)
        self.entries = {}

    def object(self, number, body):
        self.entries[number] = (1, len(self.out), 0)
        self.out += b"%d 0 obj\n%s\nendobj\n" % (number, body)

    def packed(self, stream_number, members, **options):
        for index, (number, _) in enumerate(members):
            self.entries[number] = (2, stream_number, index)
        self.object(stream_number, object_stream(members, **options))

    def xref_stream(self, number, size, trailer, prev=None):
        self.entries[number] = (1, len(self.out), 0)
        numbers = sorted(self.entries)
        index, rows = [], bytearray()
        for n in numbers:
            if index and index[-1][0] + index[-1][1] == n:
                index[-1][1] += 1
            else:
                index.append([n, 1])
            kind, field2, field3 = self.entries[n]
            rows += bytes([kind]) + field2.to_bytes(4, "big") + field3.to_bytes(2, "big")
        entries = b"/Type /XRef /Size %d /W [1 4 2] /Index [%s] %s" % (
            size, b" ".join(b"%d %d" % tuple(pair) for pair in index), trailer)
        if prev is not None:
            entries += b" /Prev %d" % prev
        start = len(self.out)
        self.out += b"%d 0 obj\n%s\nendobj\n" % (number, stream(zlib.compress(bytes(rows)), entries + b" /Filter /FlateDecode "))
        self.out += b"startxref\n%d\n%%%%EOF\n" % start
        self.entries = {}
        return start


def page(number, parent, contents, extra=b"", font=8):
    return b"<< /Type /Page /Parent %d 0 R /MediaBox [0 0 200 200] /Contents %d 0 R " \
           b"/Resources << /Font << /F1 %d 0 R >> >>%s >>" % (parent, contents, font, extra)


FONT = b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"
INFO = b"<< /Title (Object streams \\(kept\\) endobj) /Author <c3a9e28093> /Producer (make-object-streams.py) >>"


def five_page_members():
    """The objects of several-streams.pdf and extends-chain.pdf, by stream."""
    first = [
        (1, b"<< /Type /Catalog /Pages 2 0 R >>"),
        (3, page(3, 2, 10)),
        (9, INFO),
        (15, b"180"),
    ]
    second = [  # no white space between the objects
        (2, b"<</Type/Pages/Kids[3 0 R 4 0 R 5 0 R 6 0 R 7 0 R]/Count 5>>"),
        (4, page(4, 2, 11, b" /Rotate 90")),
        (6, page(6, 2, 13, b" /Rotate 15 0 R")),
    ]
    third = [  # no white space between the objects either
        (5, page(5, 2, 12, b" /PieceInfo << /N (a \\) b endobj) >>") + b" % a comment up to the next object"),
        (7, page(7, 2, 14, b" /Label <00ff41>")),
        (8, FONT),
    ]
    return first, second, third


def several_streams(chained):
    writer = Writer()
    for number in range(10, 15):
        writer.object(number, content(number - 9))
    first, second, third = five_page_members()
    writer.packed(20, first)
    writer.packed(21, second, separator=b"", extends=20 if chained else None)
    writer.packed(22, third, separator=b"", extends=21 if chained else None)
    writer.xref_stream(23, 24, b"/Root 1 0 R /Info 9 0 R")
    return bytes(writer.out)


def sparse_numbers():
    writer = Writer()
    writer.packed(3, [
        (1, b"<< /Type /Catalog /Pages 2 0 R >>"),
        (2, b"<< /Type /Pages /Kids [156341 0 R 40001 0 R] /Count 2 >>"),
        (8, FONT),
    ])
    writer.object(40000, content(1))
    writer.object(40002, content(2))
    writer.packed(40003, [(156341, page(156341, 2, 40000)), (40001, page(40001, 2, 40002, b" /Rotate 270"))])
    return finish(writer, 156342, b"/Root 1 0 R")


def finish(writer, size, trailer):
    writer.xref_stream(size, size + 1, trailer)
    return bytes(writer.out)


def hybrid():
    """Objects 1 to 7 ordinary and in the table; 8 to 10 in object stream 11,
    which the table lists, and which only the /XRefStm stream 12 knows."""
    writer = Writer()
    writer.object(1, b"<< /Type /Catalog /Pages 2 0 R >>")
    writer.object(2, b"<< /Type /Pages /Kids [8 0 R 9 0 R] /Count 2 >>")
    writer.object(3, content(1))
    writer.object(4, content(2))
    for number in (5, 6, 7):
        writer.object(number, b"(unused %d)" % number)
    writer.packed(11, [(8, page(8, 2, 3)), (9, page(9, 2, 4, b" /Rotate 180")), (10, INFO)])
    table_entries = dict(writer.entries)
    writer.entries = {n: e for n, e in writer.entries.items() if e[0] == 2}
    out = writer.out
    xref_stream_offset = len(out)
    rows = bytearray()
    for n in (8, 9, 10):
        kind, field2, field3 = writer.entries[n]
        rows += bytes([kind]) + field2.to_bytes(4, "big") + field3.to_bytes(2, "big")
    out += b"12 0 obj\n%s\nendobj\n" % stream(zlib.compress(bytes(rows)),
                                             b"/Type /XRef /Size 13 /W [1 4 2] /Index [8 3] /Filter /FlateDecode ")
    table = len(out)
    out += b"xref\n0 13\n0000000000 65535 f \n"
    for n in range(1, 13):
        if n == 12:
            out += b"%010d 00000 n \n" % xref_stream_offset
        elif n in table_entries and table_entries[n][0] == 1:
            out += b"%010d 00000 n \n" % table_entries[n][1]
        else:
            out += b"0000000000 00001 f \n"
    out += b"trailer\n<< /Size 13 /Root 1 0 R /Info 10 0 R /XRefStm %d >>\nstartxref\n%d\n%%%%EOF\n" % (
        xref_stream_offset, table)
    return bytes(out)


def updated():
    base = several_streams(False)
    writer = Writer(base)
    start = base.rfind(b"startxref\n") + len(b"startxref\n")
    prev = int(base[start:base.index(b"\n", start)])
    writer.object(3, page(3, 2, 10, b" /Rotate 180 /Note (second version)"))
    writer.packed(24, [(9, b"<< /Title (Updated) /Producer (make-object-streams.py) >>")])
    writer.xref_stream(25, 26, b"/Root 1 0 R /Info 9 0 R", prev=prev)
    return bytes(writer.out)


def many_pages(count=1500, per_stream=100):
    """Pages 3 to count + 2 and the catalogue and tree in object streams; the
    contents after them."""
    writer = Writer()
    first_content = count + 3
    font = first_content + count
    kids = b" ".join(b"%d 0 R" % (3 + i) for i in range(count))
    members = [(1, b"<< /Type /Catalog /Pages 2 0 R >>"),
               (2, b"<< /Type /Pages /Kids [%s] /Count %d >>" % (kids, count))]
    members += [(3 + i, page(3 + i, 2, first_content + i, font=font)) for i in range(count)]
    members.append((font, FONT))
    for i in range(count):
        writer.object(first_content + i, content(i + 1))
    stream_number = font + 1
    for start in range(0, len(members), per_stream):
        writer.packed(stream_number, members[start:start + per_stream])
        stream_number += 1
    return finish(writer, stream_number, b"/Root 1 0 R")


def no_object_streams():
    writer = Writer()
    writer.object(1, b"<< /Type /Catalog /Pages 2 0 R >>")
    writer.object(2, b"<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>")
    writer.object(3, page(3, 2, 5))
    writer.object(4, page(4, 2, 6))
    writer.object(5, content(1))
    writer.object(6, content(2))
    writer.object(8, FONT)
    return finish(writer, 9, b"/Root 1 0 R")


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    files = {
        "several-streams.pdf": several_streams(False),
        "extends-chain.pdf": several_streams(True),
        "sparse-numbers.pdf": sparse_numbers(),
        "hybrid.pdf": hybrid(),
        "updated.pdf": updated(),
        "many-pages.pdf": many_pages(),
        "no-object-streams.pdf": no_object_streams(),
    }
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
