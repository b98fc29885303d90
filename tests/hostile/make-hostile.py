#!/usr/bin/env python3
"""Writes the hostile-file suite: small PDF files, built as an attacker would, that
declare far more than they hold or make a reader repeat its work.

  make-hostile.py FOLDER [--large]
  make-hostile.py --list           prints the names of the cases (without --large's)

Every case is a separate file in FOLDER, and FOLDER/cases.tsv lists them, one a
line: file name, the outcome a case must have ("done": the job must finish;
"any": it may also end with one of the program's messages), how qpdf checks an
output ("check": qpdf --check; "objects": qpdf reads every object through the
table, for page trees that list a page many times, which qpdf --check would copy
once for every listing; "table": qpdf reads the table, the trailer and the
catalogue, for outputs that copy the input's damaged objects as they are), the
arguments to rotate it with, the CPU seconds it may take when its bound is
tighter than the suite's ("-" for the suite's), and the peak memory in MiB that
the benchmark allows it (bench/hostile.sh). --large adds a
valid file with one 300 MB image stream, for the benchmark only.
"""
import base64
import hashlib
import os
import sys
import zlib

MAX_ENTRIES = 8388608  # object numbers run to 8,388,607 in the PDF format


class Writer:
    """Writes numbered objects to a file and remembers where each one starts."""

    def __init__(self, out):
        self.out = out
        self.position = 0
        self.offsets = {}
        self.emit(b"%PDF-1.7\n%\xe2\xe3\xcf\xd3\n")

    def emit(self, data):
        self.out.write(data)
        self.position += len(data)

    def object(self, number, body):
        self.offsets[number] = self.position
        self.emit(b"%d 0 obj\n%s\nendobj\n" % (number, body))

    def stream(self, number, dictionary, data, length=None):
        """`data` is bytes or an iterable of pieces; `length` may lie about it."""
        pieces = [data] if isinstance(data, bytes) else data
        self.offsets[number] = self.position
        self.emit(b"%d 0 obj\n<< %s /Length %d >>\nstream\n" % (number, dictionary, length if length is not None
                                                                   else len(data)))
        for piece in pieces:
            self.emit(piece)
        self.emit(b"\nendstream\nendobj\n")

    def table(self, trailer, size=None, entries=None):
        """A classic table of every object written so far (padded with free entries to
        `entries`), then `trailer` with /Size. Returns its offset."""
        at = self.position
        count = max(max(self.offsets) + 1, entries or 0)
        lines = [b"xref\n0 %d\n0000000000 65535 f \n" % count]
        lines += [b"%010d 00000 n \n" % self.offsets[n] if n in self.offsets else b"0000000000 00000 f \n"
                  for n in range(1, count)]
        self.emit(b"".join(lines))
        self.emit(b"trailer\n<< /Size %d %s >>\n" % (size or count, trailer))
        return at

    def finish(self, section):
        self.emit(b"startxref\n%d\n%%%%EOF\n" % section)


def refs(number, times):
    return b" ".join([b"%d 0 R" % number] * times)


def catalogue_and_page(w, page=b"", kids=None, count=1, content_length=None):
    """Catalogue 1, page tree root 2, page 3 with content 4; `kids` replaces the root's
    list, `page` adds to the page's entries, `content_length` lies about the content."""
    w.object(1, b"<< /Type /Catalog /Pages 2 0 R >>")
    w.object(2, b"<< /Type /Pages /Kids [%s] /Count %d >>" % (kids or b"3 0 R", count))
    w.object(3, b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R %s >>" % page)
    w.stream(4, b"", b"BT /F1 24 Tf 72 720 Td (Hostile) Tj ET", content_length)


def classic(w, **page_tree):
    catalogue_and_page(w, **page_tree)
    w.finish(w.table(b"/Root 1 0 R"))


def xref_stream(w, number, rows, size=None):
    """A cross-reference stream over objects 0..len(rows)-1 with W [1 4 2]; rows are (type, field2, field3)."""
    data = b"".join(bytes([t]) + f2.to_bytes(4, "big") + f3.to_bytes(2, "big") for t, f2, f3 in rows)
    at = w.position
    w.stream(number, b"/Type /XRef /Size %d /W [1 4 2] /Index [0 %d] /Root 1 0 R /Filter /FlateDecode"
             % (size or len(rows), len(rows)), zlib.compress(data))
    return at


def object_stream_parts(objects):
    """The header of number and offset pairs, and the objects' text, of an object stream holding `objects`."""
    header, body = [], b""
    for number, text in sorted(objects.items()):
        header.append(b"%d %d" % (number, len(body)))
        body += text + b"\n"
    return b" ".join(header) + b"\n", body


def object_stream_document(w, objects, header_n=None, length=None):
    """`objects` (number -> body) packed into object stream `len(objects) + 1`,
    then a cross-reference stream. header_n and length may lie."""
    stream_number = max(objects) + 1
    head, body = object_stream_parts(objects)
    w.stream(stream_number, b"/Type /ObjStm /N %d /First %d /Filter /FlateDecode"
             % (header_n or len(objects), len(head)), zlib.compress(head + body), length)
    rows = [(0, 0, 65535)] + [(2, stream_number, k) for k in range(len(objects))]
    rows += [(1, w.offsets[stream_number], 0), (1, w.position, 0)]
    w.finish(xref_stream(w, stream_number + 1, rows))


def small_objects():
    return {1: b"<< /Type /Catalog /Pages 2 0 R >>", 2: b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
            3: b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >>"}


# The cases. Each writes one file through `w`.

def xref_stream_zero_widths(w):
    """Every subsection repeats [0 8388608]; rows of zero bytes cost nothing to declare."""
    catalogue_and_page(w)
    older = w.table(b"/Root 1 0 R")
    at = w.position
    index = b" ".join([b"0 %d" % MAX_ENTRIES] * 1000)
    w.stream(5, b"/Type /XRef /Size %d /W [0 0 0] /Index [%s] /Root 1 0 R /Prev %d" % (MAX_ENTRIES, index, older), b"")
    w.finish(at)


def kids_large_page_thousand_times(w):
    """A 1 MB page object listed 1,000 times."""
    data = b" ".join(b"%d" % (100000 + i) for i in range(150000))
    catalogue_and_page(w, page=b"/PieceInfo << /Hostile << /Data [%s] >> >>" % data, kids=refs(3, 1000), count=1000)
    w.finish(w.table(b"/Root 1 0 R", entries=1001))  # as many numbers as the count of pages


def kids_one_page_million_times(w):
    xref_stream_document(w, 1000001, kids=refs(3, 1000000), count=1000000)


def classic_huge_size(w):
    catalogue_and_page(w)
    w.finish(w.table(b"/Root 1 0 R", size=MAX_ENTRIES))


def xref_stream_document(w, size, **page_tree):
    """The one-page document with a cross-reference stream whose /Size is `size`."""
    catalogue_and_page(w, **page_tree)
    rows = [(0, 0, 65535)] + [(1, w.offsets[n], 0) for n in range(1, 5)] + [(1, w.position, 0)]
    w.finish(xref_stream(w, 5, rows, size=size))


def xref_stream_huge_size(w):
    xref_stream_document(w, MAX_ENTRIES)


def objstm_huge_n(w):
    object_stream_document(w, small_objects(), header_n=10 ** 7)


def huge_count(w):
    """A /Count as large as the huge /Size of the cross-reference stream allows, over one page."""
    xref_stream_document(w, MAX_ENTRIES, count=MAX_ENTRIES - 1)


def deep_page_tree(w, depth=50000):
    """A chain of /Pages nodes 50,000 deep above the one page."""
    w.object(1, b"<< /Type /Catalog /Pages 5 0 R >>")
    first = 5
    for level in range(depth):
        kid = first + level + 1 if level + 1 < depth else 3
        parent = b" /Parent %d 0 R" % (first + level - 1) if level else b""
        w.object(first + level, b"<< /Type /Pages%s /Kids [%d 0 R] /Count 1 >>" % (parent, kid))
    w.object(3, b"<< /Type /Page /Parent %d 0 R /MediaBox [0 0 612 792] /Contents 4 0 R >>" % (first + depth - 1))
    w.stream(4, b"", b"BT /F1 24 Tf 72 720 Td (Hostile) Tj ET")
    w.finish(w.table(b"/Root 1 0 R"))


def cyclic_page_tree(w):
    """The root lists node 5, whose kid 6 lists 5 again before the page."""
    catalogue_and_page(w, kids=b"5 0 R", count=3)
    w.object(5, b"<< /Type /Pages /Parent 2 0 R /Kids [6 0 R] /Count 3 >>")
    w.object(6, b"<< /Type /Pages /Parent 5 0 R /Kids [5 0 R 3 0 R] /Count 3 >>")
    w.finish(w.table(b"/Root 1 0 R"))


def doubling_page_tree(w, levels=64):
    """Each node lists the next one twice: 2^64 paths to the page."""
    catalogue_and_page(w, kids=b"5 0 R 5 0 R", count=levels)
    for level in range(levels):
        kid = 5 + level + 1 if level + 1 < levels else 3
        w.object(5 + level, b"<< /Type /Pages /Parent %d 0 R /Kids [%d 0 R %d 0 R] /Count %d >>"
                 % (5 + level - 1 if level else 2, kid, kid, levels))
    w.finish(w.table(b"/Root 1 0 R"))


def length_2147483647(w):
    """The page's content stream claims 2 GiB."""
    classic(w, content_length=2147483647)


def objstm_length_2147483647(w):
    object_stream_document(w, small_objects(), length=2147483647)


def prev_chain(w, sections=100000):
    """100,000 incremental updates, each a one-entry table whose Prev is the one before."""
    catalogue_and_page(w)
    previous = w.table(b"/Root 1 0 R")
    for _ in range(sections):
        at = w.position
        w.emit(b"xref\n0 1\n0000000000 65535 f \ntrailer\n<< /Size 5 /Root 1 0 R /Prev %d >>\n" % previous)
        previous = at
    w.finish(previous)


def million_tiny_objects(w):
    """A valid file: one page whose /Hostile array refers to 1,000,000 null objects."""
    tiny = range(5, 5 + 1000000)
    catalogue_and_page(w, page=b"/Hostile %d 0 R" % tiny.stop)
    for number in tiny:
        w.offsets[number] = w.position
        w.emit(b"%d 0 obj null endobj\n" % number)
    w.object(tiny.stop, b"[%s]" % b" ".join(b"%d 0 R" % n for n in tiny))
    w.finish(w.table(b"/Root 1 0 R"))


def million_tiny_objects_in_object_streams(w):
    """The same million objects packed 1,000 to an object stream, with a compressed cross-reference stream."""
    per_stream, streams = 1000, 1000
    catalogue_and_page(w, page=b"/Hostile 5 0 R")
    first_tiny, first_stream = 6, 6 + per_stream * streams
    w.object(5, b"[%s]" % b" ".join(b"%d 0 R" % n for n in range(first_tiny, first_stream)))
    for s in range(streams):
        numbers = range(first_tiny + s * per_stream, first_tiny + (s + 1) * per_stream)
        head = b" ".join(b"%d %d" % (n, 5 * k) for k, n in enumerate(numbers)) + b"\n"
        w.stream(first_stream + s, b"/Type /ObjStm /N %d /First %d /Filter /FlateDecode" % (per_stream, len(head)),
                 zlib.compress(head + b"null " * per_stream))
    rows = [(0, 0, 65535)] + [(1, w.offsets[n], 0) for n in range(1, 6)]
    rows += [(2, first_stream + (n - first_tiny) // per_stream, (n - first_tiny) % per_stream)
             for n in range(first_tiny, first_stream)]
    rows += [(1, w.offsets[first_stream + s], 0) for s in range(streams)] + [(1, w.position, 0)]
    w.finish(xref_stream(w, first_stream + streams, rows))


def million_pages(w, nodes=1000, per_node=1000):
    """A valid file of a million pages, a thousand under each of a thousand nodes, as
    small as pages come (the root gives the media box): for page lists that name
    every page thousands of times over."""
    first_node, first_page = 3, 3 + nodes
    w.object(1, b"<< /Type /Catalog /Pages 2 0 R >>")
    w.object(2, b"<< /Type /Pages /MediaBox [0 0 612 792] /Kids [%s] /Count %d >>"
             % (b" ".join(b"%d 0 R" % (first_node + k) for k in range(nodes)), nodes * per_node))
    for k in range(nodes):
        pages = range(first_page + k * per_node, first_page + (k + 1) * per_node)
        w.object(first_node + k, b"<< /Type /Pages /Parent 2 0 R /Kids [%s] /Count %d >>"
                 % (b" ".join(b"%d 0 R" % n for n in pages), per_node))
        page = b"<< /Type /Page /Parent %d 0 R >>" % (first_node + k)
        for n in pages:
            w.object(n, page)
    w.finish(w.table(b"/Root 1 0 R"))


# Every page, twelve thousand times: marking must cost the list plus the pages,
# not their product (this list once took 21 to 43 CPU seconds, against 1.5 for
# -pall). The list stays below the 128 KiB that one argument may hold.
MANY_RANGES = "-p" + ",".join(["1-1000000"] * 12000) + " -r90"


def objstm_flate_bomb(w):
    """A few kilobytes that decode to 1 GiB of white space between the header and the objects."""
    head, body = object_stream_parts(small_objects())
    padding, megabyte = 1 << 30, b" " * (1 << 20)
    packer = zlib.compressobj(9)
    data = [packer.compress(head)] + [packer.compress(megabyte) for _ in range(padding >> 20)]
    data += [packer.compress(body), packer.flush()]
    w.stream(4, b"/Type /ObjStm /N 3 /First %d /Filter /FlateDecode" % (len(head) + padding), b"".join(data))
    rows = [(0, 0, 65535)] + [(2, 4, k) for k in range(3)] + [(1, w.offsets[4], 0), (1, w.position, 0)]
    w.finish(xref_stream(w, 5, rows))


def lzw_bomb(repeats):
    """LZW codes that spell ever longer runs of spaces until the table is full (EarlyChange
    1), then its longest run, some 3,800 bytes, once for each of `repeats` 12-bit codes."""
    bits, count, out = 0, 0, bytearray()

    def put(code, width):
        nonlocal bits, count
        bits, count = bits << width | code, count + width
        while count >= 8:
            count -= 8
            out.append(bits >> count & 0xFF)
        bits &= (1 << count) - 1

    def width(coming):
        return 12 if coming >= 2048 else 11 if coming >= 1024 else 10 if coming >= 512 else 9

    put(256, 9)
    put(32, 9)
    for code in range(258, 4096):
        put(code, width(code + 1))
    for _ in range(repeats):
        put(4095, 12)
    put(257, 12)
    if count:
        out.append(bits << (8 - count) & 0xFF)
    return bytes(out)


def objstm_lzw_bomb(w):
    """Some 100 KB of LZW codes that decode to 256 MiB of white space, far beyond the bound."""
    head, _ = object_stream_parts(small_objects())
    w.stream(4, b"/Type /ObjStm /N 3 /First %d /Filter /LZWDecode" % len(head), lzw_bomb((256 << 20) // 3839))
    rows = [(0, 0, 65535)] + [(2, 4, k) for k in range(3)] + [(1, w.offsets[4], 0), (1, w.position, 0)]
    w.finish(xref_stream(w, 5, rows))


def objstm_run_length_bomb(w):
    """Runs of 128 spaces, two bytes each, under ASCII85: 64 MiB from 1.3 MB."""
    head, _ = object_stream_parts(small_objects())
    runs = bytes([len(head) - 1]) + head + b"\x81 " * ((64 << 20) // 128) + b"\x80"
    w.stream(4, b"/Type /ObjStm /N 3 /First %d /Filter [/ASCII85Decode /RunLengthDecode]" % len(head),
             base64.a85encode(runs) + b"~>")
    rows = [(0, 0, 65535)] + [(2, 4, k) for k in range(3)] + [(1, w.offsets[4], 0), (1, w.position, 0)]
    w.finish(xref_stream(w, 5, rows))


def nested_arrays(w, depth=1000000):
    classic(w, page=b"/Hostile %s0%s" % (b"[" * depth, b"]" * depth))


def nested_dictionaries(w, depth=500000):
    classic(w, page=b"/Hostile %s0%s" % (b"<</A " * depth, b">>" * depth))


def nested_arrays_in_trailer(w, depth=1000000):
    catalogue_and_page(w)
    w.finish(w.table(b"/Root 1 0 R /Hostile %s0%s" % (b"[" * depth, b"]" * depth)))


def large_image_stream(w, size=300 * 1000 * 1000):
    """A valid file: one page showing one uncompressed 300 MB grey image."""
    width = 10000
    height = size // width
    total, block = width * height, os.urandom(1 << 20)
    pieces = (block[:min(len(block), total - at)] for at in range(0, total, len(block)))
    w.object(1, b"<< /Type /Catalog /Pages 2 0 R >>")
    w.object(2, b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>")
    w.object(3, b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R"
             b" /Resources << /XObject << /Im1 5 0 R >> >> >>")
    w.stream(4, b"", b"q 612 0 0 792 0 0 cm /Im1 Do Q")
    w.stream(5, b"/Type /XObject /Subtype /Image /Width %d /Height %d /ColorSpace /DeviceGray /BitsPerComponent 8"
             % (width, height), pieces, length=total)
    w.finish(w.table(b"/Root 1 0 R"))


def unclosed_objects(w, count, body=b"<< /A [ 1 2 3"):
    """`count` objects whose containers never close before their "endobj", listed by
    the page so that the job reads them, each followed by the next in the file."""
    first = 5
    numbers = range(first, first + count)
    catalogue_and_page(w, page=b"/Hostile [%s]" % b" ".join(b"%d 0 R" % n for n in numbers))
    for number in numbers:
        w.object(number, body)
    w.finish(w.table(b"/Root 1 0 R"))


def unclosed_arrays_8000(w):
    unclosed_objects(w, 8000)


def unclosed_arrays_30000(w):
    unclosed_objects(w, 30000)


def unclosed_dictionaries_100000(w):
    unclosed_objects(w, 100000, body=b"<< /A << /B 1")


def unclosed_page_tree(w, count=30000):
    """Every page is an unclosed dictionary, so the page tree walk parses each one."""
    first = 5
    numbers = range(first, first + count)
    w.object(1, b"<< /Type /Catalog /Pages 2 0 R >>")
    w.object(2, b"<< /Type /Pages /Kids [%s] /Count %d >>" % (b" ".join(b"%d 0 R" % n for n in numbers), count))
    for number in numbers:
        w.object(number, b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792 /A [")
    w.finish(w.table(b"/Root 1 0 R"))


EMPTY_ARRAYS = b"[" + b"[]" * 2000000 + b"]"


def page_with_empty_arrays(w):
    """A page whose dictionary holds 2 million empty arrays (4 MB)."""
    classic(w, page=b"/Hostile " + EMPTY_ARRAYS)


def page_tree_nodes_with_empty_arrays(w, levels=8):
    """A chain of eight page tree nodes above the page, each holding 2 million empty arrays (32 MB)."""
    w.object(1, b"<< /Type /Catalog /Pages 5 0 R >>")
    for level in range(levels):
        kid = 5 + level + 1 if level + 1 < levels else 3
        parent = b" /Parent %d 0 R" % (5 + level - 1) if level else b""
        w.object(5 + level, b"<< /Type /Pages%s /Kids [%d 0 R] /Count 1 /Hostile %s >>" % (parent, kid, EMPTY_ARRAYS))
    w.object(3, b"<< /Type /Page /Parent %d 0 R /MediaBox [0 0 612 792] /Contents 4 0 R >>" % (5 + levels - 1))
    w.stream(4, b"", b"BT /F1 24 Tf 72 720 Td (Hostile) Tj ET")
    w.finish(w.table(b"/Root 1 0 R"))


def kids_direct_values(w):
    """A /Kids of 2 million direct dictionaries that are neither pages nor nodes, then the page."""
    classic(w, kids=b"<<>>" * 2000000 + b" 3 0 R")


def page_with_many_keys(w, keys=1000000):
    """A page with a million keys of its own."""
    classic(w, page=b" ".join(b"/K%d %d" % (k, k) for k in range(keys)))


def xref_stream_many_index_pairs(w, pairs=1000000):
    """A cross-reference stream whose /Index lists a million subsections of no entries (4 MB)."""
    catalogue_and_page(w)
    rows = [(0, 0, 65535)] + [(1, w.offsets[n], 0) for n in range(1, 5)] + [(1, w.position, 0)]
    data = b"".join(bytes([t]) + f2.to_bytes(4, "big") + f3.to_bytes(2, "big") for t, f2, f3 in rows)
    at = w.position
    w.stream(5, b"/Type /XRef /Size %d /W [1 4 2] /Index [0 %d%s] /Root 1 0 R /Filter /FlateDecode"
             % (len(rows), len(rows), b" 1 0" * pairs), zlib.compress(data))
    w.finish(at)


def many_trailer_keywords(w, count=300000):
    """300,000 trailers whose Root leads nowhere, and a startxref that points nowhere:
    the rebuild reads every one of them before it makes a trailer for the catalogue."""
    catalogue_and_page(w)
    w.emit(b"trailer\n<< /Size 5 /Root 9 0 R /Info 1 0 R >>\n" * count)
    w.finish(w.position * 2)
def table_junk_reaching_back(w):
    """A table with junk after its last entry, which -repair's lenient reading passes
    over: a stream whose Length of -35 ends its data on the junk's own "endstream",
    from where the junk would be read again and again."""
    catalogue_and_page(w)
    at = w.position
    w.emit(b"xref\n0 5\n0000000000 65535 f \n")
    w.emit(b"".join(b"%010d 00000 n \n" % w.offsets[n] for n in range(1, 5))[:-1])
    w.emit(b" endstream << /Length -35 >>\nstream\n\n")  # 35 bytes from "endstream" to the data
    w.emit(b"trailer\n<< /Size 5 /Root 1 0 R >>\n")
    w.finish(at)


# Encrypted files: RC4 of 40 bits (revision 2) and the empty user password, with
# the keys made here as ISO 32000 describes them.
PADDING = bytes.fromhex("28BF4E5E4E758A4164004E56FFFA01082E2E00B6D0683E802F0CA9FE6453697A")
FILE_ID = b"0123456789abcdef"
PERMISSIONS = -4


def two_level_page_tree(pages, fanout=1000, first=3):
    """Object bodies (number -> text) of a page tree with root 2 over `pages` pages in
    nodes of `fanout` kids, numbered from `first`: the nodes, then the pages."""
    nodes = (pages + fanout - 1) // fanout
    first_page = first + nodes
    objects = {2: b"<< /Type /Pages /Kids [%s] /Count %d >>"
               % (b" ".join(b"%d 0 R" % (first + n) for n in range(nodes)), pages)}
    for n in range(nodes):
        kids = range(first_page + n * fanout, first_page + min(pages, (n + 1) * fanout))
        objects[first + n] = b"<< /Type /Pages /Parent 2 0 R /Kids [%s] /Count %d >>" % (
            b" ".join(b"%d 0 R" % k for k in kids), len(kids))
        for k in kids:
            objects[k] = b"<< /Type /Page /Parent %d 0 R /MediaBox [0 0 612 792] >>" % (first + n)
    return objects


def million_pages_with_media_boxes(w, pages=1000000):
    """A valid file of a million pages in a two-level tree, each page with a media box of
    its own, every object in the file body."""
    w.object(1, b"<< /Type /Catalog /Pages 2 0 R >>")
    for number, body in sorted(two_level_page_tree(pages).items()):
        w.object(number, body)
    w.finish(w.table(b"/Root 1 0 R"))


def pages_in_object_streams(w, pages=400000, per_stream=1000):
    """A valid file of 400,000 pages whose tree and pages are all in object streams
    of 1,000 objects, with a compressed cross-reference stream."""
    objects = two_level_page_tree(pages)
    objects[1] = b"<< /Type /Catalog /Pages 2 0 R >>"
    numbers = sorted(objects)
    first_stream = numbers[-1] + 1
    groups = [numbers[i:i + per_stream] for i in range(0, len(numbers), per_stream)]
    where = {}
    for s, group in enumerate(groups):
        head, body = object_stream_parts({n: objects[n] for n in group})
        w.stream(first_stream + s, b"/Type /ObjStm /N %d /First %d /Filter /FlateDecode" % (len(group), len(head)),
                 zlib.compress(head + body))
        where.update((n, (first_stream + s, k)) for k, n in enumerate(group))
    rows = [(0, 0, 65535)] + [(2,) + where[n] for n in numbers]
    rows += [(1, w.offsets[first_stream + s], 0) for s in range(len(groups))] + [(1, w.position, 0)]
    w.finish(xref_stream(w, first_stream + len(groups), rows))


def page_with_repeated_rotate(w, keys=1500000):
    """A page that repeats /Rotate 1,500,000 times (of two equal keys the first counts)."""
    classic(w, page=b"/Rotate 90 " * keys)


def rc4(key, data):
    state, j = list(range(256)), 0
    for i in range(256):
        j = (j + state[i] + key[i % len(key)]) % 256
        state[i], state[j] = state[j], state[i]
    out, i, j = bytearray(), 0, 0
    for byte in data:
        i = (i + 1) % 256
        j = (j + state[i]) % 256
        state[i], state[j] = state[j], state[i]
        out.append(byte ^ state[(state[i] + state[j]) % 256])
    return bytes(out)


def rc4_40_keys():
    """O, U and the file key of revision 2 for empty user and owner passwords."""
    owner = rc4(hashlib.md5(PADDING).digest()[:5], PADDING)
    key = hashlib.md5(PADDING + owner + PERMISSIONS.to_bytes(4, "little", signed=True) + FILE_ID).digest()[:5]
    return owner, rc4(key, PADDING), key


def hexstring(data):
    return b"<" + data.hex().encode() + b">"


def encrypted_object_stream_document(w, scramble=False):
    """Catalogue, page tree and page in an RC4-encrypted object stream 4 (garbage
    when `scramble`), the encryption dictionary 5, a cross-reference stream 6."""
    owner, user, key = rc4_40_keys()
    head, body = object_stream_parts(small_objects())
    data = zlib.compress(head + body)
    object_key = hashlib.md5(key + (4).to_bytes(3, "little") + (0).to_bytes(2, "little")).digest()[:10]
    data = os.urandom(len(data)) if scramble else rc4(object_key, data)
    w.stream(4, b"/Type /ObjStm /N 3 /First %d /Filter /FlateDecode" % len(head), data)
    w.object(5, b"<< /Filter /Standard /V 1 /R 2 /O %s /U %s /P %d >>" % (hexstring(owner), hexstring(user), PERMISSIONS))
    rows = [(0, 0, 65535)] + [(2, 4, k) for k in range(3)] + [(1, w.offsets[4], 0), (1, w.offsets[5], 0)]
    rows.append((1, w.position, 0))
    data = b"".join(bytes([t]) + f2.to_bytes(4, "big") + f3.to_bytes(2, "big") for t, f2, f3 in rows)
    at = w.position
    w.stream(6, b"/Type /XRef /Size 7 /W [1 4 2] /Root 1 0 R /Encrypt 5 0 R /ID [%s %s] /Filter /FlateDecode"
             % (hexstring(FILE_ID), hexstring(FILE_ID)), zlib.compress(data))
    w.finish(at)


def encrypted_classic(w, encryption):
    """A one-page file whose trailer's Encrypt names object 5, holding `encryption`."""
    catalogue_and_page(w)
    w.object(5, encryption)
    w.finish(w.table(b"/Root 1 0 R /Encrypt 5 0 R /ID [%s %s]" % (hexstring(FILE_ID), hexstring(FILE_ID))))


def encrypt_huge_owner_entry(w):
    owner, user, _ = rc4_40_keys()
    encrypted_classic(w, b"<< /Filter /Standard /V 1 /R 2 /O <%s> /U %s /P -4 >>"
                      % (owner.hex().encode() * (1 << 18), hexstring(user)))


def encrypt_short_user_entry(w):
    owner, _, _ = rc4_40_keys()
    encrypted_classic(w, b"<< /Filter /Standard /V 1 /R 2 /O %s /U <0102030405> /P -4 >>" % hexstring(owner))


def encrypt_permissions_not_a_number(w):
    owner, user, _ = rc4_40_keys()
    encrypted_classic(w, b"<< /Filter /Standard /V 1 /R 2 /O %s /U %s /P /All >>" % (hexstring(owner), hexstring(user)))


def encrypt_not_a_dictionary(w):
    encrypted_classic(w, b"[/Filter /Standard /V 1 /R 2]")


def encrypt_huge_key_length(w):
    owner, user, _ = rc4_40_keys()
    encrypted_classic(w, b"<< /Filter /Standard /V 2 /R 3 /Length 2147483647 /O %s /U %s /P -4 >>"
                      % (hexstring(owner), hexstring(user)))


ODD = "-podd -r90"
PASSWORD = "-password -podd -r90"
CASES = [  # file name, outcome, qpdf check, arguments, writer
    ("xref-stream-zero-widths.pdf", "any", "check", ODD, xref_stream_zero_widths),
    ("kids-large-page-1000-times.pdf", "any", "objects", ODD, kids_large_page_thousand_times),
    ("kids-large-page-1000-times-by-shape.pdf", "any", "objects", "-plandscape:90,portrait:0",
     kids_large_page_thousand_times),
    ("kids-one-page-million-times.pdf", "any", "objects", "-pall -r90", kids_one_page_million_times),
    ("classic-trailer-huge-size.pdf", "any", "check", ODD, classic_huge_size),
    ("xref-stream-huge-size.pdf", "any", "check", ODD, xref_stream_huge_size),
    ("object-stream-huge-n.pdf", "any", "check", ODD, objstm_huge_n),
    ("huge-count.pdf", "any", "check", "-p1 -r90", huge_count),
    ("huge-count-odd-pages.pdf", "any", "check", ODD, huge_count),
    ("deep-page-tree.pdf", "any", "check", ODD, deep_page_tree),
    ("cyclic-page-tree.pdf", "any", "check", ODD, cyclic_page_tree),
    ("doubling-page-tree.pdf", "any", "check", ODD, doubling_page_tree),
    ("content-length-2147483647.pdf", "any", "check", ODD, length_2147483647),
    ("object-stream-length-2147483647.pdf", "any", "check", ODD, objstm_length_2147483647),
    ("prev-chain-100000-sections.pdf", "any", "check", ODD, prev_chain),
    ("million-tiny-objects.pdf", "done", "check", "-pall -r90 -force", million_tiny_objects),
    ("million-tiny-objects-in-object-streams.pdf", "done", "check", ODD, million_tiny_objects_in_object_streams),
    ("million-pages-12000-ranges.pdf", "done", "table", MANY_RANGES, million_pages),
    ("object-stream-flate-bomb.pdf", "any", "check", ODD, objstm_flate_bomb),
    ("object-stream-lzw-bomb.pdf", "any", "check", ODD, objstm_lzw_bomb),
    ("object-stream-run-length-bomb.pdf", "any", "check", ODD, objstm_run_length_bomb),
    ("nested-arrays.pdf", "any", "check", ODD, nested_arrays),
    ("nested-dictionaries.pdf", "any", "check", ODD, nested_dictionaries),
    ("nested-arrays-in-trailer.pdf", "any", "check", ODD, nested_arrays_in_trailer),
    ("unclosed-arrays-8000.pdf", "any", "table", ODD, unclosed_arrays_8000),
    ("unclosed-arrays-30000.pdf", "any", "table", ODD, unclosed_arrays_30000),
    ("unclosed-dictionaries-100000.pdf", "any", "table", ODD, unclosed_dictionaries_100000),
    ("unclosed-pages-30000.pdf", "any", "table", ODD, unclosed_page_tree),
    ("page-with-2-million-empty-arrays.pdf", "done", "check", ODD, page_with_empty_arrays),
    ("page-tree-nodes-with-2-million-empty-arrays.pdf", "done", "check", ODD, page_tree_nodes_with_empty_arrays),
    ("kids-2-million-direct-dictionaries.pdf", "any", "check", ODD, kids_direct_values),
    ("page-with-a-million-keys.pdf", "done", "check", ODD, page_with_many_keys),
    ("page-with-1500000-repeated-rotate-keys.pdf", "done", "check", ODD, page_with_repeated_rotate),
    ("million-pages.pdf", "done", "table", "-pall -r90", million_pages_with_media_boxes),
    ("pages-400000-in-object-streams.pdf", "done", "table", "-pall -r90 -incremental", pages_in_object_streams),
    ("xref-stream-million-index-pairs.pdf", "any", "check", ODD, xref_stream_many_index_pairs),
    ("trailer-300000-times.pdf", "any", "check", ODD, many_trailer_keywords),
    ("table-junk-reaching-back.pdf", "any", "check", ODD, table_junk_reaching_back),
    ("encrypted-object-stream.pdf", "done", "check", PASSWORD, encrypted_object_stream_document),
    ("encrypted-object-stream-scrambled.pdf", "any", "check", PASSWORD,
     lambda w: encrypted_object_stream_document(w, scramble=True)),
    ("encrypt-owner-entry-of-8-mib.pdf", "any", "check", PASSWORD, encrypt_huge_owner_entry),
    ("encrypt-user-entry-of-5-bytes.pdf", "any", "check", PASSWORD, encrypt_short_user_entry),
    ("encrypt-permissions-not-a-number.pdf", "any", "check", PASSWORD, encrypt_permissions_not_a_number),
    ("encrypt-not-a-dictionary.pdf", "any", "check", PASSWORD, encrypt_not_a_dictionary),
    ("encrypt-key-length-2147483647.pdf", "any", "check", PASSWORD, encrypt_huge_key_length),
]
# Cases whose work is bounded tighter than the suite's CPU seconds allow.
CPU_SECONDS = {"million-pages-12000-ranges.pdf": 8}
LARGE_CASES = [("large-image-stream-300mb.pdf", "done", "check", "-pall -r90", large_image_stream)]
# Peak memory that bench/hostile.sh allows a case, in MiB, where it is not the 64 of every other
# (the full rewrite of a million pages holds a record for each).
MEMORY_BOUNDS_MIB = {"million-pages.pdf": 96, "million-pages-12000-ranges.pdf": 96, "large-image-stream-300mb.pdf": 48}


def main(argv):
    if argv[1:] == ["--list"]:
        print("\n".join(name for name, *_ in CASES))
        return
    if len(argv) not in (2, 3) or argv[1].startswith("-") or argv[2:] not in ([], ["--large"]):
        sys.exit(__doc__)
    folder = argv[1]
    os.makedirs(folder, exist_ok=True)
    cases = CASES + (LARGE_CASES if len(argv) == 3 else [])
    for name, _, _, _, write in cases:
        with open(os.path.join(folder, name), "wb", buffering=1 << 20) as out:
            write(Writer(out))
    with open(os.path.join(folder, "cases.tsv"), "w") as listing:
        for name, outcome, check, arguments, _ in cases:
            cpu = CPU_SECONDS.get(name, "-")
            listing.write(f"{name}\t{outcome}\t{check}\t{arguments}\t{cpu}\t{MEMORY_BOUNDS_MIB.get(name, 64)}\n")


if __name__ == "__main__":
    main(sys.argv)
