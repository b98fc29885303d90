#!/usr/bin/env bash
# Makes the PDF fixtures of the end-to-end tests with independent tools:
# ghostscript, mupdf-tools (mutool), qpdf, and python3 for hand-made oddities.
# Run it once by hand from anywhere; its outputs are committed.
#   apt-get install ghostscript mupdf-tools qpdf python3
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
sample="$here/../../examples/sample.pdf"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

# Ghostscript's pdfwrite: three pages of plain drawing, no fonts.
cat > three.ps <<'EOF'
%!PS
<< /PageSize [200 200] >> setpagedevice
1 1 3 { /n exch def
  newpath 20 20 moveto 180 20 lineto 100 n 50 mul 20 add lineto closepath
  0.2 n mul setgray fill showpage } for
EOF
gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=pdfwrite -dAutoRotatePages=/None -o gs.pdf three.ps
cp gs.pdf "$here/gs.pdf"

# mutool create: four pages, each with its own /Rotate (0, 90, 270, 0).
printf '%%%%MediaBox 0 0 200 200\n0 0 1 rg 20 20 160 160 re f\n' > p1.txt
printf '%%%%MediaBox 0 0 200 100\n%%%%Rotate 90\n1 0 0 rg 10 10 50 50 re f\n' > p2.txt
printf '%%%%MediaBox 0 0 100 200\n%%%%Rotate 270\n0 1 0 rg 10 10 50 50 re f\n' > p3.txt
printf '%%%%MediaBox 0 0 100 100\n0 g 5 5 m 95 95 l S\n' > p4.txt
mutool create -o "$here/mutool-create.pdf" p1.txt p2.txt p3.txt p4.txt

# mutool clean: the first page of the Ghostscript file, garbage-collected and decompressed.
mutool clean -gg -d gs.pdf "$here/mutool-clean.pdf" 1

# qpdf: QDF form (comments between objects, lengths as indirect objects), a
# linearized file, and an encrypted one (empty user password).
qpdf --qdf "$here/mutool-create.pdf" "$here/qpdf-qdf.pdf"
qpdf --linearize "$here/mutool-create.pdf" "$here/linearized.pdf"
qpdf --encrypt "" owner-secret 256 -- "$here/mutool-clean.pdf" "$here/encrypted.pdf"

python3 - "$here" "$sample" <<'EOF'
import sys, zlib
here, sample = sys.argv[1], sys.argv[2]

def classic(objects, trailer=b"", head=b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n", tails={}):
    """A PDF file with one classic table; objects maps number -> body text.
    tails maps number -> the bytes written after "endobj" (default a line feed)."""
    out = bytearray(head)
    offsets = {}
    for n in sorted(objects):
        offsets[n] = len(out)
        out += b"%d 0 obj\n%s\nendobj" % (n, objects[n]) + tails.get(n, b"\n")
    size = max(objects) + 1
    table = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % size
    for n in range(1, size):
        out += b"%010d 00000 n \n" % offsets[n] if n in offsets else b"0000000000 00000 f \n"
    out += b"trailer\n<< /Size %d /Root 1 0 R %s>>\nstartxref\n%d\n%%%%EOF\n" % (size, trailer, table)
    return bytes(out)

def stream(data, extra=b""):
    return b"<< /Length %d %s>>\nstream\n%s\nendstream" % (len(data), extra, data)

def write(name, data):
    with open("%s/%s" % (here, name), "wb") as f:
        f.write(data)

# rotations.pdf: eleven pages with every kind of own /Rotate, and none.
pages = [
    b"/Rotate 90",
    b"/Rotate 270",
    b"/Rotate -270",
    b"/Rotate 0",
    b"",
    b"/Rotate 90.0",
    b"/Rotate 30 0 R",
    None,  # in a page tree node with /Rotate 180, no own /Rotate
    b"/RotateX 5 /Extra << /Rotate 45 >> /Names [/Rotate 7] /Text (/Rotate 1)\n% /Rotate 2\n",
    b"/Rotate\r\n180 /Contents 31 0 R",
    b"/Extra << /Rotate 45 >> /Rotate -90",
]
objects = {1: b"<< /Type /Catalog /Pages 2 0 R >>",
           3: b"<< /Type /Pages /Parent 2 0 R /Rotate 180 /Kids [17 0 R] /Count 1 >>",
           30: b"90",
           31: stream(b"0 0 1 rg 10 10 50 50 re f\n% the word endobj inside a content stream\n")}
kids = []
for i, text in enumerate(pages):
    number = 10 + i
    parent = 3 if text is None else 2
    objects[number] = b"<< /Type /Page /Parent %d 0 R %s >>" % (parent, text or b"")
    if text is not None: kids.append(b"%d 0 R" % number)
    if text is None: kids.append(b"3 0 R")
objects[2] = b"<< /Type /Pages /MediaBox [0 0 200 200] /Kids [%s] /Count 11 >>" % b" ".join(kids)
write("rotations.pdf", classic(objects, tails={20: b"%not white space\n"}))

# nodes.pdf: a chain of 25 page tree nodes, each with one page (25 pages).
objects = {1: b"<< /Type /Catalog /Pages 2 0 R >>"}
for i in range(25):
    node, page = 2 + 2 * i, 3 + 2 * i
    kids = b"%d 0 R" % page + (b" %d 0 R" % (node + 2) if i < 24 else b"")
    parent = b" /Parent %d 0 R" % (node - 2) if i else b" /MediaBox [0 0 100 100]"
    objects[node] = b"<< /Type /Pages%s /Kids [%s] /Count %d >>" % (parent, kids, 25 - i)
    objects[page] = b"<< /Type /Page /Parent %d 0 R >>" % node
write("nodes.pdf", classic(objects))

# overcount.pdf: the root declares 3 pages but holds 2 (within the object count).
objects = {1: b"<< /Type /Catalog /Pages 2 0 R >>",
           2: b"<< /Type /Pages /MediaBox [0 0 100 100] /Kids [3 0 R 4 0 R] /Count 3 >>",
           3: b"<< /Type /Page /Parent 2 0 R >>", 4: b"<< /Type /Page /Parent 2 0 R >>",
           5: b"<< /Producer (make-fixtures) >>", 6: b"<< /Unused true >>"}
write("overcount.pdf", classic(objects, b"/Info 5 0 R "))

# damaged-count.pdf: a declared page count above the number of objects.
objects[2] = objects[2].replace(b"/Count 3", b"/Count 99")
write("damaged-count.pdf", classic(objects))

# damaged-truncated.pdf: the sample cut short, without its table and startxref.
data = open(sample, "rb").read()
write("damaged-truncated.pdf", data[: len(data) // 2])

# junk-header.pdf: bytes before "%PDF-"; the table's offsets count from the header.
write("junk-header.pdf", b"JUNK\x00\x01\x02 mail header or other bytes\r\n" * 4 +
      open("%s/mutool-create.pdf" % here, "rb").read())

# incremental.pdf: the sample plus an update: page 1 gets /Rotate 270 and new
# contents, and the Info dictionary is freed and reused under generation 1.
prev = int(data.rsplit(b"startxref", 1)[1].split()[0])
update = bytearray(data)
offsets = {}
offsets[4] = len(update); update += b"4 1 obj\n<< /Title (updated) >>\nendobj\n"
offsets[5] = len(update); update += (b"5 0 obj\n<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Rotate 270"
                                     b" /Contents 19 0 R >>\nendobj\n")
offsets[19] = len(update); update += b"19 0 obj\n%s\nendobj\n" % stream(b"0 0 1 rg 0 0 100 100 re f")
table = len(update)
update += b"xref\n0 1\n0000000000 65535 f \n4 2\n%010d 00001 n \n%010d 00000 n \n19 1\n%010d 00000 n \n" % (
    offsets[4], offsets[5], offsets[19])
update += b"trailer\n<< /Size 20 /Root 1 0 R /Info 4 1 R /Prev %d >>\nstartxref\n%d\n%%%%EOF\n" % (prev, table)
write("incremental.pdf", bytes(update))

# hybrid.pdf: a classic table (objects 0-6) whose trailer names with /XRefStm a
# cross-reference stream for objects 7 and 8, which sit in object stream 5.
inner = [b"<< /Type /Page /Parent 2 0 R /Contents 4 0 R >>", b"<< /Title (hybrid) >>"]
first = b"7 0 8 %d " % (len(inner[0]) + 1)
objstm = first + inner[0] + b" " + inner[1]
body = {1: b"<< /Type /Catalog /Pages 2 0 R >>",
        2: b"<< /Type /Pages /MediaBox [0 0 200 200] /Kids [3 0 R 7 0 R] /Count 2 >>",
        3: b"<< /Type /Page /Parent 2 0 R /Contents 4 0 R /Rotate 90 >>",
        4: stream(b"0 0 1 rg 10 10 80 80 re f"),
        5: stream(zlib.compress(objstm), b"/Type /ObjStm /N 2 /First %d /Filter /FlateDecode " % len(first))}
rows = b"".join(bytes([2, 0, 5, i]) for i in range(2))
body[6] = stream(zlib.compress(rows), b"/Type /XRef /Size 9 /W [1 2 1] /Index [7 2] /Filter /FlateDecode ")
def hybrid(hidden_as_free):
    out = bytearray(b"%PDF-1.5\n%\xe2\xe3\xcf\xd3\n")
    offsets = {}
    for n in sorted(body):
        offsets[n] = len(out)
        out += b"%d 0 obj\n%s\nendobj\n" % (n, body[n])
    table = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (9 if hidden_as_free else 7)
    out += b"".join(b"%010d 00000 n \n" % offsets[n] for n in range(1, 7))
    out += b"0000000000 65535 f \n" * 2 if hidden_as_free else b""
    out += b"trailer\n<< /Size 9 /Root 1 0 R /Info 8 0 R /XRefStm %d >>\nstartxref\n%d\n%%%%EOF\n" % (
        offsets[6], table)
    return bytes(out)
write("hybrid.pdf", hybrid(False))
# hybrid-free.pdf: the same, with the table listing objects 7 and 8 as free (as
# some producers write hybrid files).
write("hybrid-free.pdf", hybrid(True))

# line-ends.pdf: two pages whose objects use CR and CR LF line ends, hold CRs in a
# string and in stream data, and are followed by each white-space byte and by a
# comment: the bytes that a copy must keep as they are.
content = b"0 0 1 rg\r10 10 80 80 re f\r\n"
binary = bytes(range(256))
pieces = [b"1 0 obj\r<< /Type /Catalog /Pages 2 0 R >>\rendobj\r",
          b"2 0 obj\r\n<< /Type /Pages /MediaBox [0 0 200 200] /Kids [3 0 R 4 0 R] /Count 2 >>\r\nendobj\r\n",
          b"3 0 obj\r<<\r/Type /Page\r/Parent 2 0 R\r/Contents 5 0 R\r>>\rendobj\t",
          b"4 0 obj\n<< /Type /Page /Parent 2 0 R /Rotate\r90 /Contents 6 0 R >>\nendobj\x0c",
          b"5 0 obj\r<< /Length %d >>\rstream\r\n%s\rendstream\rendobj\x00" % (len(content), content),
          b"6 0 obj << /Length %d >> stream\r\n%s\r\nendstream endobj " % (len(binary), binary),
          b"7 0 obj\r<< /Title (two\rlines\r\n) >>\rendobj%comment\r",
          b"8 0 obj\r\n[1 2 3]\r\nendobj\r"]
out = bytearray(b"%PDF-1.4\r%\xe2\xe3\xcf\xd3\r")
offsets = []
for piece in pieces:
    offsets.append(len(out))
    out += piece
table = len(out)
out += b"xref\r0 9\r\n0000000000 65535 f\r\n" + b"".join(b"%010d 00000 n\r\n" % o for o in offsets)
out += b"trailer\r<< /Size 9 /Root 1 0 R /Info 7 0 R >>\rstartxref\r%d\r%%%%EOF\r" % table
write("line-ends.pdf", bytes(out))
EOF

# Compressed: everything possible in object streams, a cross-reference stream
# with the PNG predictor (qpdf's choice).
qpdf --object-streams=generate "$here/rotations.pdf" "$here/objstm.pdf"

for f in "$here"/*.pdf; do qpdf --check "$f" >/dev/null 2>&1 || echo "qpdf --check: $(basename "$f") ($?)"; done
ls -l "$here"/*.pdf
