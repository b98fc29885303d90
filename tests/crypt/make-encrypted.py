#!/usr/bin/env python3
"""Writes small PDF files encrypted with the standard security handler's RC4
methods (revisions 2 to 4), each made for one rule of reading them:

  make-encrypted.py FOLDER

Every file has three pages with a content stream each, a font and an Info
dictionary; the user password is "user", the owner password "owner". Names say
what each holds:

- rc4-<bits>-<table|stream>[-direct][-qpdfkey].pdf: revision 3 with a key of
  40, 64, 96 or 128 bits; "stream" files keep their cross-reference in a stream
  and the pages, the Info dictionary and the font in an object stream; "direct"
  files write the encryption dictionary in the trailer instead of as an object;
  "qpdfkey" files hash only the key's bytes in the 50 rounds of the owner key,
  as some writers do (ISO 32000 hashes the whole digest);
- rc4-r2-direct-<table|stream>.pdf: revision 2 (40 bits), direct;
- locked-direct-<table|stream>.pdf: revision 3, direct, whose permissions allow
  neither modifying nor assembling;
- length-<said>-of-<real>.pdf: revision 3 whose /Length says <said> bits while
  the key has <real> (16: the length in bytes, which is no key length in bits);
- raw-cr-<table|stream>[-direct].pdf: revision 3, the object stream's strings
  (the Info's Title and a page's /Label) hold unescaped CR and CR LF, which
  read as LF;
- identity-objstm.pdf: revision 4 with RC4 crypt filters, whose object stream is
  filtered [/Crypt /FlateDecode] with the Identity crypt filter (not encrypted).

Every file is made here from nothing, so the set is the same on every machine.
"""
import hashlib
import os
import struct
import sys
import zlib

PAD = bytes.fromhex("28BF4E5E4E758A4164004E56FFFA01082E2E00B6D0683E802F0CA9FE6453697A")
FILE_ID = bytes.fromhex("5f0a1d2c3b4a59687786950a1b2c3d4e")
ALL_PERMISSIONS = -4
LOCKED = -4 - 8 - 1024  # bits 4 (modify) and 11 (assemble) cleared


def rc4(key, data):
    box = list(range(256))
    j = 0
    for i in range(256):
        j = (j + box[i] + key[i % len(key)]) % 256
        box[i], box[j] = box[j], box[i]
    out = bytearray()
    i = j = 0
    for byte in data:
        i = (i + 1) % 256
        j = (j + box[i]) % 256
        box[i], box[j] = box[j], box[i]
        out.append(byte ^ box[(box[i] + box[j]) % 256])
    return bytes(out)


def md5(*parts):
    return hashlib.md5(b"".join(parts)).digest()


def padded(password):
    return (password + PAD)[:32]


def rc4_rounds(key, data, revision):
    if revision == 2:
        return rc4(key, data)
    for round_number in range(20):
        data = rc4(bytes(b ^ round_number for b in key), data)
    return data


class Handler:
    """The standard security handler of revisions 2 to 4 with RC4."""

    def __init__(self, revision=3, bits=128, permissions=ALL_PERMISSIONS, said_bits=None, qpdf_key=False,
                 version=None):
        self.revision = revision
        self.version = version or (1 if revision == 2 else 2)
        self.length = 5 if revision == 2 else bits // 8
        self.said_bits = said_bits if said_bits is not None else self.length * 8
        self.permissions = permissions
        self.owner_entry = self.make_owner(b"owner", b"user", qpdf_key)
        self.key = self.file_key(b"user")
        self.user_entry = self.make_user()

    def make_owner(self, owner, user, qpdf_key):
        key = md5(padded(owner))
        if self.revision >= 3:
            for _ in range(50):
                key = md5(key[: self.length] if qpdf_key else key)
        return rc4_rounds(key[: self.length], padded(user), self.revision)

    def file_key(self, user):
        key = md5(padded(user), self.owner_entry, struct.pack("<i", self.permissions), FILE_ID)
        if self.revision >= 3:
            for _ in range(50):
                key = md5(key[: self.length])
        return key[: self.length]

    def make_user(self):
        if self.revision == 2:
            return rc4(self.key, PAD)
        return rc4_rounds(self.key, md5(PAD, FILE_ID), self.revision) + bytes(16)

    def object_key(self, number, generation=0):
        extra = struct.pack("<I", number)[:3] + struct.pack("<H", generation)
        return md5(self.key, extra)[: min(self.length + 5, 16)]

    def encrypt(self, number, data):
        return rc4(self.object_key(number), data)

    def dictionary(self):
        text = b"<< /Filter /Standard /V %d /R %d" % (self.version, self.revision)
        if self.version != 1:
            text += b" /Length %d" % self.said_bits
        if self.version == 4:
            text += b" /CF << /StdCF << /CFM /V2 /Length 16 >> >> /StmF /StdCF /StrF /StdCF"
        text += b" /O <%s> /U <%s> /P %d >>" % (self.owner_entry.hex().encode(), self.user_entry.hex().encode(),
                                                 self.permissions)
        return text


def hex_string(data):
    return b"<" + data.hex().encode() + b">"


class Document:
    """Objects of one file; `packed` ones go into an object stream."""

    def __init__(self, handler, raw_cr=False, identity_objstm=False):
        self.handler = handler
        self.identity_objstm = identity_objstm
        self.title = b"line one\rline two\r\nend" if raw_cr else b"Encrypted sample"
        self.label = b"a\rb\r\nc" if raw_cr else b"label"
        self.raw_cr = raw_cr

    def string(self, number, text, packed):
        """A string of object `number`: plain in an object stream, encrypted elsewhere."""
        if packed:
            if self.raw_cr:
                return b"(" + text + b")"
            return hex_string(text)
        return hex_string(self.handler.encrypt(number, text))

    def objects(self, packed):
        """Body per number; packed numbers are the pages, the font and the Info."""
        bodies = {1: b"<< /Type /Catalog /Pages 2 0 R >>", 2: b"<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R] /Count 3 >>"}
        in_stream = {3, 4, 5, 9, 10} if packed else set()
        for page in range(3):
            number = 3 + page
            bodies[number] = (b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents %d 0 R"
                              b" /Resources << /Font << /F1 9 0 R >> >> /Label %s >>"
                              % (6 + page, self.string(number, self.label, number in in_stream)))
            content = b"BT /F1 24 Tf 30 100 Td (page %d) Tj ET\n" % (page + 1)
            encrypted = self.handler.encrypt(6 + page, content)
            bodies[6 + page] = b"<< /Length %d >>\nstream\n%s\nendstream" % (len(encrypted), encrypted)
        bodies[9] = b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"
        bodies[10] = b"<< /Title %s /Producer %s >>" % (self.string(10, self.title, 10 in in_stream),
                                                        self.string(10, b"make-encrypted", 10 in in_stream))
        return bodies, in_stream

    def object_stream(self, number, bodies, members):
        header, data = b"", b""
        for member in sorted(members):
            header += b"%d %d " % (member, len(data))
            data += bodies.pop(member) + b"\n"
        packed = zlib.compress(header + data)
        if self.identity_objstm:
            filters = b"/Filter [/Crypt /FlateDecode] /DecodeParms [<< /Name /Identity >> null]"
        else:
            filters = b"/Filter /FlateDecode"
            packed = self.handler.encrypt(number, packed)
        return b"<< /Type /ObjStm /N %d /First %d %s /Length %d >>\nstream\n%s\nendstream" % (
            len(members), len(header), filters, len(packed), packed)


def trailer_entries(handler, direct):
    encrypt = handler.dictionary() if direct else b"11 0 R"
    return b"/Root 1 0 R /Info 10 0 R /Encrypt %s /ID [%s %s]" % (encrypt, hex_string(FILE_ID), hex_string(FILE_ID))


def write_objects(out, bodies):
    offsets = {}
    for number in sorted(bodies):
        offsets[number] = len(out)
        out += b"%d 0 obj\n%s\nendobj\n" % (number, bodies[number])
    return offsets


def classic_file(document, direct):
    bodies, _ = document.objects(packed=False)
    if not direct:
        bodies[11] = document.handler.dictionary()
    out = bytearray(b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n")
    offsets = write_objects(out, bodies)
    size = max(bodies) + 1
    table = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % size
    for number in range(1, size):
        out += b"%010d 00000 n \n" % offsets[number] if number in offsets else b"0000000000 00000 f \n"
    out += b"trailer\n<< /Size %d %s >>\nstartxref\n%d\n%%%%EOF\n" % (size, trailer_entries(document.handler, direct),
                                                                     table)
    return bytes(out)


def stream_file(document, direct):
    bodies, members = document.objects(packed=True)
    if not direct:
        bodies[11] = document.handler.dictionary()
    stream_number, xref_number = 12, 13
    index = {member: position for position, member in enumerate(sorted(members))}
    bodies[stream_number] = document.object_stream(stream_number, bodies, members)
    out = bytearray(b"%PDF-1.5\n%\xe2\xe3\xcf\xd3\n")
    offsets = write_objects(out, bodies)
    offsets[xref_number] = len(out)
    rows = b"\x00\x00\x00\x00"
    for number in range(1, xref_number + 1):
        if number in index:
            rows += struct.pack(">BHB", 2, stream_number, index[number])
        elif number in offsets:
            rows += struct.pack(">BHB", 1, offsets[number], 0)
        else:
            rows += b"\x00\x00\x00\x00"  # the encryption dictionary's number, free in a direct file
    packed = zlib.compress(rows)
    out += (b"%d 0 obj\n<< /Type /XRef /Size %d /W [1 2 1] %s /Filter /FlateDecode /Length %d >>\nstream\n%s"
            b"\nendstream\nendobj\n" % (xref_number, xref_number + 1, trailer_entries(document.handler, direct),
                                        len(packed), packed))
    out += b"startxref\n%d\n%%%%EOF\n" % offsets[xref_number]
    return bytes(out)


def layouts():
    return {"table": classic_file, "stream": stream_file}


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    files = {}
    for name, write in layouts().items():
        for bits in (40, 64, 96, 128):
            for direct in (False, True):
                for qpdf_key in (False, True):
                    handler = Handler(bits=bits, qpdf_key=qpdf_key)
                    files["rc4-%d-%s%s%s.pdf" % (bits, name, "-direct" if direct else "",
                                                 "-qpdfkey" if qpdf_key else "")] = write(Document(handler), direct)
        files["rc4-r2-direct-%s.pdf" % name] = write(Document(Handler(revision=2)), True)
        files["locked-direct-%s.pdf" % name] = write(Document(Handler(permissions=LOCKED)), True)
        for direct in (False, True):
            files["raw-cr-%s%s.pdf" % (name, "-direct" if direct else "")] = write(
                Document(Handler(), raw_cr=True), direct)
    for said, real in ((64, 96), (96, 40), (120, 128), (16, 128)):
        files["length-%d-of-%d.pdf" % (said, real)] = classic_file(Document(Handler(bits=real, said_bits=said)),
                                                                   False)
    files["identity-objstm.pdf"] = stream_file(Document(Handler(revision=4, version=4), identity_objstm=True),
                                               False)
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
