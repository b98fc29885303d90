# Helpers of bench/run.sh: making workloads, checking outputs, timing, memory.
# Expects: program, work, results, rounds, here.

# Prints the path of a workload, making it first when it is missing or was made
# by another version of the generator.
generator_stamp() { sha256sum "$here/make-workload.py" | cut -c1-16; }

workload_is_current() {
    [ -s "$1" ] && [ -f "$1.stamp" ] && [ "$(cat "$1.stamp")" = "$(generator_stamp)" ]
}

# ensure_pages COUNT classic|objstm
ensure_pages() {
    local count=$1 layout=$2
    local classic=$work/in/pages-$count-classic.pdf
    local target=$work/in/pages-$count-$layout.pdf
    if ! workload_is_current "$classic"; then
        echo "making $count pages with a classic table" >&2
        python3 "$here/make-workload.py" pages "$count" "$classic" >&2
        generator_stamp > "$classic.stamp"
        rm -f "$work/in/pages-$count-objstm.pdf.stamp"
    fi
    if [ "$layout" = objstm ] && ! workload_is_current "$target"; then
        echo "making $count pages with object streams" >&2
        qpdf --object-streams=generate "$classic" "$target" >&2
        generator_stamp > "$target.stamp"
    fi
    echo "$target"
}

# ensure_images COUNT MIB
ensure_images() {
    local target=$work/in/images-$1x$2MiB.pdf
    if ! workload_is_current "$target"; then
        echo "making $1 pages with $2 MiB images" >&2
        python3 "$here/make-workload.py" images "$1" "$2" "$target" >&2
        generator_stamp > "$target.stamp"
    fi
    echo "$target"
}

# Options after -pall -r90 for every run of Folioturn (bench/incremental.sh sets -incremental).
folioturn_options=${folioturn_options:-}

# With output_is_new=1 every timed run writes a new file: before each run of
# Folioturn and of its peers alike, hyperfine removes the output of the run before,
# outside the time (a removal inside the timed command would add the start of an
# rm to both sides, a tenth of Folioturn's time on the page workloads). Otherwise
# that output stands there, and Folioturn replaces it durably (its data synced,
# then the rename).
output_is_new=${output_is_new:-0}
preparation() { if [ "$output_is_new" = 1 ]; then printf 'rm -f %q' "$1"; else printf 'true'; fi; }

folioturn_command() {
    printf '%q -i%q -o%q -pall -r90 %s> /dev/null' "$program" "$1" "$2" "$folioturn_options"
}

# Folioturn reports failures on standard output with exit code 0, so a timing is
# only worth something after one checked run: "Done.", a sound PDF, every page rotated.
check_output() {
    local input=$1 output=$2 log=$work/out/check.log
    rm -f "$output"
    "$program" "-i$input" "-o$output" -pall -r90 > "$log"
    grep -q "Done\." "$log" || { echo "bench: Folioturn failed on $input:" >&2; cat "$log" >&2; exit 1; }
    qpdf --check "$output" > /dev/null || { echo "bench: qpdf finds $output unsound" >&2; exit 1; }
    python3 "$here/count-rotated.py" "$input" "$output" || exit 1
}

# peak_memory NAME INPUT OUTPUT: the largest maximum resident set size of three runs, in KiB.
peak_memory() {
    local name=$1 input=$2 output=$3 largest=0 rss
    for _ in 1 2 3; do
        # shellcheck disable=SC2086
        /usr/bin/time -v -o "$results/$name.time" "$program" "-i$input" "-o$output" -pall -r90 $folioturn_options > /dev/null
        rss=$(awk -F: '/Maximum resident set size/ {gsub(/ /, "", $2); print $2}' "$results/$name.time")
        [ "$rss" -gt "$largest" ] && largest=$rss
    done
    echo "$largest" > "$results/$name.rss"
}

peer_command() {
    local peer=$1 input=$2 output=$3
    case $peer in
    qpdf) printf 'qpdf --rotate=90 %q %q' "$input" "$output" ;;
    # The same, told not to compress what the input leaves uncompressed: then it
    # too only copies the image bytes.
    qpdf-keep) printf 'qpdf --compress-streams=n --rotate=90 %q %q' "$input" "$output" ;;
    cat) printf 'cat %q > %q' "$input" "$output" ;;
    # A durable replacement done by hand: a new file beside the output, its data
    # synced, renamed onto the output, and the folder synced so that the rename lasts.
    cat-sync) printf 'cat %q > %q.new && sync %q.new && mv %q.new %q && sync %q' "$input" "$output" "$output" \
        "$output" "$output" "$(dirname "$output")" ;;
    # Folioturn itself rotating by a fixed angle, for options that add work to it.
    r90) printf '%q -i%q -o%q -pall -r90 > /dev/null' "$program" "$input" "$output" ;;
    # Folioturn turning every page upright by its text, for -info, which reads the same text.
    rauto) printf '%q -i%q -o%q -pall -rauto > /dev/null' "$program" "$input" "$output" ;;
    esac
}

# hyperfine's report and its warnings about noise go to a log; the table is made
# from the JSON. The log is shown only when hyperfine fails.
run_hyperfine() {
    hyperfine --style basic "$@" >> "$results/hyperfine.log" 2>&1 && return
    tail -20 "$results/hyperfine.log" >&2
    exit 1
}

# time_workload NAME INPUT RUNS PEER...: Folioturn and the peers, back to back, in rounds.
time_workload() {
    local name=$1 input=$2 count=$3
    shift 3
    local out=$work/out/$name
    echo "$input" > "$results/$name.input"
    check_output "$input" "$out-folioturn.pdf"
    # One preparation for each command, in the commands' order.
    local preparations=(--prepare "$(preparation "$out-folioturn.pdf")")
    local commands=(-n folioturn "$(folioturn_command "$input" "$out-folioturn.pdf")")
    for peer in "$@"; do
        preparations+=(--prepare "$(preparation "$out-$peer.pdf")")
        commands+=(-n "$peer" "$(peer_command "$peer" "$input" "$out-$peer.pdf")")
    done
    for round in $(seq 1 "$rounds"); do
        echo "timing $name, round $round of $rounds" >&2
        run_hyperfine --warmup "$([ "$round" = 1 ] && echo 2 || echo 1)" --runs "$count" \
            --export-json "$results/$name-round$round.json" "${preparations[@]}" "${commands[@]}"
    done
    peak_memory "$name" "$input" "$out-folioturn.pdf"
    for peer in "$@"; do rm -f "$out-$peer.pdf"; done  # Folioturn's output stays, for comparisons
}

# time_folioturn_only NAME INPUT RUNS: one round, Folioturn alone, for the scaling run.
time_folioturn_only() {
    local name=$1 input=$2 count=$3 out=$work/out/$1-folioturn.pdf
    echo "$input" > "$results/$name.input"
    check_output "$input" "$out"
    echo "timing $name" >&2
    run_hyperfine --warmup 1 --runs "$count" --export-json "$results/$name-round1.json" \
        --prepare "$(preparation "$out")" -n folioturn "$(folioturn_command "$input" "$out")"
    peak_memory "$name" "$input" "$out"
    rm -f "$out"
}
