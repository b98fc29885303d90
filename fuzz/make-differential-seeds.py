#!/usr/bin/env python3
"""Writes seeds for the differential targets (see Differential.h), each into its
own folder, that put every fast reader to work and make it step aside for the
parser where it must:

  head/         options, padding, objects' texts: the head of each object
  sievedfetch/  options, padding, kids, objects' texts: sieved fetches from the file
  sieve/        sieve, kids, one object's text in memory, what may follow it
  objend/       options, padding, start, text: the end of an object's text
  stmheader/    a count of pairs, an object stream's header

The objects of the PDF files named after the folder join them, renumbered.

  make-differential-seeds.py FOLDER [PDF...]
"""
import os
import re
import runpy
import sys
import types

SEPARATOR = b"%%next\n"
PAD = b"@pad@"

# The edges of the fast readers' first reads, by their number in readEdge().
EDGE_512, EDGE_4096, EDGE_8192, EDGE_16384 = 1, 2, 3, 4


def obj(number, body, tail=b"\nendobj\n", generation=0):
    return b"%d %d obj\n%s%s" % (number, generation, body, tail)


def stream(number, entries, data, length=None, tail=b"\nendstream\nendobj\n"):
    """A stream object; its Length is the data's unless given (a number, or text such as a reference)."""
    if length is None:
        length = len(data)
    if isinstance(length, int):
        length = b"%d" % length
    return obj(number, b"<< %s /Length %s >>\nstream\n%s" % (entries, length, data), tail)


def kids(first, last):
    return b"/Kids [" + b" ".join(b"%d 0 R" % n for n in range(first, last)) + b"]"


# Past the sieved fetch's first read, and past its second.
KIDS = kids(10, 400)
MANY_KIDS = kids(1000, 2200)

# Lists of objects' texts, object 1 first: each list one file.
FILES = [
    # Plain dictionaries that the fast readers settle.
    [obj(1, b"<< /Type /Page /Parent 2 0 R /Rotate 90 /MediaBox [0 0 612 792] >>"), obj(2, b"<< /Type /Pages "
     b"/Kids [1 0 R] /Count 1 >>")],
    [obj(1, b"<< /Type /Pages /Kids [2 0 R << /Type /Page >> 3 0 R << /Type /Font >> null] /Count 3 >>"),
     obj(2, b"<< /Type /Page /Rotate -450 /Rotate 3600000000090 /Rotate +90 >>"), obj(3, b"<< /Type 4 0 R >>"),
     obj(4, b"/Page")],
    [obj(1, b"<</Type/Page/Ty#70e/Pag#65/Parent 2 0 R/Rotate 1.5/CropBox[0 0 1e3 .5]>>endobj"),
     obj(2, b"<< /Kids [] /Count 0 /A true /B false /C null >>", b"endobj")],
    [obj(1, b"<< /Type /Pages " + KIDS + b" /Count 390 >>"), obj(2, b"<< /Type /Pages " + MANY_KIDS + b" >>")],
    # Streams: a Length that leads to "endstream", one that does not, by reference.
    [stream(1, b"/Type /XObject", b"HELLO")],
    [stream(1, b"/Type /ObjStm /N 1 /First 4", b"5 0 (a)")],
    [stream(1, b"", b"HELLO", 4)],
    [stream(1, b"", b"HELLO", 9)],
    [stream(1, b"", b"HELLO", -1)],
    [stream(1, b"", b"HELLO", b"2 0 R"), obj(2, b"5")],
    [stream(1, b"/Type 2 0 R", b"HELLO"), obj(2, b"/ObjStm")],
    [stream(1, b"", b"data with endobj and endstream inside")],
    [stream(1, b"", b"HELLO", tail=b"\nendstream endobj")],
    [stream(1, b"", b"HELLO", tail=b"\nendobj\n"), obj(2, b"<< >>")],
    [stream(1, b"", b"HELLO", tail=b"")],
    [obj(1, b"<< /Length 5 >>\nstream\r\nHELLO\r\nendstream"), obj(2, b"<< /Length 5 >>stream\rHELLO endstream")],
    # The keywords in strings, comments and names; comments in the header.
    [obj(1, b"<< /T (endobj) /S (stream) /H <656e646f626a> >>"), obj(2, b"<< /A 1 % endobj >>\n>>")],
    [obj(1, b"<< /A (a \\) endobj) >>"), obj(2, b"(endobj)"), obj(3, b"[ /endobj (x) ]")],
    [b"1 %c\n0 % obj\nobj << /A 1 >> endobj\n", b"2\r0\robj<</A 2>>endobj"],
    [obj(1, b"<< /A 1 >> % comment\nendobj"), obj(2, b"<< /A 1 >>endobjx\nendobj")],
    # Unclosed containers, missing words, headers that are not the object's.
    [obj(1, b"<< /A [1 2"), obj(2, b"<< /A << /B 1 >>"), obj(3, b"<< /Kids [1 0 R")],
    [obj(1, b"<< /A 1 >>", b""), obj(2, b"[1 2 3]", b"")],
    [obj(1, b"<< /A 1 >> stream"), obj(2, b"<< /A >>")],
    [obj(2, b"<< /A 1 >>"), obj(1, b"<< /A 1 >>", generation=3)],
    [obj(1, b"<< /A ) /B 1 /C { >>"), obj(2, b"<< 5 /A 1 >>")],
    [obj(1, b"<<" * 70 + b">>" * 70), obj(2, b"[" * 600 + b"]" * 600)],
]

# The same with the padding before each of the head's parts, so that the first
# reads end in the header, the dictionary, before "stream" or "endobj".
PADDED = [
    [PAD + obj(1, b"<< /Type /Page /Rotate 90 >>")],
    [b"1 0 " + PAD + b"obj << /Type /Page >> endobj\n"],
    [b"1 0 obj " + PAD + b"<< /Type /Page >> endobj\n"],
    [b"1 0 obj << /Type /Page /Rotate " + PAD + b"90 >> endobj\n"],
    [b"1 0 obj << /Type /Pages /Kids [2 0 R " + PAD + b"3 0 R] >> endobj\n"],
    [b"1 0 obj << /Type /Page >> " + PAD + b"endobj\n"],
    [b"1 0 obj << /Length 5 >> " + PAD + b"stream\nHELLO\nendstream\nendobj\n"],
    [b"1 0 obj << /Length 5 >> stream" + PAD + b"\nHELLO\nendstream\nendobj\n"],
    [b"1 0 obj << /Length 5 >> stream\n" + PAD + b"HELLO\nendstream\nendobj\n"],
    [b"1 0 obj << /Length 5 /Type /ObjStm " + PAD + b">> stream\nHELLO\nendstream\nendobj\n"],
    [b"1 0 obj << /A (" + PAD + b"endobj) >> endobj\n"],
    [b"1 0 obj << /A 1 % " + PAD + b"endobj\n>> endobj\n"],
    [b"1 0 obj << /A [1 2 " + PAD + b"endobj\n"],
]


def file_options(modes=(0, 1)):
    for mode in modes:
        yield mode, 0, 0


def padded_options():
    for mode in (0, 1):
        for edge in (EDGE_512, EDGE_4096, EDGE_8192):
            for delta in (-4, -1, 0, 1):
                yield mode, edge, delta & 0xFF


def sieved_options():
    for sieve, kids in ((0, 255), (0, 1), (1, 255), (2, 255), (3, 255), (4, 255), (5, 255), (7, 255)):
        yield sieve, kids


def pdf_files(paths):
    """The first objects of each PDF, renumbered from 1 as the targets number them."""
    found = []
    for path in paths:
        with open(path, "rb") as pdf:
            data = pdf.read()
        objects = []
        for number, match in enumerate(re.finditer(rb"\d+ \d+ obj.*?endobj\s", data, re.S), 1):
            if number > 12:
                break
            objects.append(re.sub(rb"^\d+ \d+", b"%d 0" % number, match.group(0)))
        if objects:
            found.append((os.path.basename(path), objects))
    return found


def structure_seeds():
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "make-structure-seeds.py")
    # Run as a module, not as a script: its main part stays unrun.
    return types.SimpleNamespace(**runpy.run_path(path, run_name="structure_seeds"))


def write(folder, name, data):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as out:
        out.write(data)


def write_file_seeds(folder, name, pieces, options):
    """Each file under each of the options; the sieves taken in turn, from a place the name picks."""
    text = SEPARATOR.join(pieces)
    sieves = list(sieved_options())
    for turn, (mode, edge, delta) in enumerate(options, sum(name.encode())):
        head = bytes([mode | edge << 1, delta])
        write(os.path.join(folder, "head"), "%s-%x%x%02x" % (name, mode, edge, delta), head + text)
        for sieve, kids in (sieves[turn % len(sieves)], sieves[(turn + 3) % len(sieves)]):
            options_byte = mode | edge << 1 | sieve << 4
            write(os.path.join(folder, "sievedfetch"), "%s-%x%x%02x-%d-%d" % (name, mode, edge, delta, sieve, kids),
                  bytes([options_byte, delta, kids]) + text)


# Texts in memory, as an object stream holds them.
SIEVE_TEXTS = [
    b"<< /Type /Pages " + KIDS + b" /Count 390 >>",
    b"<< /Type /Pages /Kids [2 0 R << /Type /Page >> << /Type /Font >> << /Type 7 0 R >> [1] null] >>",
    b"<< /Type /Page /Kids [1 0 R] /Kids [2 0 R] /Rotate 90 /Rotate 180 /Parent 2 0 R >>",
    b"<< /A << /Kids [1 2 3] /Type /Pages >> /Kids [[1 2] << /Kids [4] >>] >>",
    b"<< /MediaBox [0 0 612.5 792] /CropBox [1 1 -5 .5] /Rotate +90 >> trailing",
    b"<< /Kids [1 0 R 2 0 R",
    b"<< /Type /Page >> stream\nHELLO",
    b"<< /A (endobj) /Kids [1 0 R] % comment\n>>",
    b"[1 0 R << /Kids [3 0 R] >>]",
    b"<< /Type#20 /Page /K#00ids [1 0 R] >>",
    # A text that goes on past its end, as the first bytes of an object in a file do.
    b"<< /Type /Page >> stre" + SEPARATOR + b"am\nHELLO\nendstream",
    b"<< /Type /Page >> endob" + SEPARATOR + b"j",
    b"<< /Kids [1 0" + SEPARATOR + b" R] >>",
    b"<< /Rotate 9" + SEPARATOR + b"0 >>",
    b"<< /Type /Pa" + SEPARATOR + b"ge >>",
    b"<< /Type /Page /A (x" + SEPARATOR + b") >>",
    # Page dictionaries as most writers lay them out, which a plain reader takes
    # without the lexer, and texts one step from them.
    b"<< /Type /Page /Parent 4 0 R /MediaBox [0 0 612 792] /Resources 3 0 R /Contents 12 0 R >>\nendobj\n",
    b"<</Type/Page/Parent 4 0 R/Resources<</Font<</F1 5 0 R>>/ProcSet[/PDF/Text]>>/Rotate -90>>endobj",
    b"<< /Type /Pages /Kids [5 0 R 6 0 R 7 0 R] /Count 3 /Rotate 450 >> endobj ",
    b"<< /Type /Page /Parent 4 0 R /Annots [1 0 R -2 0 R 3 R] /Rotate 5 0 >> endobj ",
    b"<< /Type /Page /Parent 4 0R /Rotate 5-3 >> endobj ",
    b"<< /Type /Page /Kids [1 0 R 2] /Rotate 1234567890123456789 >>",
    b"<< /Type /Page >>" + SEPARATOR + b" endobj",
    b"<< /Type /Page >> endobj" + SEPARATOR + b"x",
]

# Texts whose end the lexer finds: strings, comments and stream data that hold the
# keyword, and texts with no end.
END_TEXTS = [
    b"1 0 obj << /A 1 >> endobj\n",
    b"1 0 obj (endobj) endobj",
    b"1 0 obj (a \\) endobj) ( (nested) endobj ) endobj",
    b"1 0 obj % endobj\n<< >> endobj",
    b"1 0 obj /endobj endobj",
    b"1 0 obj endobjx endobj",
    b"1 0 obj << /Length 5 >> stream\nendobj\nendstream endobj",
    b"1 0 obj << /Length 5 >> stream\nno end of the data",
    b"1 0 obj <656e646f626a endobj",
    b"1 0 obj (unclosed \\",
    b"1 0 obj << /A 1 >>",
    b"1 0 obj " + PAD + b"endobj",
    b"1 0 obj (" + PAD + b"endobj) endobj",
    b"1 0 obj % " + PAD + b"endobj\n endobj",
    b"1 0 obj stream\n" + PAD + b"endstream endobj",
]

# Object streams' headers.
HEADERS = [
    (2, b"10 0 11 6 "),
    (2, b"10 0 11 6"),
    (1, b"10 0 11 R"),
    (2, b"10 0 11 6 12 R"),
    (2, b"10 0 11 R 6"),
    (1, b"  10\r\n0\t"),
    (1, b"%c\n10 0"),
    (1, b"10%c\n0"),
    (1, b"99999999999 0 "),
    (1, b"-5 +5"),
    (1, b"10 0.0"),
    (1, b"10\x000"),
    (1, b"[10 0]"),
    (3, b"1 0 2 3"),
    (1, b"0010 0005 "),
    (1, b"10 0 ] "),
    (1, b"10 0 endobj"),
]


def main(argv):
    if len(argv) < 2:
        sys.exit(__doc__)
    folder = argv[1]
    for number, pieces in enumerate(FILES):
        write_file_seeds(folder, "file-%02d" % number, pieces, file_options())
    for number, pieces in enumerate(PADDED):
        write_file_seeds(folder, "padded-%02d" % number, pieces, padded_options())
    for name, pieces in pdf_files(argv[2:]):
        write_file_seeds(folder, name, pieces, file_options())
    for number, text in enumerate(SIEVE_TEXTS):
        for sieve, kids in sieved_options():
            write(os.path.join(folder, "sieve"), "text-%02d-%d-%d" % (number, sieve, kids), bytes([sieve, kids]) + text)
    for number, text in enumerate(END_TEXTS):
        for edge in (0, EDGE_512, EDGE_4096, EDGE_8192):
            for before in (0, 2, 3):
                options = edge | before << 3
                write(os.path.join(folder, "objend"), "text-%02d-%02x" % (number, options),
                      bytes([options, 0xFF, 0x40]) + text)
    streams = [(count, text) for count, text in HEADERS]
    structure = structure_seeds()
    for path in argv[2:]:
        with open(path, "rb") as pdf:
            found = structure.object_streams_of(pdf.read())
        for entries, data in found:
            count, first = re.search(rb"/N (\d+)", entries), re.search(rb"/First (\d+)", entries)
            if count and first:
                streams.append((min(int(count.group(1)), 255), data[:int(first.group(1))]))
    for number, (count, text) in enumerate(streams):
        write(os.path.join(folder, "stmheader"), "header-%02d" % number, bytes([count]) + text)


if __name__ == "__main__":
    main(sys.argv)
