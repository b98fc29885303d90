#!/usr/bin/env bash
# Times Folioturn on the 20,000-page object-stream workload and on an AES-256
# encrypted copy of it (empty user password), paired in one hyperfine call per
# round, and prints the ratio of the medians.
#
#   bench/encrypted.sh BUILD_DIR
#
# Target: the encrypted copy within 1.5 times the time of the plain one. Knobs:
# BENCH_ROUNDS (default 3), BENCH_RUNS (default 5), BENCH_PAGES (default 20000).
set -euo pipefail
shopt -s inherit_errexit

[ $# -ge 1 ] || { echo "usage: bench/encrypted.sh BUILD_DIR" >&2; exit 2; }
build=$(cd "$1" && pwd)
rounds=${BENCH_ROUNDS:-3}
runs=${BENCH_RUNS:-5}
pages=${BENCH_PAGES:-20000}
here=$(cd "$(dirname "$0")" && pwd)
program=$build/folioturn
work=$build/bench-work
results=$work/results/encrypted
mkdir -p "$work/in" "$work/out" "$results"
for tool in hyperfine qpdf python3; do
    command -v "$tool" >/dev/null || { echo "bench: $tool is missing (make bench installs it)" >&2; exit 1; }
done
source "$here/lib.sh"

plain=$(ensure_pages "$pages" objstm)
encrypted=$work/in/pages-$pages-objstm-aes256.pdf
if [ ! -s "$encrypted" ] || [ "$plain" -nt "$encrypted" ]; then
    echo "making the AES-256 copy" >&2
    qpdf --object-streams=generate --encrypt "" owner 256 -- "$plain" "$encrypted"
fi

# One checked run of each before anything is timed.
for input in "$plain" "$encrypted"; do
    output=$work/out/encrypted-check.pdf
    "$program" "-i$input" "-o$output" -pall -r90 -password > "$work/out/encrypted-check.log"
    grep -q "Done\." "$work/out/encrypted-check.log" || { cat "$work/out/encrypted-check.log" >&2; exit 1; }
    qpdf --check "$output" > /dev/null || { echo "bench: qpdf finds $output unsound" >&2; exit 1; }
    qpdf --show-encryption "$output" > "$work/out/encrypted-check.txt"
    echo "$(basename "$input"): $(head -1 "$work/out/encrypted-check.txt")" >&2
done

rm -f "$results"/*.json
for round in $(seq "$rounds"); do
    hyperfine --style none --warmup 1 --runs "$runs" --export-json "$results/round-$round.json" \
        -n plain "$(printf '%q -i%q -o%q -pall -r90 -password > /dev/null' "$program" "$plain" "$work/out/plain.pdf")" \
        -n aes256 "$(printf '%q -i%q -o%q -pall -r90 -password > /dev/null' "$program" "$encrypted" "$work/out/aes256.pdf")" \
        > /dev/null
done

python3 - "$results" <<'PY'
import json, pathlib, statistics, sys
times = {"plain": [], "aes256": []}
for path in sorted(pathlib.Path(sys.argv[1]).glob("round-*.json")):
    for result in json.loads(path.read_text())["results"]:
        times[result["command"]].extend(result["times"])
plain, aes = statistics.median(times["plain"]), statistics.median(times["aes256"])
ratio = aes / plain
print(f"| workload | median | ratio |\n|---|---|---|")
print(f"| 20,000 pages, object streams | {plain * 1000:.0f} ms | 1.00 |")
print(f"| the same, AES-256 encrypted | {aes * 1000:.0f} ms | {ratio:.2f} (target 1.5) |")
sys.exit(0 if ratio <= 1.5 else 1)
PY
