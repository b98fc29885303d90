#!/usr/bin/env python3
"""Writes a valid PDF file past 4 GiB without writing 4 GiB:

  make-large.py FILE [DATA_BYTES]

Page 1 draws an image whose data, DATA_BYTES of zeros (4,400,087,040 by default),
is left as a hole in the file (a sparse file, where the file system allows one),
so that the objects after it lie past every 32-bit offset: the image's own end,
pages 2 and 3 (page 3 shows /Rotate 90), the content stream and the table. A
classic table and trailer end the file; their ten-digit offsets are exact.
Prints the object numbers of the three pages and the offset of the first
object past 4 GiB.
"""
import sys

WIDTH = 65536


def main():
    path = sys.argv[1]
    data_bytes = int(sys.argv[2]) if len(sys.argv) > 2 else WIDTH * 67140
    height = data_bytes // WIDTH
    data_bytes = WIDTH * height
    offsets = {}
    with open(path, "wb") as out:
        def obj(number, body):
            offsets[number] = out.tell()
            out.write(b"%d 0 obj\n" % number + body + b"\nendobj\n")

        out.write(b"%PDF-1.7\n%\xe2\xe3\xcf\xd3\n")
        obj(1, b"<< /Type /Catalog /Pages 2 0 R >>")
        obj(2, b"<< /Type /Pages /Kids [4 0 R 5 0 R 6 0 R] /Count 3 /MediaBox [0 0 612 792] >>")
        offsets[3] = out.tell()
        out.write(b"3 0 obj\n<< /Type /XObject /Subtype /Image /Width %d /Height %d /ColorSpace /DeviceGray "
                  b"/BitsPerComponent 8 /Length %d >>\nstream\n" % (WIDTH, height, data_bytes))
        out.seek(data_bytes, 1)  # the data: a hole of zeros
        out.write(b"\nendstream\nendobj\n")
        resources = b"/Resources << /XObject << /Im0 3 0 R >> >>"
        obj(4, b"<< /Type /Page /Parent 2 0 R " + resources + b" /Contents 7 0 R >>")
        obj(5, b"<< /Type /Page /Parent 2 0 R " + resources + b" /Contents 7 0 R >>")
        obj(6, b"<< /Type /Page /Parent 2 0 R /Rotate 90 " + resources + b" /Contents 7 0 R >>")
        content = b"q 612 0 0 792 0 0 cm /Im0 Do Q"
        obj(7, b"<< /Length %d >>\nstream\n" % len(content) + content + b"\nendstream")
        table = out.tell()
        out.write(b"xref\n0 8\n0000000000 65535 f \n")
        for number in range(1, 8):
            out.write(b"%010d 00000 n \n" % offsets[number])
        out.write(b"trailer\n<< /Size 8 /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % table)
    print(4, 5, 6, offsets[4])


if __name__ == "__main__":
    main()
