#!/usr/bin/env python3
"""Writes seeds for the targets of the file's structure, each into its own folder:

  parser/  a byte of options (see ParserFuzzer.cpp), then object text
  xref/    whole files: tables, Prev chains, cross-reference streams, damage
  objstm/  an object stream's dictionary entries on one line, then its data

The PDF files named after the folder join them: as object text, as files, and
their object streams (uncompressed, or Flate without a predictor) as streams.

  make-structure-seeds.py FOLDER [PDF...]
"""
import os
import re
import sys
import zlib

# Object text that the lexer and the parser read in different ways.
OBJECT_TEXTS = [
    b"1 0 R 1 0 obj 1 R 1 2.0 R [1 2 R 3] [ ] [[1] [2 3]]",
    b"<< /A 1 /B [2 3] /C << /D /E >> >> << 5 /A 1 >> << /A ) /B 1 >> << /A >> >>",
    b"/A#42C /A#5 /A#zz /#00x / - --5 +5 3.5.1 -.5 99999999999 -2147483649 12abc true1 false null ) > > { }",
    b"(a(b)c\\)\\n\\101\\7\\\r\n) (unclosed <41 4 2> <> <4 % comment\n1",
    b"3600000000090 -450 +90 0090 1.5e3 .",
    b"<< /Type /Page /Parent 2 0 R /Rotate 90 /MediaBox [0 0 612 792] /Kids [4 0 R 5 0 R] /Count 2 >>",
    b"<< /Length 5 >>\nstream\r\nHELLO\r\nendstream",
    b"<< /Length 4 >>\nstream\r\nHELLO\r\nendstream",
    b"<< /Length 5.0 >>\nstream\nHELLO\nendstream",
    b"<< /Length 99 >>\nstream  \nHELLO\nendstream\nendobj",
    b"<< /Length 5 >>\nstream\rHELLO\nendstream [1 2 obj << /A endobj << /A [ << /B",
    b"1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n2 0 obj\n[ (endobj) ]\nendobj",
    b"<< /Size 6 /W [1 2 1] /Index [0 3 10 2] /Prev 123 /Root 1 0 R /XRefStm 40 >>",
    b"[" * 600 + b"]" * 600,
    b"<<" * 300 + b"/A 1",
]


def flate_stream(data, entries=b""):
    packed = zlib.compress(data)
    return b"<< /Filter /FlateDecode /Length %d %s>>\nstream\n%s\nendstream" % (len(packed), entries, packed)


OBJECT_TEXTS += [
    flate_stream(b"BT /F1 12 Tf (Hello) Tj ET"),
    flate_stream(b"\x02\x00\x01\x02\x00\x01", b"/DecodeParms << /Predictor 12 /Columns 2 >> "),
]


class File:
    """A PDF file laid out in memory, with the offsets of its objects."""

    def __init__(self, version=b"1.4"):
        self.data = b"%PDF-" + version + b"\n"
        self.offsets = {}

    def object(self, number, body, generation=0):
        self.offsets[number] = len(self.data)
        self.data += b"%d %d obj\n%s\nendobj\n" % (number, generation, body)
        return self.offsets[number]

    def stream(self, number, entries, data):
        body = b"<< %s /Length %d >>\nstream\n%s\nendstream" % (entries, len(data), data)
        return self.object(number, body)

    def table(self, trailer, numbers=None, junk=b""):
        at = len(self.data)
        numbers = sorted(numbers if numbers is not None else self.offsets)
        self.data += b"xref\n0 1\n0000000000 65535 f \n"
        for number in numbers:
            self.data += b"%d 1\n%010d 00000 n%s \n" % (number, self.offsets[number], junk)
        self.data += b"trailer\n<< %s >>\n" % trailer
        return at

    def startxref(self, at):
        self.data += b"startxref\n%d\n%%%%EOF\n" % at
        return self.data


def catalogue_and_page(pdf):
    pdf.object(1, b"<< /Type /Catalog /Pages 2 0 R >>")
    pdf.object(2, b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>")
    pdf.object(3, b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >>")


def rows(entries, widths):
    out = b""
    for entry in entries:
        out += b"".join(value.to_bytes(width, "big") for value, width in zip(entry, widths) if width)
    return out


def png_up(data, columns):
    out, previous = b"", bytes(columns)
    for at in range(0, len(data), columns):
        row = data[at:at + columns]
        out += b"\x02" + bytes((a - b) & 0xFF for a, b in zip(row, previous))
        previous = row
    return out


def xref_stream_file(widths=(1, 2, 1), index=None, predictor=False):
    pdf = File(b"1.5")
    catalogue_and_page(pdf)
    at = len(pdf.data)
    numbers = index or [0, 5]
    entries = []
    for first, count in zip(numbers[0::2], numbers[1::2]):
        for number in range(first, first + count):
            if number == 4:
                entries.append((1, at, 0))
            elif number in pdf.offsets:
                entries.append((1, pdf.offsets[number], 0))
            else:
                entries.append((0, 0, 255))
    data = rows(entries, widths)
    extra = b""
    if index:
        extra += b"/Index [%s] " % b" ".join(b"%d" % n for n in index)
    if predictor:
        data = zlib.compress(png_up(data, sum(widths)))
        extra += b"/Filter /FlateDecode /DecodeParms << /Predictor 12 /Columns %d >> " % sum(widths)
    dictionary = b"/Type /XRef /Size 5 /W [%s] /Root 1 0 R %s" % (b" ".join(b"%d" % w for w in widths), extra)
    pdf.stream(4, dictionary, data)
    return pdf.startxref(at)


def classic_file():
    pdf = File()
    catalogue_and_page(pdf)
    return pdf.startxref(pdf.table(b"/Size 4 /Root 1 0 R"))


def prev_chain_file(loop=False):
    pdf = File()
    catalogue_and_page(pdf)
    older = pdf.table(b"/Size 4 /Root 1 0 R")
    pdf.object(3, b"<< /Type /Page /Parent 2 0 R /Rotate 90 /MediaBox [0 0 612 792] >>")
    newer = pdf.table(b"/Size 4 /Root 1 0 R /Prev %d" % older, [3])
    if loop:
        pdf.data = pdf.data.replace(b"/Prev %d" % older, b"/Prev %d" % newer)
    return pdf.startxref(newer)


def hybrid_file():
    pdf = File(b"1.5")
    catalogue_and_page(pdf)
    at = len(pdf.data)
    pdf.stream(4, b"/Type /XRef /Size 5 /W [1 2 1] /Index [3 1]", rows([(1, pdf.offsets[3], 0)], (1, 2, 1)))
    return pdf.startxref(pdf.table(b"/Size 5 /Root 1 0 R /XRefStm %d" % at, [1, 2]))


def damaged_files():
    whole = classic_file()
    cut = whole[:whole.index(b"xref")]
    shifted = whole.replace(b"%PDF-1.4\n", b"%PDF-1.4\n% moved\n", 1)
    lenient = File()
    catalogue_and_page(lenient)
    return [cut, shifted, lenient.startxref(lenient.table(b"/Size 4 /Root 1 0 R", junk=b" junk")),
            cut + b"trailer\n<< /Root 1 0 R >>\n%%EOF\n"]


XREF_FILES = [classic_file(), prev_chain_file(), prev_chain_file(loop=True), hybrid_file(),
              xref_stream_file(), xref_stream_file((0, 2, 0)), xref_stream_file(index=[0, 3, 3, 2]),
              xref_stream_file(predictor=True)] + damaged_files()


def object_stream(objects, first_gap=b"\n"):
    header, body = b"", b""
    for number, text in objects:
        header += b"%d %d " % (number, len(body))
        body += text
    header += first_gap
    return b"/N %d /First %d" % (len(objects), len(header)), header + body


OBJECT_STREAMS = [
    object_stream([(3, b"<< /Type /Catalog /Pages 4 0 R >>"), (4, b"<< /Type /Pages /Kids [] /Count 0 >>")]),
    object_stream([(3, b"(three)"), (4, b"[1 2 R]"), (5, b"<< /A 1 >>"), (6, b"7")], b""),
    object_stream([(3, b"1"), (3, b"2"), (9, b"(nine)")]),
]
OBJECT_STREAMS += [(entries + b" /Extends 1 0 R", data) for entries, data in OBJECT_STREAMS[:1]]
OBJECT_STREAMS += [(b"/N 2 /First 9 /Filter /AHx", b"3 0 4 3 \n(a)(b)".hex().encode() + b">")]
OBJECT_STREAMS += [(b"/N 3 /First 12", b"3 5 4 2 5 -1 (a)(b)(c)"), (b"/N 2 /First 99", b"3 0 4 1 12")]


def object_streams_of(pdf):
    """The object streams of a file whose streams are plain or Flate without predictor."""
    found = []
    pattern = re.compile(rb"obj\s*<<(.*?)>>\s*stream\r?\n", re.S)
    for match in pattern.finditer(pdf):
        entries = match.group(1)
        if b"/ObjStm" not in entries:
            continue
        length = re.search(rb"/Length (\d+)(?! \d+ R)", entries)
        if not length:
            continue
        data = pdf[match.end():match.end() + int(length.group(1))]
        if b"/Filter" in entries:
            if b"/FlateDecode" not in entries or b"/DecodeParms" in entries:
                continue
            try:
                data = zlib.decompress(data)
            except zlib.error:
                continue
        layout = re.findall(rb"/(?:N|First) \d+", entries)
        found.append((b" ".join(layout), data))
    return found


def write(folder, name, data):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as out:
        out.write(data)


def main(argv):
    if len(argv) < 2:
        sys.exit(__doc__)
    folder = argv[1]
    for number, text in enumerate(OBJECT_TEXTS):
        for options in (0x00, 0x05, 0x02, 0x18):
            write(os.path.join(folder, "parser"), "text-%02d-%02x" % (number, options), bytes([options]) + text)
    for number, data in enumerate(XREF_FILES):
        write(os.path.join(folder, "xref"), "made-%02d.pdf" % number, data)
    streams = list(OBJECT_STREAMS)
    for path in argv[2:]:
        with open(path, "rb") as pdf:
            data = pdf.read()
        name = os.path.basename(path)
        write(os.path.join(folder, "xref"), name, data)
        for options in (0x00, 0x07):
            write(os.path.join(folder, "parser"), "%s-%02x" % (name, options), bytes([options]) + data)
        streams += object_streams_of(data)
    for number, (entries, data) in enumerate(streams):
        write(os.path.join(folder, "objstm"), "stream-%02d" % number, entries + b"\n" + data)


if __name__ == "__main__":
    main(sys.argv)
