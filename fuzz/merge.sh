#!/bin/sh
# Fold what the fuzz runs in BUILD_DIR learnt into the committed corpus,
# minimised: the named seeds stay as they are, and of everything else (the
# committed corpus and BUILD_DIR's) only inputs that add coverage are kept,
# under libFuzzer's hash names.
#   fuzz/merge.sh BUILD_DIR [TARGET...]     (default: every target)
set -eu
build=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
targets=${*:-"fuzz_container fuzz_lzss_decode fuzz_lzss_round_trip fuzz_byte_runs fuzz_word_runs
fuzz_settings fuzz_command_line"}
for target in $targets; do
    committed="$here/corpus/$target"
    merged="$build/fuzz/merged/$target"
    previous="$build/fuzz/merged/$target.previous"
    rm -rf "$merged" "$previous"
    mkdir -p "$merged" "$previous"
    for file in "$committed"/*; do
        if basename "$file" | grep -Eq '^[0-9a-f]{40}$'; then
            cp "$file" "$previous/"
        else
            cp "$file" "$merged/"
        fi
    done
    "$build/fuzz/$target" -merge=1 "$merged" "$previous" "$build/fuzz/corpus/$target" \
        > "$build/fuzz/$target.merge.log" 2>&1 ||
        { tail -n 20 "$build/fuzz/$target.merge.log"; exit 1; }
    rm -rf "$committed"
    cp -r "$merged" "$committed"
    echo "$target: $(ls "$committed" | wc -l) inputs, $(du -sk "$committed" | cut -f1) KB"
done
