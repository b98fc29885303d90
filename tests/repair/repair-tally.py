#!/usr/bin/env python3
"""Sorts what a build's -repair makes of each damaged file, beside qpdf:

  repair-tally.py PROGRAM [FOLDER]

FOLDER (a new temporary one by default) gets the files of make-damaged.py. A
file's outcome is one of
  faithful  "Done." and the pages of the sound file it was made from: as many as
            qpdf finds in the damaged file when qpdf recovers it, each with the
            sound file's contents and /Rotate 90, in output that qpdf --check
            passes (a file not made from one layout's sound file is compared
            with qpdf's reading of it);
  warned    "Done." after a "Warning:" line, and not faithful;
  refused   a message and no output;
  WRONG     "Done." without a warning and not faithful: the one outcome that
            must never occur;
  unjudged  "Done." for a file that qpdf does not recover and that has no
            sound file to compare with, or whose stream data the damage broke.
qpdf's verdict is "recovered" when its own rotation passes its --check. The
last lines count each outcome, for all files and for those qpdf recovers.
"""
import base64
import json
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
LAYOUTS = ("linearized-objstm", "linearized", "xref-stream", "classic")


def pages(pdf):
    """[(rotate, contents)] as qpdf reads the file, or None."""
    run = subprocess.run(["qpdf", "--json=2", "--json-key=pages", "--json-key=qpdf", "--json-stream-data=inline",
                          "--decode-level=generalized", pdf], capture_output=True)
    if run.returncode not in (0, 3):
        return None
    try:
        document = json.loads(run.stdout)
    except ValueError:
        return None
    objects = document["qpdf"][1]
    found = []
    for page in document["pages"]:
        value = objects.get("obj:" + page["object"], {})
        dictionary = value["stream"]["dict"] if "stream" in value else value.get("value") or {}
        contents = b""
        for content in page["contents"]:
            stream = objects.get("obj:" + content, {}).get("stream", {})
            contents += base64.b64decode(stream.get("data", ""))
        found.append((json.dumps(dictionary.get("/Rotate")), contents.rstrip(b" \t\r\n")))
    return found


def qpdf_recovers(pdf, folder):
    out = os.path.join(folder, "qpdf-out.pdf")
    run = subprocess.run(["qpdf", pdf, "--rotate=90", out], capture_output=True)
    if run.returncode not in (0, 3):
        return False
    return clean(out)


def clean(pdf):
    check = subprocess.run(["qpdf", "--check", pdf], capture_output=True, text=True)
    return check.returncode == 0 and "WARNING" not in check.stdout + check.stderr


def sound_file_of(name):
    if "hybrid" in name:
        return "sound-hybrid"
    if name.startswith("xref-stream-") and name.endswith("-update"):
        return "sound-updated-xref-stream"
    if name.startswith(("xref-stream-", "objstm-xref-lost")):
        return "sound-xref-stream"
    for layout in LAYOUTS:
        if name.endswith("-" + layout):
            return "sound-" + layout
    return "sound-classic" if name.startswith(("kids-", "pages-node-", "page-without")) else None


def outcome(program, folder, name, recovered):
    pdf = os.path.join(folder, name + ".pdf")
    out = os.path.join(folder, "out", name + ".pdf")
    text = subprocess.run([program, "-i" + pdf, "-o" + out, "-pall", "-r90", "-repair"], capture_output=True,
                          text=True, errors="replace").stdout.replace("\r", "")
    lines = [line for line in text.split("\n") if line]
    if not lines or lines[-1] != "Done.":
        return "refused", lines[-1].split(".pdf")[-1] if lines else ""
    warned = any(line.startswith("Warning:") for line in lines)
    source = sound_file_of(name)
    damaged, got = pages(pdf), pages(out)
    expected = pages(os.path.join(folder, source + ".pdf")) if source else damaged
    if name.startswith("crlf-") and not recovered:
        return "unjudged", "line-end conversion damaged the stream data itself"
    if expected is None:
        return "unjudged", "no sound file and qpdf cannot read it"
    count = len(damaged) if recovered and damaged is not None else len(expected)
    if got is None:
        problem = "qpdf cannot read the output"
    elif len(got) != count:
        problem = "%d pages, not %d" % (len(got), count)
    elif any(rotate != "90" for rotate, _ in got):
        problem = "pages not rotated: %s" % [i + 1 for i, (rotate, _) in enumerate(got) if rotate != "90"]
    elif [c for _, c in got] != [c for _, c in expected][:count]:
        problem = "contents differ on pages %s" % [i + 1 for i in range(count) if got[i][1] != expected[i][1]]
    elif not clean(out):
        problem = "qpdf --check complains of the output"
    else:
        return "faithful", ""
    return ("warned" if warned else "WRONG"), problem


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    program = os.path.abspath(sys.argv[1])
    folder = sys.argv[2] if len(sys.argv) == 3 else tempfile.mkdtemp()
    subprocess.run([sys.executable, os.path.join(HERE, "make-damaged.py"), folder], check=True)
    os.makedirs(os.path.join(folder, "out"), exist_ok=True)
    tally = {}
    for file in sorted(os.listdir(folder)):
        if not file.endswith(".pdf") or file.startswith("sound-"):
            continue
        name = file[:-4]
        recovered = qpdf_recovers(os.path.join(folder, file), folder)
        result, detail = outcome(program, folder, name, recovered)
        print("%-45s %-13s %-9s %s" % (name, "recovered" if recovered else "unrecoverable", result, detail))
        for key in ("all", "qpdf recovers" if recovered else "qpdf fails"):
            tally.setdefault(key, {}).setdefault(result, 0)
            tally[key][result] += 1
    for key, counts in tally.items():
        print("%s: %s" % (key, ", ".join("%s %d" % item for item in sorted(counts.items()))))


if __name__ == "__main__":
    main()
