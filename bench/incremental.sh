#!/usr/bin/env bash
# Times "-incremental" on the benchmark workloads and measures how much an update
# adds to a compressed file.
#
#   bench/incremental.sh BUILD_DIR
#
# Targets: within 1.2 times `cat` on the 200 MB workload (the output is
# essentially a copy of the input); within 0.05 times qpdf's rotation on 20,000
# pages (only page objects are parsed and written); the 20,000-page workload with
# object streams, every page rotated, grows by at most 20 %.
#
# The workloads are bench/run.sh's, made in BUILD_DIR/bench-work and reused. Knobs
# as there: BENCH_ROUNDS (default 3), BENCH_RUNS (default 5), BENCH_BIG_RUNS (default 3).
set -euo pipefail
shopt -s inherit_errexit

if [ $# -lt 1 ]; then
    echo "usage: bench/incremental.sh BUILD_DIR" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
rounds=${BENCH_ROUNDS:-3}
runs=${BENCH_RUNS:-5}
big_runs=${BENCH_BIG_RUNS:-3}

here=$(cd "$(dirname "$0")" && pwd)
program=$build/folioturn
work=$build/bench-work
mkdir -p "$work/in" "$work/out" "$work/results-incremental"

for tool in hyperfine qpdf python3 /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "bench: $tool is missing (make bench installs it)" >&2; exit 1; }
done
[ -x "$program" ] || { echo "bench: $program is missing; build first" >&2; exit 1; }

folioturn_options=-incremental
source "$here/lib.sh"
results=$work/results-incremental

# An update is checked differently from a rewrite: the input's bytes first, a
# sound file, and every page at 90 degrees as qpdf reads it (the pages may sit
# in a compressed object stream, out of reach of a text search).
check_output() {
    local input=$1 output=$2 log=$work/out/check.log
    rm -f "$output"
    "$program" "-i$input" "-o$output" -pall -r90 -incremental > "$log"
    grep -q "Done\." "$log" || { echo "bench: Folioturn failed on $input:" >&2; cat "$log" >&2; exit 1; }
    qpdf --check "$output" > /dev/null || { echo "bench: qpdf finds $output unsound" >&2; exit 1; }
    python3 "$here/check-incremental.py" "$input" "$output" || exit 1
}

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
echo "Peers: qpdf $(qpdf --version | head -1 | awk '{print $3}'), hyperfine $(hyperfine --version | awk '{print $2}')"

pages_classic=$(ensure_pages 20000 classic)
pages_objstm=$(ensure_pages 20000 objstm)
images=$(ensure_images 40 5)

rm -f "$results"/*.json "$results"/*.rss "$results/hyperfine.log"
# Neither peer syncs what it writes, so every run of each side writes a new output
# (Folioturn replaces one that stands there durably, which costs a sync).
output_is_new=1 time_workload incremental-classic "$pages_classic" "$runs" qpdf
output_is_new=1 time_workload incremental-objstm "$pages_objstm" "$runs" qpdf
output_is_new=1 time_workload incremental-images "$images" "$big_runs" cat

python3 "$here/summarize.py" table "$results" \
    "20,000 pages, classic table|incremental-classic|qpdf|0.05|48" \
    "20,000 pages, object streams|incremental-objstm|qpdf|0.05|48" \
    "200 MB image streams|incremental-images|cat|1.2|32"
python3 "$here/summarize.py" growth \
    "20,000 pages, object streams, all rotated|$pages_objstm|$work/out/incremental-objstm-folioturn.pdf|1.2" \
    "20,000 pages, classic table, all rotated|$pages_classic|$work/out/incremental-classic-folioturn.pdf|-"
