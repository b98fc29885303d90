#!/usr/bin/env bash
# The hostile-file suite as a test: generates the files of make-hostile.py into
# WORK_FOLDER and rotates each one with PROGRAM under bounds on work, not on time:
# 256 MiB of address space (ulimit -v) and CPU seconds (ulimit -t).
#
#   run-hostile.sh PROGRAM WORK_FOLDER [--sanitized] [--generate | CASE...]
#
# With no CASE it runs every case; --generate only makes the files. The exit code
# is 0 when every case passed, 1 when one failed, and 77 when every case asked for
# is pending (ctest shows those as skipped).
#
# A case may bound its CPU seconds tighter than the suite does (the last column of
# cases.tsv); under --sanitized that bound is five times as long, as the suite's is.
#
# A case passes when the program writes nothing to standard error but its own
# "folioturn: " hint lines, prints no more than a MiB, and its last line is either
# "Done." (exit status 0, or 3 after a warning) with an output that qpdf reads
# without repairing it, or one of the program's own messages (exit status 2) with
# no output left behind. A crash, a sanitizer report, the CPU limit or "Unexpected
# exception" (an allocation that failed) fails it.
#
# --sanitized (for AddressSanitizer builds): the shadow memory needs terabytes of
# address space, so ulimit -v is left off and ASan's own limit on resident memory
# takes its place; the CPU limit is five times as long.
#
# HOSTILE_EXTRA holds more arguments for every job (the suite runs once with
# -repair too, whose rebuild of a cross-reference must keep within the same bounds).
#
# HOSTILE_PENDING=run also runs the pending cases below: each must still fail, and
# one that passes fails the run until it is taken off the list.
set -uo pipefail

if [ $# -lt 2 ]; then
    echo "usage: run-hostile.sh PROGRAM WORK_FOLDER [--sanitized] [--generate | CASE...]" >&2
    exit 2
fi
program=$1
work=$2
shift 2
sanitized=0
[ "${1:-}" = --sanitized ] && sanitized=1 && shift
only_generate=0
[ "${1:-}" = --generate ] && only_generate=1 && shift
wanted=("$@")
here=$(cd "$(dirname "$0")" && pwd)
# Runs with other arguments write elsewhere, so that both kinds may run side by side.
outputs=$work/out
[ -n "${HOSTILE_EXTRA:-}" ] && outputs=$work/out${HOSTILE_EXTRA//[^a-zA-Z0-9]/-}

# Cases the program does not yet keep within the bounds, and what happens today.
# Take a case off the list once it passes (HOSTILE_PENDING=run shows which do).
pending=(
)

address_space_kib=262144
cpu_seconds=30
# qpdf's own checks of the largest outputs take some 25 CPU seconds on an idle machine;
# its time is not what the suite measures, so it gets a wider bound than the program.
checker_cpu_seconds=150
console_bytes=1048576
if [ "$sanitized" = 1 ]; then
    cpu_seconds=150
    export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}hard_rss_limit_mb=1024"
fi

# The texts a job may end with on damaged input; %d stands for a number.
program_messages=(
    "PDF file was damaged" "Corrupted PDF file" "Couldn't parse an xref" "Couldn't parse an xref stream"
    "Couldn't parse an xref table" "Trailer dictionary is wrong type" "Size of xref Stream is wrong type"
    "W item of xref Stream is wrong type" "W item of xref Stream is wrong length"
    "Index item of xref Stream is wrong type" "Unexpected EOF while reading xref stream section"
    "Wrong type of xref entry while reading xref stream section" "Missing 'endstream'"
    "Stream filter not supported" "PDF file is encrypted" "PDF file is too large (10 GB or more)"
    "Invalid page number %d" "Page number %d greater than %d pages in file"
    "Wrong page ranges, %d greater than %d pages in file" "Wrong page ranges, start page %d > end page %d"
    "PDF file's encryption dictionary is damaged" "PDF file is encrypted and the password does not open it"
)

# Makes the files again only when the generator has changed since they were made.
generate() {
    local stamp
    stamp=$(sha256sum "$here/make-hostile.py" | cut -c1-16)
    [ -f "$work/in/cases.tsv" ] && [ "$(cat "$work/in/stamp" 2>/dev/null)" = "$stamp" ] && return
    rm -rf "$work/in"
    python3 "$here/make-hostile.py" "$work/in" || exit 1
    echo "$stamp" > "$work/in/stamp"
}

# is_listed NAME LIST...
is_listed() {
    local name=$1 item
    shift
    for item in "$@"; do [ "$item" = "$name" ] && return 0; done
    return 1
}

is_program_message() {
    local shape message
    shape=$(sed -E 's/-?[0-9]+/%d/g' <<< "$1")
    for message in "${program_messages[@]}"; do [ "$shape" = "$message" ] && return 0; done
    return 1
}

# The last line without the progress that comes before a message on the same line.
last_line() {
    tail -n 1 "$1" | tr -d '\r' | sed -E 's/^Processing\.*//; s/^Rotating file: .*\.pdf( to .*\.pdf)?//'
}

# qpdf finds the structure sound: no repair, no errors; warnings about the input's
# own content are allowed. "objects" has qpdf read every object through the table
# without its page-tree checks, which copy a page once for every time it is listed.
# "table" has it read the table, the trailer and the catalogue only: for outputs
# that carry the input's damaged objects byte for byte, which qpdf's own parse
# would read on through every object after them.
qpdf_accepts() {
    local output=$1 how=$2 report=$1.check status
    if [ "$how" = objects ]; then
        (ulimit -t "$checker_cpu_seconds"
         exec qpdf --json=2 --json-key=qpdf --decode-level=none --json-stream-data=none "$output") 2> "$report" > /dev/null
    elif [ "$how" = table ]; then
        (ulimit -t "$checker_cpu_seconds"; qpdf --show-xref "$output" && exec qpdf --show-object=1 "$output") > "$report" 2>&1
    else
        (ulimit -t "$checker_cpu_seconds"; exec qpdf --check "$output") > "$report" 2>&1
    fi
    status=$?
    [ "$status" = 0 ] || [ "$status" = 3 ] || return 1
    ! grep -Eq "reconstruct|file is damaged" "$report"
}

# run_case FILE OUTCOME QPDF_CHECK CPU_BOUND ARGUMENTS...: prints "ok DETAIL" or why the case fails.
run_case() {
    local input=$work/in/$1 outcome=$2 how=$3 output=$outputs/${1%.pdf}-out.pdf log=$outputs/${1%.pdf}.log
    local status last TIMEFORMAT='%U %S' job_seconds=$cpu_seconds
    if [ "$4" != - ]; then job_seconds=$4; [ "$sanitized" = 1 ] && job_seconds=$(($4 * 5 > cpu_seconds ? $4 * 5 : cpu_seconds)); fi
    shift 4
    rm -f "$output"
    { time (
        [ "$sanitized" = 1 ] || ulimit -v "$address_space_kib"
        ulimit -t $((job_seconds + 5)) && ulimit -S -t "$job_seconds"  # SIGXCPU at the soft limit tells it apart
        # shellcheck disable=SC2086  # HOSTILE_EXTRA holds words
        "$program" "-i$input" "-o$output" "$@" ${HOSTILE_EXTRA:-} > "$log" 2> "$log.err"
    ); } 2> "$log.cpu"
    status=$?
    if [ "$status" = 152 ]; then echo "reached the limit of $job_seconds CPU seconds"; return; fi
    if [ "$status" -gt 128 ]; then echo "killed by signal $((status - 128))"; return; fi
    if [ "$status" != 0 ] && [ "$status" != 2 ] && [ "$status" != 3 ]; then
        echo "exit status $status: $(head -c 300 "$log.err")"; return
    fi
    if grep -qv -e '^folioturn: ' -e '^$' "$log.err"; then echo "wrote to standard error: $(head -c 300 "$log.err")"; return; fi
    if [ "$(stat -c %s "$log")" -gt "$console_bytes" ]; then echo "printed $(stat -c %s "$log") bytes"; return; fi
    last=$(last_line "$log")
    if [ "$last" = "Done." ] && [ "$status" = 2 ]; then echo "Done. with exit status 2"; return; fi
    if [ "$last" != "Done." ] && [ "$status" != 2 ]; then echo "a failure with exit status $status"; return; fi
    if [ "$last" = "Done." ]; then
        if qpdf_accepts "$output" "$how"; then echo "ok Done."
        else echo "qpdf rejects the output: $(grep -m3 -E 'WARNING|ERROR|qpdf:' "$output.check")"; fi
    elif is_program_message "$last"; then
        if [ "$outcome" = "done" ]; then echo "a valid file failed: $last"
        elif [ -e "$output" ]; then echo "left an output behind after: $last"
        else echo "ok $last"; fi
    else
        echo "last line: $(head -c 300 <<< "$last")"
    fi
}

# CPU seconds of the last run, user and system.
cpu_used() { tail -n 1 "$outputs/${1%.pdf}.log.cpu" | awk '{ printf "%.1f", $1 + $2 }'; }

generate
[ "$only_generate" = 1 ] && exit 0
mkdir -p "$outputs"
failures=0 ran=0 skipped=0
while IFS=$'\t' read -r name outcome how arguments cpu_bound _; do
    [ ${#wanted[@]} -eq 0 ] || is_listed "$name" "${wanted[@]}" || continue
    pending_case=0
    is_listed "$name" "${pending[@]}" && pending_case=1
    if [ "$pending_case" = 1 ] && [ "${HOSTILE_PENDING:-}" != run ]; then
        printf '%-7s %s (not run; HOSTILE_PENDING=run runs it)\n' PENDING "$name"
        skipped=$((skipped + 1))
        continue
    fi
    ran=$((ran + 1))
    # shellcheck disable=SC2086  # the arguments are words
    verdict=$(run_case "$name" "$outcome" "$how" "${cpu_bound:--}" $arguments)
    result="${verdict#ok }, $(cpu_used "$name") CPU s"
    case "$pending_case:$verdict" in
    0:ok*) printf '%-7s %s: %s\n' PASS "$name" "$result" ;;
    0:*) printf '%-7s %s: %s\n' FAIL "$name" "$result"; failures=$((failures + 1)) ;;
    1:ok*) printf '%-7s %s: %s; take it off the pending list\n' XPASS "$name" "$result"; failures=$((failures + 1)) ;;
    1:*) printf '%-7s %s: %s\n' XFAIL "$name" "$result" ;;
    esac
    rm -f "$outputs/${name%.pdf}-out.pdf"
done < "$work/in/cases.tsv"
if [ $((ran + skipped)) -lt ${#wanted[@]} ]; then
    echo "unknown case among: ${wanted[*]}" >&2
    exit 2
fi
echo "$ran run, $failures failed, $skipped pending"
[ "$failures" -gt 0 ] && exit 1
[ "$ran" -eq 0 ] && [ "$skipped" -gt 0 ] && exit 77
exit 0
