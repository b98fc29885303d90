#!/usr/bin/env python3
"""A file past 4 GiB rotated in both modes, as a test:

  run-large.py PROGRAM WORK_FOLDER [--sanitized]

make-large.py writes a sparse input of about 4.4 GB whose pages 2 and 3 lie past
4 GiB. The program turns them by 180 degrees, once in a full rewrite and once as
an incremental update. Each run must print exactly what it prints for the same
file with a small image, stay under 64 MiB of peak memory (not checked under the
sanitizers, whose shadow memory counts), and write an output that qpdf checks
clean, whose pages 2 and 3 show /Rotate 180, page 1 none, and whose image data
is the input's zeros to its last byte. Outputs are removed as soon as judged.
"""
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
PEAK_LIMIT_KIB = 64 * 1024
ARGUMENTS = ["-p2-3", "-r180"]


def fail(message):
    print("FAILED: " + message)
    sys.exit(1)


def make(path, data_bytes=None):
    """Writes the file; gives the offset of its first object past the image data."""
    command = [sys.executable, os.path.join(HERE, "make-large.py"), path]
    if data_bytes is not None:
        command.append(str(data_bytes))
    made = subprocess.run(command, check=True, stdout=subprocess.PIPE, text=True)
    return int(made.stdout.split()[-1])


def rotate(program, folder, name, extra):
    """Runs the job in `folder`; gives its console text, exit status and peak memory in KiB."""
    with open(os.path.join(folder, "console.txt"), "wb") as console:
        process = subprocess.Popen([program, "-i" + name, "-oout.pdf"] + ARGUMENTS + extra, cwd=folder,
                                   stdout=console, stderr=subprocess.DEVNULL)
        _, status, usage = os.wait4(process.pid, 0)
    with open(os.path.join(folder, "console.txt"), "rb") as console:
        return console.read(), os.waitstatus_to_exitcode(status), usage.ru_maxrss


def qpdf(*arguments):
    return subprocess.run(["qpdf"] + list(arguments), capture_output=True, text=True)


def image_data_is_zeros(path, data_bytes):
    """The image's data in the output: zeros at its start, middle and end, and "endstream" right after it."""
    with open(path, "rb") as pdf:
        head = pdf.read(4096)
        at = head.find(b"3 0 obj")
        start = head.find(b"stream\n", at) + len(b"stream\n")
        if at < 0 or start < len(b"stream\n"):
            return False
        for offset in (0, data_bytes // 2, data_bytes - (1 << 20)):
            pdf.seek(start + offset)
            if pdf.read(1 << 20).strip(b"\0"):
                return False
        pdf.seek(start + data_bytes)
        return pdf.read(10) == b"\nendstream"


def judge(folder, data_bytes):
    out = os.path.join(folder, "out.pdf")
    check = qpdf("--check", out)
    if check.returncode != 0:
        fail("qpdf --check: " + check.stdout + check.stderr)
    if qpdf("--show-npages", out).stdout.strip() != "3":
        fail("the output does not have 3 pages")
    for number, rotate in ((4, None), (5, "/Rotate 180"), (6, "/Rotate 180")):
        shown = qpdf("--show-object=%d" % number, out).stdout
        if (rotate is None and "/Rotate" in shown) or (rotate is not None and rotate not in shown):
            fail("page object %d reads %s" % (number, shown))
    if not image_data_is_zeros(out, data_bytes):
        fail("the image's data is not the input's")


def main():
    program, folder = os.path.abspath(sys.argv[1]), sys.argv[2]
    sanitized = "--sanitized" in sys.argv[3:]
    os.makedirs(folder, exist_ok=True)
    large, small = os.path.join(folder, "large.pdf"), os.path.join(folder, "small.pdf")
    data_bytes = 65536 * 67140
    try:
        if make(large) <= 1 << 32:
            fail("the pages of the large file do not lie past 4 GiB")
        make(small, 65536 * 4)
        for extra in ([], ["-incremental"]):
            expected, expected_status, _ = rotate(program, folder, "small.pdf", extra)
            os.remove(os.path.join(folder, "out.pdf"))
            console, status, peak = rotate(program, folder, "large.pdf", extra)
            mode = " ".join(extra) or "full rewrite"
            if console.replace(b"large.pdf", b"small.pdf") != expected or status != expected_status:
                fail("%s: the console reads %r (status %d), not %r" % (mode, console, status, expected))
            if not expected.endswith(b"Done.\n"):
                fail("%s: the job did not end with Done.: %r" % (mode, expected))
            if not sanitized and peak > PEAK_LIMIT_KIB:
                fail("%s: peak memory %d KiB, more than %d" % (mode, peak, PEAK_LIMIT_KIB))
            judge(folder, data_bytes)
            os.remove(os.path.join(folder, "out.pdf"))
            print("%s: passed, peak memory %d KiB" % (mode, peak))
    finally:
        for name in ("large.pdf", "small.pdf", "out.pdf", "console.txt"):
            if os.path.exists(os.path.join(folder, name)):
                os.remove(os.path.join(folder, name))


if __name__ == "__main__":
    main()
