#!/usr/bin/env bash
# Runs the hostile-file suite (tests/hostile) with the given build, every case
# plain and with -repair, and prints a table of wall time and peak memory,
# flagging every case over its bounds: 5 s, and the peak memory that the case list gives it (64 MiB,
# 96 MiB for the million-page files, 48 MiB for the valid file with one 300 MB stream).
#
#   bench/hostile.sh BUILD_DIR
#
# The files are made in BUILD_DIR/bench-work/hostile (never committed), with the
# 300 MB one, and reused while the generator is unchanged. Each case runs with the
# arguments the suite gives it and no limit but a CPU bound of
# BENCH_HOSTILE_CPU seconds (default 30), so that a runaway case ends the
# benchmark within minutes; such a case is shown as stopped.
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "usage: bench/hostile.sh BUILD_DIR" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
program=$build/folioturn
here=$(cd "$(dirname "$0")" && pwd)
generator=$here/../tests/hostile/make-hostile.py
work=$build/bench-work/hostile
cpu_limit=${BENCH_HOSTILE_CPU:-30}
time_bound=5

for tool in python3 /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "bench: $tool is missing (make bench-hostile installs it)" >&2; exit 1; }
done
[ -x "$program" ] || { echo "bench: $program is missing; build first" >&2; exit 1; }

stamp=$(sha256sum "$generator" | cut -c1-16)
if [ "$(cat "$work/in/stamp" 2>/dev/null)" != "$stamp" ]; then
    echo "making the hostile files, with the 300 MB one" >&2
    rm -rf "$work/in"
    python3 "$generator" "$work/in" --large
    echo "$stamp" > "$work/in/stamp"
fi
mkdir -p "$work/out"

# A field of GNU time's verbose report.
report_field() { sed -n "s/^\t$1: //p" "$2"; }

# "h:mm:ss" or "m:ss.ss" as seconds.
seconds() { awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; printf "%.2f", s }' <<< "$1"; }

dashes() { printf -- '-%.0s' $(seq "$1"); }

# The program's last line, without the progress before a message.
last_line() {
    tail -n 1 "$1" | tr -d '\r' | sed -E 's/^Processing\.*//; s/^Rotating file: .*\.pdf( to .*\.pdf)?//' | cut -c1-32
}

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
echo "Bounds: $time_bound s and the peak memory of each case in the list (64 MiB, 96 for a million pages, 48 for the 300 MB stream)"
echo
row='| %-48s | %-26s | %-32s | %6s | %8s | %9s | %-12s |\n'
# shellcheck disable=SC2059  # the format is the table's
printf "$row" case arguments "last line" "wall s" "peak MiB" "output MB" "over bounds"
printf '|%s|%s|%s|%s:|%s:|%s:|%s|\n' "$(dashes 50)" "$(dashes 28)" "$(dashes 34)" "$(dashes 7)" "$(dashes 9)" \
    "$(dashes 10)" "$(dashes 14)"
over=0
# run_row NAME ARGUMENTS BOUND_MIB: one job, one row of the table.
run_row() {
    local name=$1 arguments=$2 bound=$3
    local input=$work/in/$name output=$work/out/out.pdf log=$work/out/${name%.pdf}.log report=$work/out/${name%.pdf}.time
    local wall peak_mib result signal output_mb flags
    rm -f "$output"
    # shellcheck disable=SC2086  # the arguments are words
    (ulimit -t "$cpu_limit"; /usr/bin/time -v -o "$report" "$program" "-i$input" "-o$output" $arguments > "$log") || true
    wall=$(seconds "$(report_field 'Elapsed (wall clock) time (h:mm:ss or m:ss)' "$report")")
    peak_mib=$(( $(report_field 'Maximum resident set size (kbytes)' "$report") / 1024 ))
    result=$(last_line "$log")
    signal=$(sed -n 's/^Command terminated by signal //p' "$report")
    case $signal in
    "") ;;
    9 | 24) result="stopped at $cpu_limit CPU s" ;;
    *) result="killed by signal $signal" ;;
    esac
    output_mb=$([ -f "$output" ] && awk '{ printf "%.1f", $1 / 1e6 }' <<< "$(stat -c %s "$output")" || echo -)
    flags=""
    awk -v w="$wall" -v b="$time_bound" 'BEGIN { exit !(w > b) }' && flags="time"
    [ "$peak_mib" -gt "$bound" ] && flags="${flags:+$flags, }memory"
    [ -n "$flags" ] && over=$((over + 1))
    # shellcheck disable=SC2059
    printf "$row" "$name" "$arguments" "$result" "$wall" "$peak_mib" \
        "$output_mb" "${flags:-}"
    rm -f "$output"
}
# Every case plain, then with -repair: a rebuilt cross-reference must keep within the same bounds.
while IFS=$'\t' read -r name _ _ arguments _ bound; do
    run_row "$name" "$arguments" "$bound"
    run_row "$name" "$arguments -repair" "$bound"
done < "$work/in/cases.tsv"
echo
echo "$over cases over their bounds"
