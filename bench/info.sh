#!/usr/bin/env bash
# Times "-info" (the text form, and -json) on the 20,000-page workloads against
# "-pall -rauto", which reads the same text of every page and writes an output:
# -info reads each page once for its boxes and its text, and writes nothing.
#
#   bench/info.sh BUILD_DIR
#
# Target: at most the time of -pall -rauto, run by run in the same hyperfine
# calls; peak memory within the page workloads' 48 MiB. The workloads are
# bench/run.sh's, made in BUILD_DIR/bench-work and reused. Knobs as there:
# BENCH_ROUNDS (default 3), BENCH_RUNS (default 5).
set -euo pipefail
shopt -s inherit_errexit

if [ $# -lt 1 ]; then
    echo "usage: bench/info.sh BUILD_DIR" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
rounds=${BENCH_ROUNDS:-3}
runs=${BENCH_RUNS:-5}

here=$(cd "$(dirname "$0")" && pwd)
program=$build/folioturn
work=$build/bench-work
mkdir -p "$work/in" "$work/out" "$work/results-info"

for tool in hyperfine qpdf python3 /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "bench: $tool is missing (make bench installs it)" >&2; exit 1; }
done
[ -x "$program" ] || { echo "bench: $program is missing; build first" >&2; exit 1; }

source "$here/lib.sh"
results=$work/results-info

# The options after -info of the form being timed: "" for the text, -json.
info_options=""
folioturn_command() { printf '%q -i%q -info %s> /dev/null' "$program" "$1" "$info_options"; }

# A line a page (or a JSON document that lists them all), and "Done.".
check_output() {
    local input=$1 log=$work/out/check.log
    # shellcheck disable=SC2086
    "$program" "-i$input" -info $info_options > "$log" 2>&1
    grep -q "Done\." "$log" &&
        grep -Eq '^ +20000 |"number":20000,' "$log" || { echo "bench: -info failed on $input:" >&2; tail "$log" >&2; exit 1; }
}

peak_memory() {
    local name=$1 input=$2 largest=0 rss
    for _ in 1 2 3; do
        # shellcheck disable=SC2086
        /usr/bin/time -v -o "$results/$name.time" "$program" "-i$input" -info $info_options > /dev/null 2>&1
        rss=$(awk -F: '/Maximum resident set size/ {gsub(/ /, "", $2); print $2}' "$results/$name.time")
        [ "$rss" -gt "$largest" ] && largest=$rss
    done
    echo "$largest" > "$results/$name.rss"
}

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
echo "Peers: Folioturn -pall -rauto, hyperfine $(hyperfine --version | awk '{print $2}')"

pages_classic=$(ensure_pages 20000 classic)
pages_objstm=$(ensure_pages 20000 objstm)

rm -f "$results"/*.json "$results"/*.rss "$results/hyperfine.log"
for form in text json; do
    info_options=$([ "$form" = json ] && echo -json || true)
    time_workload "info-$form-classic" "$pages_classic" "$runs" rauto
    time_workload "info-$form-objstm" "$pages_objstm" "$runs" rauto
done

python3 "$here/summarize.py" table "$results" \
    "20,000 pages, classic table, -info|info-text-classic|rauto|1|48" \
    "20,000 pages, object streams, -info|info-text-objstm|rauto|1|48" \
    "20,000 pages, classic table, -info -json|info-json-classic|rauto|1|48" \
    "20,000 pages, object streams, -info -json|info-json-objstm|rauto|1|48"
