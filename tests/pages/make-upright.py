#!/usr/bin/env python3
"""Writes PDF files whose pages hold text in known directions, for the tests of
turning pages upright by their text:

  make-upright.py FOLDER

- directions.pdf: one page for each way that text comes to run sideways or
  upside down, and for each way it stays upright: turned by the transformation
  (cm), by the text matrix (Tm), inside a form XObject with its /Matrix, under
  the page's own or an inherited /Rotate, invisible text (3 Tr) over an image,
  two-byte text of an Identity-H font, a vertical font, content compressed with
  each decoder and chains of them, no text, too few glyphs, mostly upright text with a sideways caption, text too mixed to
  judge;
- hostile.pdf: pages that must cost little and come out unjudged (deep q
  nesting, a form that draws itself, forms that draw each other, a chain of
  forms deeper than any real file, a decompression bomb, a flood of operators,
  content that cannot be decoded or parsed)
  among pages that must still be turned.

Beside each file, NAME.expect holds a line per page, in page order:

  NAME VERDICT ROTATE CHECK

VERDICT is turned, upright or none (without text to judge); ROTATE the page's
own /Rotate afterwards, "." where it must stay as it was; CHECK how mutool's
structured text must read the page afterwards: "all" (every line upright),
"most" (at least 80 % of the characters upright) or "-" (not judged). A turned
page must not read upright before.

Every file is made here from nothing, so the set is the same on every machine.
"""
import base64
import binascii
import os
import sys
import zlib

HEAD = b"%PDF-1.7\n%\xe2\xe3\xcf\xd3\n"
WORDS = b"The quick brown fox jumps over the lazy dog"  # 43 glyphs


# --- encoders: each gives the stream data whose filter decodes to `data` ---


def lzw(data, early=True):
    """LZWDecode data (9 to 12 bit codes, a clear code when the table is full)."""
    bits = []
    early = 1 if early else 0
    table = {}
    next_code = 258

    def width(lag=1):
        # The decoder's table lags one entry behind the encoder's.
        coming = next_code - lag + early
        return 12 if coming >= 2048 else 11 if coming >= 1024 else 10 if coming >= 512 else 9

    def put(code, size):
        bits.extend((code >> (size - 1 - i)) & 1 for i in range(size))

    put(256, 9)
    current = b""
    for byte in data:
        longer = current + bytes([byte])
        if len(longer) == 1 or longer in table:
            current = longer
            continue
        put(current[0] if len(current) == 1 else table[current], width())
        table[longer] = next_code
        next_code += 1
        if next_code == 4095:
            put(256, width())
            table.clear()
            next_code = 258
        current = bytes([byte])
    if current:
        put(current[0] if len(current) == 1 else table[current], width())
        next_code += 1  # the decoder adds the entry of this code too
    put(257, width())
    bits.extend([0] * (-len(bits) % 8))
    return bytes(int("".join(map(str, bits[i : i + 8])), 2) for i in range(0, len(bits), 8))


def png_up(data, columns):
    """Rows of `columns` bytes, each after the PNG filter byte 2 (Up)."""
    data += b" " * (-len(data) % columns)
    out, above = bytearray(), bytes(columns)
    for start in range(0, len(data), columns):
        row = data[start : start + columns]
        out.append(2)
        out += bytes((row[i] - above[i]) % 256 for i in range(columns))
        above = row
    return bytes(out)


def tiff_left(data, columns):
    """Rows of `columns` bytes, each byte the difference from the one on its left."""
    data += b" " * (-len(data) % columns)
    out = bytearray()
    for start in range(0, len(data), columns):
        row = data[start : start + columns]
        out += bytes([row[0]] + [(row[i] - row[i - 1]) % 256 for i in range(1, columns)])
    return bytes(out)


def ascii85(data):
    return base64.a85encode(data, wrapcol=72) + b"~>"


def ascii_hex(data):
    return binascii.hexlify(data, b"\n", 32) + b">"


def run_length(data):
    out, i = bytearray(), 0
    while i < len(data):
        run = 1
        while i + run < len(data) and run < 128 and data[i + run] == data[i]:
            run += 1
        if run > 1:
            out += bytes([257 - run, data[i]])
            i += run
            continue
        start = i
        while i < len(data) and i - start < 128 and (i + 1 >= len(data) or data[i + 1] != data[i]):
            i += 1
        out += bytes([i - start - 1]) + data[start:i]
    return bytes(out + b"\x80")


# --- content ---


def words(times=1, font=b"/F1", size=12):
    """`times` runs of WORDS down the page, from the origin of text space."""
    lines = b"".join(b"(%s) Tj 0 -14 Td\n" % WORDS for _ in range(times))
    return b"BT %s %d Tf 0 0 Td 14 TL\n%sET\n" % (font, size, lines)


def turned(quarter_turns, body, x=306, y=396):
    """`body` drawn under a cm that turns it counterclockwise by quarter turns."""
    a, b, c, d = [(1, 0, 0, 1), (0, 1, -1, 0), (-1, 0, 0, -1), (0, -1, 1, 0)][quarter_turns % 4]
    return b"q %d %d %d %d %d %d cm\n%sQ\n" % (a, b, c, d, x, y, body)


def matrix(quarter_turns, x=306, y=396):
    a, b, c, d = [(1, 0, 0, 1), (0, 1, -1, 0), (-1, 0, 0, -1), (0, -1, 1, 0)][quarter_turns % 4]
    return b"%d %d %d %d %d %d" % (a, b, c, d, x, y)


def stream(data, entries=b""):
    return b"<< %s /Length %d >>\nstream\n%s\nendstream" % (entries, len(data), data)


FONTS = b"/F1 5 0 R /F2 6 0 R /F3 7 0 R"


class Document:
    """Objects 1 to 9 are the catalogue, the root node, the fonts and an image;
    pages and their streams take the numbers after them."""

    def __init__(self):
        self.objects = {}
        self.nodes = {}  # node number -> (own entries, kids)
        self.expect = []
        self.next = 20
        self.objects[1] = b"<< /Type /Catalog /Pages 2 0 R >>"
        self.objects[5] = b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"
        descendant = (
            b"<< /Type /Font /Subtype /CIDFontType2 /BaseFont /Arial /CIDToGIDMap /Identity /DW 500"
            b" /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /FontDescriptor 8 0 R >>"
        )
        self.objects[6] = b"<< /Type /Font /Subtype /Type0 /BaseFont /Arial /Encoding /Identity-H /DescendantFonts [%s] >>" % descendant
        self.objects[7] = b"<< /Type /Font /Subtype /Type0 /BaseFont /Arial /Encoding /Identity-V /DescendantFonts [%s] >>" % descendant
        self.objects[8] = (
            b"<< /Type /FontDescriptor /FontName /Arial /Flags 32 /FontBBox [0 -200 1000 900] /ItalicAngle 0"
            b" /Ascent 900 /Descent -200 /CapHeight 700 /StemV 80 >>"
        )
        self.objects[9] = stream(
            bytes(range(0, 256, 4)), b"/Type /XObject /Subtype /Image /Width 8 /Height 8 /ColorSpace /DeviceGray /BitsPerComponent 8"
        )
        self.node(2, None, b"")

    def number(self):
        self.next += 1
        return self.next

    def node(self, number, parent, entries):
        self.nodes[number] = (entries + (b" /Parent %d 0 R" % parent if parent else b""), [])
        if parent:
            self.nodes[parent][1].append(number)
        return number

    def add(self, obj):
        number = self.number()
        self.objects[number] = obj
        return number

    def form(self, content, entries=b"", resources=None):
        resources = resources if resources is not None else b"<< /Font << %s >> >>" % FONTS
        return self.add(
            stream(content, b"/Type /XObject /Subtype /Form /BBox [-1000 -1000 1612 1792] /Resources %s %s" % (resources, entries))
        )

    def page(self, name, verdict, rotate, check, contents, parent=2, entries=b"", resources=None, filters=b""):
        """A page whose content is `contents` (bytes, encoded already when `filters`
        says so; or a list of such streams), with its expectation."""
        if resources is None:
            resources = b"<< /Font << %s >> /XObject << /Im1 9 0 R >> >>" % FONTS
        parts = contents if isinstance(contents, list) else [contents]
        refs = [self.add(stream(part, filters)) for part in parts]
        value = b"%d 0 R" % refs[0] if len(refs) == 1 else b"[%s]" % b" ".join(b"%d 0 R" % r for r in refs)
        resource_entry = b" /Resources %s" % resources if resources else b""
        number = self.add(
            b"<< /Type /Page /Parent %d 0 R /MediaBox [0 0 612 792]%s /Contents %s %s >>" % (parent, resource_entry, value, entries)
        )
        self.nodes[parent][1].append(number)
        self.expect.append("%s %s %s %s" % (name, verdict, rotate, check))

    def write(self, path):
        for number, (entries, kids) in self.nodes.items():
            count = self.count(number)
            self.objects[number] = b"<< /Type /Pages%s /Kids [%s] /Count %d >>" % (
                entries,
                b" ".join(b"%d 0 R" % k for k in kids),
                count,
            )
        out = bytearray(HEAD)
        offsets = {}
        for number in sorted(self.objects):
            offsets[number] = len(out)
            out += b"%d 0 obj\n%s\nendobj\n" % (number, self.objects[number])
        size = max(self.objects) + 1
        table = len(out)
        out += b"xref\n0 %d\n0000000000 65535 f \n" % size
        for number in range(1, size):
            out += b"%010d 00000 n \n" % offsets[number] if number in offsets else b"0000000000 65535 f \n"
        out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (size, table)
        with open(path, "wb") as f:
            f.write(out)
        with open(path[: -len(".pdf")] + ".expect", "w") as f:
            f.write("\n".join(self.expect) + "\n")

    def count(self, number):
        if number not in self.nodes:
            return 1
        return sum(self.count(kid) for kid in self.nodes[number][1])


def hex_glyphs(count, first=0x24):
    """Two-byte codes of an Identity-H font, as one hex string."""
    return b"<" + b"".join(b"%04X" % (first + i % 26) for i in range(count)) + b">"


def directions(path):
    doc = Document()
    # Upright text stays as it is.
    doc.page("upright", "upright", ".", "all", words(3))
    # Turned by the transformation: the page turns by the same quarter turns.
    for turns, rotate in ((1, 90), (2, 180), (3, 270)):
        doc.page("cm-%d" % rotate, "turned", rotate, "all", turned(turns, words(2)))
    # Turned by the text matrix, with the line matrix moved by Td, TD and T*,
    # the glyphs shown by Tj, TJ, ' and ".
    for turns, rotate in ((1, 90), (2, 180), (3, 270)):
        body = b"BT /F1 12 Tf %s Tm (%s) Tj 0 -14 TD [(%s) -120 (%s)] TJ 14 TL T* (%s) ' 1 0 (%s) \" ET\n" % (
            matrix(turns),
            WORDS,
            WORDS[:20],
            WORDS[20:],
            WORDS,
            WORDS,
        )
        doc.page("tm-%d" % rotate, "turned", rotate, "all", body)
    # The text matrix and the transformation together: 90 by cm, then 180 by Tm.
    doc.page("cm-and-tm", "turned", 270, "all", turned(1, b"BT /F1 12 Tf %s Tm (%s) Tj ET\n" % (matrix(2, 0, 0), WORDS)))
    # A saved state that turns nothing once restored: the text after Q is upright.
    doc.page("restored", "upright", ".", "all", turned(1, b"") + b"q 0 1 -1 0 0 0 cm Q\n" + turned(0, words(2)))
    # Two content streams read as one: the cm in the first, the text in the second.
    doc.page("split-contents", "turned", 180, "all", [b"q -1 0 0 -1 400 500 cm\n", words(2) + b"Q\n"])
    # Inside a form XObject: its /Matrix turns it; the cm it is drawn under too.
    form_90 = doc.form(words(2), b"/Matrix [%s]" % matrix(1, 0, 0))
    doc.page("form-matrix-90", "turned", 90, "all", b"q 1 0 0 1 306 396 cm /Fm0 Do Q\n",
             resources=b"<< /XObject << /Fm0 %d 0 R >> >>" % form_90)
    doc.page("form-matrix-and-cm", "turned", 180, "all", turned(1, b"/Fm0 Do\n"),
             resources=b"<< /XObject << /Fm0 %d 0 R >> >>" % form_90)
    # A form within a form, neither with a /Matrix: the outer one drawn turned 270.
    inner = doc.form(words(2))
    outer = doc.form(b"/Inner Do\n", resources=b"<< /XObject << /Inner %d 0 R >> >>" % inner)
    doc.page("nested-forms", "turned", 270, "all", turned(3, b"/Outer Do\n"),
             resources=b"<< /XObject << /Outer %d 0 R >> >>" % outer)
    # The page's own /Rotate: upright content on a page shown at 90 reads
    # sideways and goes back to 0; content turned as the page is reads upright.
    doc.page("own-rotate-upright-content", "turned", 0, "all", words(3), entries=b"/Rotate 90")
    doc.page("own-rotate-matching", "upright", ".", "all", turned(1, words(2)), entries=b"/Rotate 90")
    doc.page("own-rotate-180-content-270", "turned", 270, "all", turned(3, words(2)), entries=b"/Rotate -180")
    # An invisible text layer over a scanned image, the scan stored sideways.
    ocr = b"q 612 0 0 792 0 0 cm /Im1 Do Q\n" + turned(1, b"3 Tr\n" + words(3))
    doc.page("invisible-ocr", "turned", 90, "all", ocr)
    # Two-byte text of an Identity-H font: 30 glyphs of 60 bytes, upside down.
    doc.page("type0-two-byte", "turned", 180, "all",
             turned(2, b"BT /F2 12 Tf 0 0 Td %s Tj ET\n" % hex_glyphs(30)))
    # 12 two-byte glyphs turned and 4 upright ones: 16 glyphs, too few to judge
    # (counted a byte a glyph, 24 of 28 would turn the page).
    doc.page("type0-few", "none", ".", "-",
             turned(1, b"BT /F2 12 Tf 0 0 Td %s Tj ET\n" % hex_glyphs(12)) + b"BT /F1 12 Tf 20 20 Td (abcd) Tj ET\n")
    # A vertical font's glyphs count for nothing: 40 of them, and 10 upright
    # glyphs of a simple font, leave too few to judge.
    doc.page("vertical-font", "none", ".", "-",
             turned(1, b"BT /F3 12 Tf 0 0 Td %s Tj ET\n" % hex_glyphs(40)) + b"BT /F1 12 Tf 20 20 Td (abcdefghij) Tj ET\n")
    # Each decoder alone and in chains, each page turned a different way.
    plain = [turned(t, words(8)) for t in range(4)]  # large enough for 10-bit LZW codes
    decoded = [
        ("flate", b"/Filter /FlateDecode", zlib.compress(plain[1]), 90),
        ("lzw", b"/Filter /LZWDecode", lzw(plain[2]), 180),
        ("lzw-early-0", b"/Filter /LZWDecode /DecodeParms << /EarlyChange 0 >>", lzw(plain[3], early=False), 270),
        ("lzw-png-up", b"/Filter /LZWDecode /DecodeParms << /Predictor 12 /Columns 16 >>", lzw(png_up(plain[1], 16)), 90),
        ("flate-tiff", b"/Filter /FlateDecode /DecodeParms << /Predictor 2 /Columns 8 >>",
         zlib.compress(tiff_left(plain[2], 8)), 180),
        ("ascii85", b"/Filter /ASCII85Decode", ascii85(plain[3]), 270),
        ("asciihex", b"/Filter /ASCIIHexDecode", ascii_hex(plain[1]), 90),
        ("runlength", b"/Filter /RunLengthDecode", run_length(plain[2]), 180),
        ("abbreviations", b"/Filter [/AHx /LZW /Fl]", ascii_hex(lzw(zlib.compress(plain[3]))), 270),
        ("a85-flate", b"/Filter [/ASCII85Decode /FlateDecode]", ascii85(zlib.compress(plain[1])), 90),
        ("hex-lzw-runlength", b"/Filter [/ASCIIHexDecode /LZWDecode /RunLengthDecode]",
         ascii_hex(lzw(run_length(plain[2]))), 180),
        ("a85-runlength", b"/Filter [/ASCII85Decode /RunLengthDecode]", ascii85(run_length(plain[3])), 270),
    ]
    for name, filters, data, rotate in decoded:
        doc.page(name, "turned", rotate, "all", data, filters=filters)
    # No text at all, and too few glyphs.
    doc.page("no-text", "none", ".", "-", b"0 0 1 rg 100 100 200 300 re f\nq 612 0 0 792 0 0 cm /Im1 Do Q\n")
    doc.page("few-glyphs", "none", ".", "-", turned(1, b"BT /F1 12 Tf 0 0 Td (Figure 1.) Tj ET\n"))
    # Mostly upright, with a sideways caption: stays as it is.
    doc.page("sideways-caption", "upright", ".", "most",
             b"q 1 0 0 1 72 700 cm\n" + words(4) + b"Q\n" + turned(1, b"BT /F1 9 Tf 0 0 Td (Figure 2: sideways) Tj ET\n", 40, 100))
    # Half upright, half sideways: no clear majority.
    doc.page("mixed", "none", ".", "-", b"q 1 0 0 1 72 700 cm\n" + words(1) + b"Q\n" + turned(1, words(1), 40, 100))
    # Skewed by 45 degrees: no quarter turn holds the glyphs.
    doc.page("skewed", "none", ".", "-", b"q 0.7071 0.7071 -0.7071 0.7071 306 100 cm\n" + words(2) + b"Q\n")
    # A rotation inherited from a node, and fonts inherited with the resources.
    sideways = doc.node(3, 2, b" /Rotate 270 /Resources << /Font << %s >> >>" % FONTS)
    doc.page("inherited-rotate-upright-content", "turned", 0, "all", words(3), parent=sideways, resources=b"")
    doc.page("inherited-rotate-matching", "upright", ".", "all", turned(3, words(2)), parent=sideways, resources=b"")
    doc.page("inherited-rotate-own-0", "turned", 90, "all", turned(1, words(2)), parent=sideways, resources=b"",
             entries=b"/Rotate 0")
    doc.write(path)


def hostile(path):
    doc = Document()
    doc.page("good-before", "turned", 90, "all", turned(1, words(2)))
    # Graphics states saved far deeper than any real page.
    doc.page("deep-q", "none", ".", "-", zlib.compress(b"q\n" * 200000 + turned(1, words(2)) + b"Q\n" * 200000),
             filters=b"/Filter /FlateDecode")
    doc.page("many-q", "turned", 180, "all", b"q " * 200 + turned(2, words(2)) + b"Q " * 200 + b"Q Q Q\n")
    # A form that draws itself, and two that draw each other: each counted once.
    number = doc.number()
    doc.objects[number] = stream(
        turned(1, words(2)) + b"/Self Do\n",
        b"/Type /XObject /Subtype /Form /BBox [0 0 612 792] /Resources << /Font << %s >> /XObject << /Self %d 0 R >> >>"
        % (FONTS, number),
    )
    doc.page("self-drawing-form", "turned", 90, "all", b"/Self Do\n", resources=b"<< /XObject << /Self %d 0 R >> >>" % number)
    first, second = doc.number(), doc.number()
    for me, other in ((first, second), (second, first)):
        doc.objects[me] = stream(
            turned(2, words(1)) + b"/Other Do\n",
            b"/Type /XObject /Subtype /Form /BBox [0 0 612 792] /Resources << /Font << %s >> /XObject << /Other %d 0 R >> >>"
            % (FONTS, other),
        )
    doc.page("forms-drawing-each-other", "turned", 180, "all", b"/A Do\n", resources=b"<< /XObject << /A %d 0 R >> >>" % first)
    # Forms that each draw the next one eight times, ten deep: read once each,
    # not 8^10 times.
    leaf = doc.form(turned(3, words(1)))
    for _ in range(10):
        leaf = doc.form(b"/N Do " * 8 + b"\n", resources=b"<< /XObject << /N %d 0 R >> >>" % leaf)
    doc.page("fan-out-forms", "turned", 270, "-", b"/N Do\n", resources=b"<< /XObject << /N %d 0 R >> >>" % leaf)
    # A chain of a hundred forms with the text at its bottom: beyond the depth read.
    leaf = doc.form(turned(1, words(2)))
    for _ in range(100):
        leaf = doc.form(b"/N Do\n", resources=b"<< /XObject << /N %d 0 R >> >>" % leaf)
    doc.page("deep-form-chain", "none", ".", "-", b"/N Do\n", resources=b"<< /XObject << /N %d 0 R >> >>" % leaf)
    # A decompression bomb: 200 MB of spaces after sideways text, and in a form.
    bomb = zlib.compress(turned(1, words(2)) + b" " * (200 << 20), 9)
    doc.page("flate-bomb", "none", ".", "-", bomb, filters=b"/Filter /FlateDecode")
    bomb_form = doc.add(stream(bomb, b"/Type /XObject /Subtype /Form /BBox [0 0 612 792] /Filter /FlateDecode"))
    doc.page("bomb-in-form", "none", ".", "-", turned(1, words(2)) + b"/B Do\n",
             resources=b"<< /Font << %s >> /XObject << /B %d 0 R >> >>" % (FONTS, bomb_form))
    # Millions of operators in a few megabytes.
    doc.page("operator-flood", "none", ".", "-", zlib.compress(turned(1, words(2)) + b"n\n" * 5000000, 9),
             filters=b"/Filter /FlateDecode")
    # Content that cannot be decoded counts as no text: an image filter, an
    # unknown one and a chain that holds one.
    for name, filters, data in (
        ("dct-content", b"/Filter /DCTDecode", turned(1, words(8))),
        ("unknown-filter", b"/Filter /NoSuchDecode", turned(1, words(8))),
        ("chain-with-image-filter", b"/Filter [/FlateDecode /DCTDecode]", zlib.compress(turned(1, words(8)))),
    ):
        doc.page(name, "none", ".", "-", data, filters=filters)
    # Flate data that is damaged after a few bytes.
    doc.page("damaged-flate", "none", ".", "-", b"\x78\x9c" + bytes(range(200)), filters=b"/Filter /FlateDecode")
    # Broken syntax: unterminated strings and arrays, stray brackets.
    doc.page("broken-syntax", "none", ".", "-", b"] ] >> BT /F1 12 Tf [(abc) (def Tj ET ) ( <<")
    doc.page("good-after", "turned", 270, "all", turned(3, words(2)))
    doc.write(path)


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    directions(os.path.join(folder, "directions.pdf"))
    hostile(os.path.join(folder, "hostile.pdf"))


if __name__ == "__main__":
    main()
