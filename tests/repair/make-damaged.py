#!/usr/bin/env python3
"""Writes the damaged PDF files that the repair tests rotate:

  make-damaged.py FOLDER

FOLDER gets one file per kind of damage, named after it, and the sound files
that the damage starts from (named sound-*.pdf). Every file is made here from
nothing, so the set is the same on every machine and holds nothing from
elsewhere. The sound files are one document, four pages in a two-level page
tree, laid out four ways: a classic table, object streams with a
cross-reference stream, a hybrid file (a classic table whose trailer names a
cross-reference stream with /XRefStm), and a classic file with an incremental
update. Two more layouts are the classic file linearized, with and without
object streams: qpdf writes those (hint streams are beyond this script), so
qpdf must be on the PATH.

The damage to streams, object ends and page trees is made in each layout that
can show it and named after both (length-3-short-linearized-objstm); such a
file's pages must come out with the contents of the layout's sound file.
"""
import os
import re
import subprocess
import sys
import tempfile
import zlib

HEAD = b"%PDF-1.5\n%\xe2\xe3\xcf\xd3\n"
CONTENTS = (8, 9, 10, 11)  # the content streams of pages 1 to 4 (objects 3, 5, 6 and 7)
INFO = 12


def stream(data, entries=b""):
    return b"<< %s/Length %d >>\nstream\n%s\nendstream" % (entries, len(data), data)


def text_content(page):
    return b"0 0 1 rg 20 20 %d 60 re f\n%% page %d\n" % (40 + 30 * page, page)


def flate_content_with_line_feed(page):
    """Compressed content with a line feed early in its deflate data, so that a
    line-ending conversion breaks it: small squares scattered over the page."""
    for variant in range(1000):
        squares = b"".join(b"%d %d 6 6 re\n" % ((variant * 7 + i * 53) % 190, (variant * 11 + i * 29) % 190)
                           for i in range(12))
        packed = zlib.compress(text_content(page) + squares + b"f\n", 9)
        if b"\n" in packed[2:len(packed) // 2]:
            return stream(packed, b"/Filter /FlateDecode ")
    raise RuntimeError("no compressed content holds a line feed")


def document(compressed_page=True, **changes):
    """The sound document's objects, number -> body; `changes` replaces bodies
    (keys are "o" and the number, as o2=...)."""
    objects = {
        1: b"<< /Type /Catalog /Pages 2 0 R >>",
        2: b"<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 4 /MediaBox [0 0 200 200] >>",
        3: b"<< /Type /Page /Parent 2 0 R /Contents 8 0 R /Rotate 180 >>",
        4: b"<< /Type /Pages /Parent 2 0 R /Kids [5 0 R 6 0 R 7 0 R] /Count 3 >>",
        5: b"<< /Type /Page /Parent 4 0 R /Contents 9 0 R >>",
        6: b"<< /Type /Page /Parent 4 0 R /Contents 10 0 R >>",
        7: b"<< /Type /Page /Parent 4 0 R /Contents 11 0 R /MediaBox [0 0 100 300] >>",
        INFO: b"<< /Producer (make-damaged.py) /Title (damaged set) >>",
    }
    for page, number in enumerate(CONTENTS, 1):
        objects[number] = stream(text_content(page))
    if compressed_page:
        objects[9] = flate_content_with_line_feed(2)
    for key, body in changes.items():
        objects[int(key[1:])] = body
    return objects


class Pdf:
    """A file's bytes and where its parts lie, so that damage can aim at them."""

    def __init__(self, head=HEAD):
        self.data = bytearray(head)
        self.offsets = {}   # number -> offset of its last "N 0 obj"
        self.xref = None    # offset of the newest cross-reference section

    def object(self, number, body):
        self.offsets[number] = len(self.data)
        self.data += b"%d 0 obj\n%s\nendobj\n" % (number, body)

    def table(self, entries, trailer):
        """A classic section; entries maps number -> offset (None: free)."""
        self.xref = len(self.data)
        self.data += b"xref\n"
        numbers = sorted(entries)
        runs = []
        for n in numbers:
            if runs and runs[-1][0] + runs[-1][1] == n:
                runs[-1][1] += 1
            else:
                runs.append([n, 1])
        for first, count in runs:
            self.data += b"%d %d\n" % (first, count)
            for n in range(first, first + count):
                at = entries[n]
                self.data += b"0000000000 65535 f \n" if at is None else b"%010d 00000 n \n" % at
        self.data += b"trailer\n<< %s >>\n" % trailer

    def xref_stream(self, number, rows, entries):
        """A cross-reference stream with W [1 4 2]; rows maps number -> (type, field 2, field 3)."""
        self.xref = len(self.data)
        rows = {**rows, number: (1, self.xref, 0)}
        index = b" ".join(b"%d 1" % n for n in sorted(rows))
        packed = b"".join(bytes([t]) + f2.to_bytes(4, "big") + f3.to_bytes(2, "big")
                          for t, f2, f3 in (rows[n] for n in sorted(rows)))
        self.object(number, stream(zlib.compress(packed), b"/Type /XRef /W [1 4 2] /Index [%s] %s /Filter /FlateDecode "
                                   % (index, entries)))

    def finish(self):
        self.data += b"startxref\n%d\n%%%%EOF\n" % self.xref
        return self


def classic(objects, order=None):
    pdf = Pdf()
    for n in order or sorted(objects):
        pdf.object(n, objects[n])
    size = max(objects) + 1
    entries = {n: pdf.offsets.get(n) for n in range(size)}
    pdf.table(entries, b"/Size %d /Root 1 0 R /Info %d 0 R" % (size, INFO))
    return pdf.finish()


def object_stream(objects, numbers):
    header = b"".join(b"%d %d " % (n, sum(len(objects[m]) + 1 for m in numbers[:i])) for i, n in enumerate(numbers))
    body = b"\n".join(objects[n] for n in numbers)
    return stream(zlib.compress(header + body), b"/Type /ObjStm /N %d /First %d /Filter /FlateDecode "
                  % (len(numbers), len(header)))


def with_xref_stream(objects):
    """Everything but the content streams in object stream 13; the cross-reference stream is 14."""
    packed = [n for n in sorted(objects) if n not in CONTENTS]
    pdf = Pdf()
    for n in CONTENTS:
        pdf.object(n, objects[n])
    pdf.object(13, object_stream(objects, packed))
    rows = {0: (0, 0, 65535), **{n: (1, pdf.offsets[n], 0) for n in (*CONTENTS, 13)},
            **{n: (2, 13, i) for i, n in enumerate(packed)}}
    pdf.xref_stream(14, rows, b"/Size 15 /Root 1 0 R /Info %d 0 R" % INFO)
    return pdf.finish()


def hybrid(objects):
    """Pages 5-7 sit in object stream 13, which only cross-reference stream 14 (named by /XRefStm) lists."""
    hidden = [5, 6, 7]
    pdf = Pdf()
    for n in sorted(objects):
        if n not in hidden:
            pdf.object(n, objects[n])
    pdf.object(13, object_stream(objects, hidden))
    pdf.xref_stream(14, {n: (2, 13, i) for i, n in enumerate(hidden)}, b"/Size 15")
    stream_at = pdf.offsets[14]
    entries = {n: pdf.offsets.get(n) for n in range(15) if n not in hidden}
    pdf.table(entries, b"/Size 15 /Root 1 0 R /Info %d 0 R /XRefStm %d" % (INFO, stream_at))
    return pdf.finish()


def updated(base, prev=None, section="table", size=b"/Size 15"):
    """`base` (a classic file) with an update that writes, in this order, new
    contents (13) for page 6, page 6 with them and its own /Rotate 270, and a
    new Info; its section is a classic table or cross-reference stream 14 (with
    the given /Size entry)."""
    pdf = Pdf(b"")
    pdf.data = bytearray(base.data)
    pdf.offsets = dict(base.offsets)
    pdf.object(13, stream(text_content(3) + b"% updated\n"))
    pdf.object(6, b"<< /Type /Page /Parent 4 0 R /Contents 13 0 R /Rotate 270 >>")
    pdf.object(INFO, b"<< /Producer (make-damaged.py) /Title (updated) >>")
    trailer = b"/Root 1 0 R /Info %d 0 R /Prev %d" % (INFO, base.xref if prev is None else prev)
    if section == "table":
        pdf.table({0: None, **{n: pdf.offsets[n] for n in (6, INFO, 13)}}, b"/Size 14 " + trailer)
    else:
        pdf.xref_stream(14, {n: (1, pdf.offsets[n], 0) for n in (6, INFO, 13)},
                        size + b" " + trailer)
    return pdf.finish()


# Editing helpers. Each checks that it finds what it aims at, so that a change to
# the sound files cannot quietly turn a kind of damage into no damage at all.

def replaced(data, old, new):
    assert bytes(data).count(old) == 1, old
    return bytes(data).replace(old, new)


def without_tail(pdf):
    """The file up to its (last) "startxref"."""
    return bytes(pdf.data[:pdf.data.rindex(b"startxref")])


def with_startxref(pdf, offset):
    return without_tail(pdf) + b"startxref\n%d\n%%%%EOF\n" % offset


def entry_at(pdf, number):
    """Where the entry of `number` lies in a table with one subsection from 0."""
    first = pdf.data.index(b"\n", pdf.xref + 5) + 1
    assert pdf.data[pdf.xref:first] == b"xref\n0 %d\n" % (max(pdf.offsets) + 1)
    return first + 20 * number


def with_entries(pdf, offsets):
    """The table's entries for some numbers changed to other offsets."""
    data = bytearray(pdf.data)
    for number, offset in offsets.items():
        at = entry_at(pdf, number)
        data[at:at + 10] = b"%010d" % offset
    return bytes(data)


def table_lines(pdf, rewrite):
    """Every "n" and "f" entry of the last table, each passed through rewrite(line, index)."""
    first = pdf.data.index(b"\n", pdf.xref + 5) + 1
    end = pdf.data.index(b"trailer", first)
    lines = [bytes(pdf.data[at:at + 20]) for at in range(first, end, 20)]
    return bytes(pdf.data[:first]) + b"".join(rewrite(line, i) for i, line in enumerate(lines)) + bytes(pdf.data[end:])


def into_stream(pdf, number, distance):
    """An offset `distance` bytes into the data of stream object `number`: garbage to a parser."""
    return pdf.data.index(b"stream\n", pdf.offsets[number]) + 7 + distance


def without_table(pdf):
    """The objects and the trailer, without the table or startxref."""
    trailer = pdf.data.index(b"trailer", pdf.xref)
    return bytes(pdf.data[:pdf.xref]) + bytes(pdf.data[trailer:pdf.data.rindex(b"startxref")])


def with_page_tree_defined_before(pdf):
    """A first definition of the page tree's root, with one page, right after the head."""
    first = b"2 0 obj\n<< /Type /Pages /Kids [3 0 R] /Count 1 /MediaBox [0 0 200 200] >>\nendobj\n"
    return HEAD + first + pdf[len(HEAD):]


def with_line_after_head(pdf):
    """A line added after the head by hand: every entry now points short of its object."""
    line = b"% a line added by hand\n"
    data = replaced(pdf.data, HEAD, HEAD + line)
    return data[:data.rindex(b"startxref")] + b"startxref\n%d\n%%%%EOF\n" % (pdf.xref + len(line))


def with_length(body, change):
    """A stream object's body with its /Length changed by `change`."""
    length = int(body.split(b"/Length ")[1].split()[0])
    return replaced(body, b"/Length %d" % length, b"/Length %d" % (length + change))


def corrupted_stream_data(pdf, number):
    """Object `number` with nine bytes of its (compressed) stream data overwritten."""
    start = pdf.data.index(b"stream\n", pdf.offsets[number]) + 7
    return bytes(pdf.data[:start + 4]) + b"\x00garbage" + bytes(pdf.data[start + 13:])


def crlf(data):
    return bytes(data).replace(b"\n", b"\r\n")


def with_count(node, old, new):
    """The sound file with a /Count in page tree node `node` changed."""
    return bytes(classic(document(**{"o%d" % node: replaced(document()[node], b"/Count %d" % old,
                                                            b"/Count %d" % new)})).data)


# Damage aimed at the parts of a file whatever its layout: objects are found by
# what their text holds, not by their number, as qpdf renumbers what it writes.

HEADER = re.compile(rb"(?<![0-9])[0-9]+ [0-9]+ obj\b")


def object_span(data, marker):
    """Where the object whose text holds `marker` (once in the file) starts and
    where its "endobj" starts."""
    data = bytes(data)
    assert data.count(marker) == 1, marker
    at = data.index(marker)
    start = [m.start() for m in HEADER.finditer(data, 0, at)][-1]
    return start, data.index(b"endobj", at)


def blanked(data, marker, word):
    """`word` in the object that holds `marker` turned into spaces: offsets stay right."""
    start, end = object_span(data, marker)
    at = bytes(data).index(word, start, end + 6)
    return bytes(data[:at]) + b" " * len(word) + bytes(data[at + len(word):])


def deleted(data, marker, words):
    """`words` cut out of the object that holds `marker`: every later offset is off."""
    start, end = object_span(data, marker)
    at = bytes(data).index(words, start, end + 6)
    return bytes(data[:at]) + bytes(data[at + len(words):])


def length_changed(data, marker, change):
    """The /Length of the stream object that holds `marker` changed by `change`."""
    start, end = object_span(data, marker)
    found = re.compile(rb"/Length ([0-9]+)").search(bytes(data), start, end)
    length = int(found.group(1))
    return bytes(data[:found.start(1)]) + b"%d" % (length + change) + bytes(data[found.end(1):])


def linearized(pdf, object_streams):
    """The file linearized by qpdf, its streams left as they are."""
    with tempfile.TemporaryDirectory() as folder:
        source, target = os.path.join(folder, "in.pdf"), os.path.join(folder, "out.pdf")
        with open(source, "wb") as out:
            out.write(bytes(pdf.data))
        subprocess.run(["qpdf", "--linearize", "--static-id", "--compress-streams=n", "--decode-level=none",
                        "--object-streams=" + ("generate" if object_streams else "disable"), source, target],
                       check=True)
        with open(target, "rb") as made:
            return made.read()


FIRST_CONTENT = b"% page 1\n"  # in the data of page 1's content stream, which no layout compresses
OBJECT_STREAM = b"/Type /ObjStm"
PAGES_ROOT = b"/Count 4"


def layout_damages(name, data):
    """The damage to streams and object ends that the layout can show, as name -> bytes."""
    made = {
        "endstream-blanked": blanked(data, FIRST_CONTENT, b"endstream"),
        "endstream-endobj-deleted": deleted(data, FIRST_CONTENT, b"endstream\nendobj"),
        "length-3-short": length_changed(data, FIRST_CONTENT, -3),
        "length-10-long": length_changed(data, FIRST_CONTENT, +10),
        "endobj-deleted-stream": deleted(data, FIRST_CONTENT, b"endobj"),
    }
    if bytes(data).count(OBJECT_STREAM) == 1:
        made["objstm-length-3-short"] = length_changed(data, OBJECT_STREAM, -3)
        made["objstm-length-10-long"] = length_changed(data, OBJECT_STREAM, +10)
    if b"obj\n<< /Type /Pages" in bytes(data) or b"obj\n<< /Count 4" in bytes(data):
        made["endobj-blanked-pages"] = blanked(data, PAGES_ROOT, b"endobj")
    if name.startswith("linearized"):
        made["no-startxref"] = bytes(data[:bytes(data).rindex(b"startxref")])
    return {"%s-%s" % (kind, name): damaged for kind, damaged in made.items()}


def page_tree_damages():
    """Page trees as some producers write them, in the classic layout."""
    direct_page = b"<< /Type /Page /Contents 9 0 R >>"
    return {
        "kids-direct-page": bytes(classic(document(
            o4=b"<< /Type /Pages /Parent 2 0 R /Kids [%s 6 0 R 7 0 R] /Count 3 >>" % direct_page,
            o5=b"<< /Unused true >>")).data),
        "pages-node-without-type": bytes(classic(document(
            o4=b"<< /Parent 2 0 R /Kids [5 0 R 6 0 R 7 0 R] /Count 3 >>")).data),
        "pages-node-typed-page": bytes(classic(document(
            o4=b"<< /Type /Page /Parent 2 0 R /Kids [5 0 R 6 0 R 7 0 R] /Count 3 >>")).data),
        "page-without-type": bytes(classic(document(
            o6=b"<< /Parent 4 0 R /Contents 10 0 R >>")).data),
        # Arrays and dictionaries that their object's "endobj" leaves open.
        "unclosed-catalogue": bytes(classic(document(o1=b"<< /Type /Catalog /Pages 2 0 R")).data),
        "unclosed-kids": bytes(classic(document(
            o4=b"<< /Type /Pages /Parent 2 0 R /Count 3 /Kids [5 0 R 6 0 R 7 0 R")).data),
        "unclosed-page": bytes(classic(document(o6=b"<< /Type /Page /Parent 4 0 R /Contents 10 0 R")).data),
        "unclosed-page-array": bytes(classic(document(
            o7=b"<< /Type /Page /Parent 4 0 R /Contents 11 0 R /MediaBox [0 0 100 300")).data),
        "unclosed-page-stray-close": bytes(classic(document(
            o6=b"<< /Type /Page /Parent 4 0 R /Contents 10 0 R /Annots [ >>")).data),
        "unclosed-page-key-without-value": bytes(classic(document(
            o5=b"<< /Type /Page /Parent 4 0 R /Contents 9 0 R /Annots")).data),
    }


def damages():
    """The damaged files and the sound ones, each as name -> bytes."""
    sound = classic(document())
    compressed = with_xref_stream(document())
    mixed = hybrid(document())
    update = updated(sound)
    stream_update = updated(sound, section="stream")
    pages_last = classic(document(), order=[1, INFO, *CONTENTS, 2, 3, 4, 5, 6, 7])
    contents_last = classic(document(), order=[1, INFO, 2, 3, 4, 5, 6, 7, *CONTENTS])
    long_stream = document()[10]  # the stream whose /Length is wrong
    layouts = {
        "classic": bytes(sound.data),
        "xref-stream": bytes(compressed.data),
        "linearized": linearized(sound, object_streams=False),
        "linearized-objstm": linearized(sound, object_streams=True),
    }
    aimed = {}
    for name, data in layouts.items():
        aimed.update(layout_damages(name, data))
    aimed.update(page_tree_damages())

    return {
        # The cross-reference cannot be found.
        "no-startxref": without_tail(sound),
        "no-startxref-xref-stream": without_tail(compressed),
        "no-startxref-hybrid": without_tail(mixed),
        "startxref-past-end": with_startxref(sound, len(sound.data) + 1000),
        "startxref-zero": with_startxref(sound, 0),
        "startxref-into-garbage": with_startxref(sound, into_stream(sound, 8, 10)),
        "startxref-into-garbage-xref-stream": with_startxref(compressed, into_stream(compressed, 10, 10)),
        # It is found but does not parse.
        "table-keyword-missing": replaced(sound.data, b"\nxref\n0 13\n", b"\nxrfe\n0 13\n"),
        "table-unparseable": table_lines(sound, lambda line, i: b"%-19s\n" % b"garbage line %d" % i if 3 <= i < 6
                                         else line),
        "xref-stream-unparseable": corrupted_stream_data(compressed, 14),
        "xref-stream-size-wrong-type": replaced(compressed.data, b"/Size 15 /Root", b"/Size /F /Root"),
        "xref-stream-w-wrong-length": replaced(compressed.data, b"/W [1 4 2]", b"/W [1 4]  "),
        "xref-stream-unparseable-update": corrupted_stream_data(stream_update, 14),
        "xref-stream-size-wrong-type-update": bytes(updated(sound, section="stream", size=b"/Size /F").data),
        "hybrid-xrefstm-into-garbage": replaced(mixed.data, b"/XRefStm %d" % mixed.offsets[14],
                                                b"/XRefStm %d" % into_stream(mixed, 8, 10)),
        # The trailer's Prev chain leads nowhere.
        "prev-into-garbage": bytes(updated(sound, prev=into_stream(sound, 10, 10)).data),
        "prev-past-end": bytes(updated(sound, prev=len(sound.data) * 3).data),
        # Entries that do not point at their objects.
        "offsets-shifted-all": with_line_after_head(sound),
        "offsets-shifted-some": with_entries(sound, {3: sound.offsets[3] + 9, 9: sound.offsets[9] + 9}),
        "offsets-swapped": with_entries(sound, {5: sound.offsets[6], 6: sound.offsets[5]}),
        "offsets-into-garbage-catalogue": with_entries(sound, {1: into_stream(sound, 8, 10)}),
        "offsets-into-garbage-page-tree": with_entries(sound, {2: into_stream(sound, 8, 10)}),
        # The catalogue or the page tree is missing.
        "root-missing": bytes(replaced(sound.data, b"/Root 1 0 R", b"/Root 20 0 R")),
        "pages-missing": bytes(classic(document(o1=b"<< /Type /Catalog /Pages 20 0 R >>")).data),
        # Cut short.
        "truncated-after-last-page": bytes(pages_last.data[:pages_last.xref]),
        "truncated-mid-stream": bytes(contents_last.data[:into_stream(contents_last, 11, 10)]),
        "truncated-mid-table": bytes(sound.data[:entry_at(sound, 7) + 5]),
        "truncated-in-update-mid-stream": bytes(update.data[:into_stream(update, 13, 10)]),
        "truncated-in-update-after-page": bytes(update.data[:update.offsets[INFO]]),
        # Line endings converted from LF to CRLF.
        "crlf-text-streams": crlf(classic(document(compressed_page=False)).data),
        "crlf-binary-stream": crlf(sound.data),
        "crlf-xref-stream": crlf(compressed.data),
        # Tables as some producers write them.
        "table-entries-with-junk": table_lines(sound, lambda line, i: line[:18] + b" junk\n" if i % 4 == 1 else line),
        "table-blank-lines": table_lines(sound, lambda line, i: line + b"\n" if i % 3 == 2 else line),
        "table-short-lines": table_lines(sound, lambda line, i: line[:18] + b"\n"),
        # A page tree whose /Count disagrees with its leaves.
        "count-too-high": with_count(2, 4, 40),
        "count-too-low": with_count(2, 4, 2),
        "count-node-wrong": with_count(4, 3, 1),
        # Streams with a wrong /Length.
        "length-too-long": bytes(classic(document(o10=with_length(long_stream, +40))).data),
        "length-too-short": bytes(classic(document(o10=with_length(long_stream, -20))).data),
        "length-past-end": bytes(classic(document(o10=with_length(long_stream, +99999))).data),
        # The same number twice and no table: the later definition is the one.
        "duplicate-object": with_page_tree_defined_before(without_table(sound)),
        # Objects in object streams that no cross-reference lists.
        "objstm-xref-lost": bytes(compressed.data[:compressed.offsets[14]]),
        "objstm-xref-lost-with-trailer": bytes(compressed.data[:compressed.offsets[14]]) +
                                         b"trailer\n<< /Size 15 /Root 1 0 R /Info %d 0 R >>\n" % INFO,
        **aimed,
    }, {
        "sound-classic": bytes(sound.data),
        "sound-xref-stream": bytes(compressed.data),
        "sound-hybrid": bytes(mixed.data),
        "sound-updated": bytes(update.data),
        "sound-updated-xref-stream": bytes(stream_update.data),
        "sound-linearized": layouts["linearized"],
        "sound-linearized-objstm": layouts["linearized-objstm"],
    }


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    damaged, sound = damages()
    for name, data in {**damaged, **sound}.items():
        with open(os.path.join(folder, name + ".pdf"), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
