#!/usr/bin/env bash
# The pictures of the ball (`make preview`): sample desktops drawn by our own
# sample_desktop, the built-in ball played over them through the real engine
# by orbtool render, and from those
#   docs/preview.gif         about 3 s of the saver over the light desktop
#   docs/contact-sheet.png   every frame over the middle of the light desktop
#   build/look/              light.png and dark.png stills, the desktops
set -euo pipefail
cd "$(dirname "$0")/.."
build=${ORB_BUILD_DIR:-build}
look=$build/look
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target orbtool sample_desktop -j "${JOBS:-2}" >/dev/null
orbtool=$build/tools/orbtool
lib=resources/orb.lib
dim=60           # the share of brightness the darkened desktop keeps
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$look"

for theme in light dark; do
  "$build/tools/sample_desktop" $theme 800x500 "$look/desk-$theme.png"
  "$orbtool" render $lib --background "$look/desk-$theme.png" --dim $dim --ticks 241 \
    -o "$work/$theme.png" >/dev/null
  cp "$work/$theme-screen.png" "$look/$theme.png"
done
"$orbtool" render $lib --background "$look/desk-light.png" --dim $dim --ticks 0 \
  -o "$work/sheet.png" >/dev/null
cp "$work/sheet.png" docs/contact-sheet.png

# One screen every third tick (the engine ticks every 10 ms) for 3 s.
for tick in $(seq 3 3 300); do
  "$orbtool" render $lib --background "$look/desk-light.png" --dim $dim --ticks $tick \
    -o "$work/t.png" >/dev/null
  mv "$work/t-screen.png" "$work/$(printf %04d $tick).png"
done
convert -delay 3 -loop 0 "$work"/0*.png -resize 64% +dither -colors 96 -layers Optimize \
  docs/preview.gif
cp docs/preview.gif "$look/preview.gif"
cp docs/contact-sheet.png "$look/contact-sheet.png"
echo "docs/preview.gif ($(stat -c %s docs/preview.gif) bytes), docs/contact-sheet.png, $look/{light,dark}.png"
