#!/bin/sh
# Run each fuzz target for SECONDS (and at most RUNS runs, when given); fail
# on the first finding. Prints each target's runs, run rate and coverage.
#   fuzz/run.sh BUILD_DIR SECONDS [RUNS]
# ORB_FUZZ_TARGETS="fuzz_a fuzz_b" runs only those targets. With
# ORB_FUZZ_BALLS=DIR, every DIR/*.lib (the balls a build bakes) first goes
# once through fuzz_container and fuzz_fine_container, which play it as the
# saver would.
# Each target starts from its committed corpus (fuzz/corpus/<target>) plus
# what earlier runs in BUILD_DIR found, and keeps new inputs in BUILD_DIR,
# never in the source tree. A crashing input is left in BUILD_DIR/fuzz/findings/.
set -eu
build=$1
seconds=$2
runs=${3:--1}
here=$(cd "$(dirname "$0")" && pwd)
findings="$build/fuzz/findings"
mkdir -p "$findings"
targets=${ORB_FUZZ_TARGETS:-"fuzz_container fuzz_fine_container fuzz_lzss_decode fuzz_lzss_round_trip fuzz_byte_runs
fuzz_word_runs fuzz_settings fuzz_command_line"}

# The longest input worth trying: a little past the largest seed, so that
# mutation stays quick. LZSS streams and word runs go to four ring lengths,
# the compressor's input to two (it is the slowest per byte), the settings
# record is 12 bytes.
max_len() {
    case $1 in
        fuzz_container | fuzz_fine_container) echo 8192 ;;
        fuzz_lzss_decode | fuzz_word_runs) echo 16384 ;;
        fuzz_lzss_round_trip) echo 8192 ;;
        fuzz_settings) echo 64 ;;
        *) echo 4096 ;;
    esac
}

# "fuzz_x: N runs, R runs/s, cov C, U new inputs" from libFuzzer's log.
summarise() {
    awk -v target="$1" '
        /^stat::number_of_executed_units:/ { n = $2 }
        /^stat::average_exec_per_sec:/ { rate = $2 }
        /^stat::new_units_added:/ { added = $2 }
        /cov: [0-9]+/ { for (i = 1; i < NF; i++) if ($i == "cov:") cov = $(i + 1) }
        END { printf "%s: %s runs, %s runs/s, cov %s edges, %s new inputs\n",
                     target, n, rate, cov, added }' "$2"
}

status=0
if [ -n "${ORB_FUZZ_BALLS:-}" ]; then
    balls=$(ls "$ORB_FUZZ_BALLS"/*.lib)
    echo "== the container targets over the baked balls: $(echo $balls | wc -w) files"
    for target in fuzz_container fuzz_fine_container; do
        # shellcheck disable=SC2086
        if ! "$build/fuzz/$target" -rss_limit_mb=2048 $balls > "$build/fuzz/balls.log" 2>&1; then
            tail -n 60 "$build/fuzz/balls.log"
            echo "!! $target failed on a baked ball" >&2
            exit 1
        fi
    done
fi
for target in $targets; do
    binary="$build/fuzz/$target"
    work="$build/fuzz/corpus/$target"
    mkdir -p "$work"
    log="$build/fuzz/$target.log"
    echo "== $target: ${seconds}s"
    # A minute per input is a hang; 2 GB is a leak or a runaway allocation.
    if ! "$binary" -max_total_time="$seconds" -runs="$runs" -timeout=60 -rss_limit_mb=2048 \
        -max_len="$(max_len "$target")" -print_final_stats=1 \
        -artifact_prefix="$findings/$target-" "$work" "$here/corpus/$target" > "$log" 2>&1; then
        tail -n 60 "$log"
        what="found a fault; the input is in $findings"
        # Stopped by a signal (^C, a CI timeout), libFuzzer says so, having found nothing.
        grep -q "libFuzzer: run interrupted" "$log" && what="was interrupted; nothing was found"
        echo "!! $target $what" >&2
        status=1
        break
    fi
    summarise "$target" "$log"
done
exit $status
