#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs them for SECONDS seconds each on
# average: the targets share 3 x SECONDS between them, each getting an equal part
# (at least a second), so that adding a target does not lengthen the run.
#   fuzz/run.sh BUILD_DIR SECONDS
# Everything it makes stays in BUILD_DIR: the seeds, the growing corpora, the logs
# and the inputs of any finding (BUILD_DIR/artifacts). Exits non-zero on a finding.
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 BUILD_DIR SECONDS" >&2; exit 2; }
root="$(cd "$(dirname "$0")/.." && pwd)"
mkdir -p "$1"
build="$(cd "$1" && pwd)"
targets=(rotate options filter parser xref objstm head sievedfetch sieve objend stmheader)
share=$(( 3 * $2 / ${#targets[@]} ))
[ "$share" -ge 1 ] || share=1

cmake -S "$root/fuzz" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j 2 >/dev/null

seeds="$build/seeds"
rm -rf "$seeds"
for target in "${targets[@]}"; do mkdir -p "$seeds/$target" "$build/corpus/$target"; done
mkdir -p "$build/artifacts"
python3 "$root/fuzz/make-filter-seeds.py" "$seeds/filter"
# qpdf adds the example with object streams and a cross-reference stream, once
# compressed and once in plain text, where mutations reach the structure.
shopt -s nullglob
variants="$build/seed-variants"
mkdir -p "$variants"
if command -v qpdf >/dev/null; then
  qpdf --object-streams=generate --deterministic-id "$root/examples/sample.pdf" "$variants/objstm.pdf" || true
  qpdf --object-streams=generate --deterministic-id --stream-data=uncompress \
    "$root/examples/sample.pdf" "$variants/objstm-plain.pdf" || true
fi
pdfs=("$root"/examples/*.pdf "$root"/tests/data/*.pdf "$variants"/*.pdf)
python3 "$root/fuzz/make-structure-seeds.py" "$seeds" "${pdfs[@]}"
python3 "$root/fuzz/make-differential-seeds.py" "$seeds" "${pdfs[@]}"
# The rotation target reads its first byte as the choice of argument sets (see
# RotateFuzzer.cpp), so each seed file goes in behind a few different choices,
# with and without an incremental update (the choice's top bit).
for pdf in "${pdfs[@]}"; do
  name="$(basename "$pdf" .pdf)"
  for choice in 08 1a 2c 7e 88 fa; do
    { printf "\\x$choice"; cat "$pdf"; } >"$seeds/rotate/$name-$choice"
  done
done
printf '\x02\x01\x03' >"$seeds/options/list-run"
printf '\x04\x00\x00\x01\x02\x01\x00tiny.pdf\nmissing.pdf\n' >"$seeds/options/list-lines"

status=0
for target in "${targets[@]}"; do
  log="$build/$target.log"
  # The PDF format's tokens help every target that reads PDF syntax.
  case $target in
    options | filter) dictionary=() ;;
    *) dictionary=(-dict="$root/fuzz/pdf.dict") ;;
  esac
  echo "fuzzing ${target}_fuzzer for ${share}s (log: $log)"
  if ! "$build/${target}_fuzzer" -max_total_time="$share" -rss_limit_mb=2048 -timeout=10 "${dictionary[@]}" \
      -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" \
      "$build/corpus/$target" "$seeds/$target" >"$log" 2>&1; then
    status=1
    echo "${target}_fuzzer found a problem:" >&2
    tail -n 60 "$log" >&2
  fi
  grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|#[0-9]+[[:space:]]+DONE)' "$log" || true
done
exit $status
