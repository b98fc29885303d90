#!/usr/bin/env bash
# Says what qpdf makes of each file that make-damaged.py writes, to sort the
# files into those that -repair must rotate and those that nothing recovers:
#   tests/repair/qpdf-verdicts.sh [build/folioturn]
# A file is recovered when qpdf rotates it into output that its own --check
# passes without a warning; the page count is that of the pages qpdf finds
# (not its --show-npages, which reports the page tree's /Count). With the
# program's path, the last line the program prints for the file (without -repair) follows.
# What the program makes of each file with -repair, judged against the sound file
# it was made from and tallied beside qpdf's verdicts, is repair-tally.py's job.
set -u
here="$(cd "$(dirname "$0")" && pwd)"
program="${1:-}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
python3 "$here/make-damaged.py" "$work/in"
mkdir "$work/out"
count_pages() {
  qpdf --json=2 --json-key=pages "$1" 2>/dev/null |
    python3 -c 'import json, sys; print(len(json.load(sys.stdin)["pages"]))' 2>/dev/null || echo "-"
}
for input in "$work"/in/*.pdf; do
  name="$(basename "$input" .pdf)"
  output="$work/out/$name.pdf"
  verdict=unrecoverable
  if qpdf "$input" --rotate=90 "$output" >/dev/null 2>&1 || [ $? -eq 3 ]; then
    check="$(qpdf --check "$output" 2>&1)" && ! grep -q WARNING <<<"$check" && verdict=recovered
  fi
  line=""
  if [ -n "$program" ]; then
    line="$("$program" "-i$input" "-o$work/out/$name-program.pdf" -pall -r90 | tr -d '\r' | tail -n 1)"
    line="${line##*.pdf}"
  fi
  printf '%-40s %-14s %-3s %s\n' "$name" "$verdict" "$(count_pages "$input")" "$line"
done
