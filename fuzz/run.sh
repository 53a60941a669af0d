#!/bin/sh
# Run every fuzz target for SECONDS each; fail on the first finding.
#   fuzz/run.sh BUILD_DIR SECONDS
# Each target starts from its committed seeds (fuzz/corpus/<target>; the
# container target also from the built-in container) plus what earlier runs
# in BUILD_DIR found, and keeps new inputs in BUILD_DIR, never in the source
# tree. A crashing input is left in BUILD_DIR/fuzz/findings/.
set -eu
build=$1
seconds=$2
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
findings="$build/fuzz/findings"
mkdir -p "$findings"
targets="fuzz_container fuzz_lzss_decode fuzz_lzss_round_trip fuzz_byte_runs fuzz_word_runs
fuzz_settings fuzz_command_line"
status=0
for target in $targets; do
    binary="$build/fuzz/$target"
    work="$build/fuzz/corpus/$target"
    seeds="$build/fuzz/seeds/$target"
    mkdir -p "$work"
    rm -rf "$seeds"
    mkdir -p "$seeds"
    cp "$here/corpus/$target/"* "$seeds/"
    if [ "$target" = fuzz_container ]; then cp "$root/resources/orb.lib" "$seeds/builtin_orb.lib"; fi
    echo "== $target: ${seconds}s"
    # A minute per input is a hang; 2 GB is a leak or a runaway allocation.
    if ! "$binary" -max_total_time="$seconds" -timeout=60 -rss_limit_mb=2048 -max_len=1048576 \
        -print_final_stats=1 -artifact_prefix="$findings/$target-" "$work" "$seeds" \
        > "$build/fuzz/$target.log" 2>&1; then
        tail -n 60 "$build/fuzz/$target.log"
        echo "!! $target found a fault; the input is in $findings" >&2
        status=1
        break
    fi
    grep -E '^stat::number_of_executed_units|^stat::new_units_added' "$build/fuzz/$target.log" |
        tr '\n' ' '
    echo
done
exit $status
