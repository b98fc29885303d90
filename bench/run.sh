#!/usr/bin/env bash
# Times Folioturn against its peers on three workloads and prints one table.
#
#   bench/run.sh BUILD_DIR [--scaling]
#
# The workloads are made in BUILD_DIR/bench-work (never committed) and reused while
# the generator is unchanged. Each workload is timed in rounds; every round runs
# Folioturn and its peers back to back in one hyperfine call, so that load from
# other work on the machine falls on both sides alike. The medians are taken over
# all rounds. Peak memory is GNU time's maximum resident set size.
#
# --scaling (or BENCH_SCALING=1) adds the page workloads at 2,000, 20,000 and
# 200,000 pages and prints time and peak memory per size.
#
# Knobs: BENCH_ROUNDS (default 3), BENCH_RUNS (runs per command and round on the
# page workloads, default 5), BENCH_BIG_RUNS (the same on the 200 MB one, default 3).
set -euo pipefail
shopt -s inherit_errexit  # a failure while a workload is made stops the run

if [ $# -lt 1 ]; then
    echo "usage: bench/run.sh BUILD_DIR [--scaling]" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
scaling=${BENCH_SCALING:-0}
[ "${2:-}" = "--scaling" ] && scaling=1
rounds=${BENCH_ROUNDS:-3}
runs=${BENCH_RUNS:-5}
big_runs=${BENCH_BIG_RUNS:-3}

here=$(cd "$(dirname "$0")" && pwd)
program=$build/folioturn
work=$build/bench-work
mkdir -p "$work/in" "$work/out" "$work/results"

for tool in hyperfine qpdf python3 /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "bench: $tool is missing (make bench installs it)" >&2; exit 1; }
done
[ -x "$program" ] || { echo "bench: $program is missing; build first" >&2; exit 1; }

source "$here/lib.sh"

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
echo "Peers: qpdf $(qpdf --version | head -1 | awk '{print $3}'), hyperfine $(hyperfine --version | awk '{print $2}')"

# The three workloads of the table.
pages_classic=$(ensure_pages 20000 classic)
pages_objstm=$(ensure_pages 20000 objstm)
images=$(ensure_images 40 5)

results=$work/results
rm -f "$results"/*.json "$results"/*.rss "$results/hyperfine.log"
# qpdf writes over an output that stands there without syncing it, where Folioturn
# replaces it durably: against qpdf both sides write a new output every run.
output_is_new=1 time_workload table-classic "$pages_classic" "$runs" qpdf
output_is_new=1 time_workload table-objstm "$pages_objstm" "$runs" qpdf
output_is_new=1 time_workload table-images "$images" "$big_runs" qpdf qpdf-keep
# Against the floor of copying the bytes, fairly: a new file against cat's new file,
# and a replacement, which Folioturn makes durable, against cat made as durable.
output_is_new=1 time_workload table-images-new "$images" "$big_runs" cat
time_workload table-images-replace "$images" "$big_runs" cat-sync

python3 "$here/summarize.py" table "$results" \
    "20,000 pages, classic table|table-classic|qpdf|0.3|48" \
    "20,000 pages, object streams|table-objstm|qpdf|0.3|48" \
    "200 MB image streams|table-images|qpdf|-|32" \
    "200 MB image streams|table-images|qpdf-keep|-|32" \
    "200 MB image streams, a new output|table-images-new|cat|1.1|32" \
    "200 MB image streams, replacing the output|table-images-replace|cat-sync|1.1|32"

if [ "$scaling" = 1 ]; then
    for layout in classic objstm; do
        for count in 2000 20000 200000; do
            input=$(ensure_pages "$count" "$layout")
            time_folioturn_only "scale-$layout-$count" "$input" "$runs"
        done
    done
    python3 "$here/summarize.py" scaling "$results" \
        "2000|classic|scale-classic-2000" "20000|classic|scale-classic-20000" \
        "200000|classic|scale-classic-200000" "2000|objstm|scale-objstm-2000" \
        "20000|objstm|scale-objstm-20000" "200000|objstm|scale-objstm-200000"
fi
