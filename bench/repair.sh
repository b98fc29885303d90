#!/usr/bin/env bash
# Times -repair's scan on the benchmark workloads with their tail cut off (the last
# 30 bytes: "startxref", its offset and "%%EOF", and with a classic table the end of
# the trailer), so that the cross-reference must be rebuilt by scanning the file.
#
#   bench/repair.sh BUILD_DIR
#
# For each workload: `cat` of the cut file (the floor for reading it), a normal run
# on the whole file, -repair on the whole file (which must cost little more), and
# -repair on the cut file. The last minus the normal run is what the scan costs; the
# table gives it also as a multiple of `cat`. Knobs: BENCH_RUNS (default 5),
# BENCH_PAGES (default 20000), BENCH_IMAGES ("40 5": pages and MiB per image).
set -euo pipefail
shopt -s inherit_errexit

[ $# -ge 1 ] || { echo "usage: bench/repair.sh BUILD_DIR" >&2; exit 2; }
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
program=$build/folioturn
work=$build/bench-work
results=$work/results/repair
rounds=1
runs=${BENCH_RUNS:-5}
pages=${BENCH_PAGES:-20000}
read -r image_pages image_mib <<< "${BENCH_IMAGES:-40 5}"
mkdir -p "$work/in" "$work/out" "$results"
for tool in hyperfine qpdf python3; do
    command -v "$tool" >/dev/null || { echo "bench: $tool is missing (make bench installs it)" >&2; exit 1; }
done
[ -x "$program" ] || { echo "bench: $program is missing; build first" >&2; exit 1; }
source "$here/lib.sh"

# cut_tail INPUT: the input without its last 30 bytes, made once.
cut_tail() {
    local input=$1 cut=${1%.pdf}-cut.pdf
    if [ ! -s "$cut" ] || [ "$input" -nt "$cut" ]; then
        head -c "$(($(stat -c %s "$input") - 30))" "$input" > "$cut"
    fi
    echo "$cut"
}

# The cut file must be rebuilt and rotated into sound output with every page.
check_repair() {
    local input=$1 cut=$2 output=$work/out/repair-check.pdf log=$work/out/repair-check.log
    "$program" "-i$cut" "-o$output" -pall -r90 -repair > "$log"
    grep -q "rebuilt by scanning" "$log" && grep -q "Done\." "$log" ||
        { echo "bench: -repair did not rebuild $cut:" >&2; cat "$log" >&2; exit 1; }
    qpdf --check "$output" > /dev/null || { echo "bench: qpdf finds $output unsound" >&2; exit 1; }
    python3 "$here/count-rotated.py" "$input" "$output"
    rm -f "$output"
}

# time_repair ID LABEL INPUT
time_repair() {
    local name=$1 label=$2 input=$3 cut out=$work/out/repair
    cut=$(cut_tail "$input")
    check_repair "$input" "$cut"
    echo "timing $name" >&2
    run_hyperfine --warmup 1 --runs "$runs" --export-json "$results/$name.json" \
        -n cat "$(printf 'cat %q > %q' "$cut" "$out-cat.pdf")" \
        -n normal "$(printf '%q -i%q -o%q -pall -r90 > /dev/null' "$program" "$input" "$out-normal.pdf")" \
        -n repair-sound "$(printf '%q -i%q -o%q -pall -r90 -repair > /dev/null' "$program" "$input" "$out-sound.pdf")" \
        -n repair-cut "$(printf '%q -i%q -o%q -pall -r90 -repair > /dev/null' "$program" "$cut" "$out-cut.pdf")"
    rm -f "$out"-*.pdf
    echo "$name|$label|$(stat -c %s "$cut")" >> "$results/workloads"
}

rm -f "$results"/*.json "$results/workloads" "$results/hyperfine.log"
time_repair classic "$pages pages, classic table" "$(ensure_pages "$pages" classic)"
time_repair objstm "$pages pages, object streams" "$(ensure_pages "$pages" objstm)"
time_repair images "$((image_pages * image_mib)) MiB image streams" "$(ensure_images "$image_pages" "$image_mib")"

python3 - "$results" <<'PYTHON'
import json, os, statistics, sys
results = sys.argv[1]
print("Medians in milliseconds; the scan is repair-cut minus normal.\n")
print("| workload | MB | cat | normal | -repair, sound | -repair, cut | scan | scan / cat |")
print("|---|---|---|---|---|---|---|---|")
for line in open(os.path.join(results, "workloads")):
    name, label, size = line.strip().split("|")
    with open(os.path.join(results, name + ".json")) as f:
        medians = {r["command"]: statistics.median(r["times"]) * 1000 for r in json.load(f)["results"]}
    scan = medians["repair-cut"] - medians["normal"]
    print(f"| {label} | {int(size) / 1e6:.1f} | {medians['cat']:.1f} | {medians['normal']:.1f} | "
          f"{medians['repair-sound']:.1f} | {medians['repair-cut']:.1f} | {scan:.1f} | {scan / medians['cat']:.1f} |")
PYTHON
