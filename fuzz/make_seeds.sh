#!/bin/sh
# Write the container target's seeds into fuzz/corpus/fuzz_container/:
# a few frames cut from the built-in ball, and small balls baked in every
# play mode. They are small so that the fuzzer mutates them quickly; run
# this again whenever the built-in container changes, and commit the result.
#   fuzz/make_seeds.sh ORBTOOL      (e.g. build/tools/orbtool)
set -eu
orbtool=$1
here=$(cd "$(dirname "$0")" && pwd)
builtin="$here/../resources/orb.lib"
out="$here/corpus/fuzz_container"
mkdir -p "$out"
rm -f "$out"/ball_* "$out"/baked_*

frames=$("$orbtool" info "$builtin" | sed -n 's/^frames *//p')
middle=$(((frames - 1) / 2))
# The smallest frame and the turn between three small ones: the large frames
# take ten times the bytes and slow every mutation down.
"$orbtool" cut "$builtin" --frames "$middle" -o "$out/ball_middle"
"$orbtool" cut "$builtin" --frames "$((middle - 1)),$middle,$((middle + 1))" -o "$out/ball_turn"

# Odd sizes and each play mode: bouncing, appearing, still.
"$orbtool" bake --size 9x13 --frames 3 --mode 1 --max-diameter 7 --min-diameter 3 \
    -o "$out/baked_bounce_9x13"
"$orbtool" bake --size 16x8 --frames 2 --mode 3 --max-diameter 6 --min-diameter 4 --facets 2 \
    -o "$out/baked_appear_16x8"
"$orbtool" bake --size 16x12 --frames 1 --mode 0 --max-diameter 12 --min-diameter 12 --facets 1 \
    -o "$out/baked_still_16x12"

# The fine encoding's target: small fine balls, bouncing and appearing.
fine="$here/corpus/fuzz_fine_container"
mkdir -p "$fine"
rm -f "$fine"/baked_*
"$orbtool" bake --encoding fine --size 24x24 --frames 4 --mode 1 -o "$fine/baked_fine_24"
"$orbtool" bake --encoding fine --size 32x32 --frames 3 --mode 2 -o "$fine/baked_fine_32"
