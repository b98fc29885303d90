#!/usr/bin/env bash
# Times "-rauto" on the 20,000-page workloads against the same job with -r90: the
# text of every page is read (each page's content decoded and interpreted) on top
# of the rotation's own work.
#
#   bench/upright.sh BUILD_DIR
#
# Target: at most 3 times -pall -r90, run by run in the same hyperfine calls;
# peak memory within the page workloads' 48 MiB. The workloads are
# bench/run.sh's, made in BUILD_DIR/bench-work and reused. Knobs as there:
# BENCH_ROUNDS (default 3), BENCH_RUNS (default 5).
set -euo pipefail
shopt -s inherit_errexit

if [ $# -lt 1 ]; then
    echo "usage: bench/upright.sh BUILD_DIR" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
rounds=${BENCH_ROUNDS:-3}
runs=${BENCH_RUNS:-5}

here=$(cd "$(dirname "$0")" && pwd)
program=$build/folioturn
work=$build/bench-work
mkdir -p "$work/in" "$work/out" "$work/results-upright"

for tool in hyperfine qpdf python3 /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "bench: $tool is missing (make bench installs it)" >&2; exit 1; }
done
[ -x "$program" ] || { echo "bench: $program is missing; build first" >&2; exit 1; }

# The last rotation counts: "-pall -r90 -rauto" turns the pages upright.
folioturn_options=-rauto
source "$here/lib.sh"
results=$work/results-upright

# The workload's pages are upright or carry too few glyphs to judge: the output
# must say so, and keep every page as it was.
check_output() {
    local input=$1 output=$2 log=$work/out/check.log
    rm -f "$output"
    "$program" "-i$input" "-o$output" -pall -rauto > "$log"
    grep -q "^Pages turned upright: 0, already upright: [0-9]*, without text to judge: [0-9]*$" "$log" &&
        grep -q "Done\." "$log" || { echo "bench: Folioturn failed on $input:" >&2; cat "$log" >&2; exit 1; }
    qpdf --check "$output" > /dev/null || { echo "bench: qpdf finds $output unsound" >&2; exit 1; }
}

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
echo "Peers: Folioturn -pall -r90, hyperfine $(hyperfine --version | awk '{print $2}')"

pages_classic=$(ensure_pages 20000 classic)
pages_objstm=$(ensure_pages 20000 objstm)

rm -f "$results"/*.json "$results"/*.rss "$results/hyperfine.log"
time_workload upright-classic "$pages_classic" "$runs" r90
time_workload upright-objstm "$pages_objstm" "$runs" r90

python3 "$here/summarize.py" table "$results" \
    "20,000 pages, classic table|upright-classic|r90|3|48" \
    "20,000 pages, object streams|upright-objstm|r90|3|48"
