#!/usr/bin/env bash
# The README's run command (`make run`): installs what is missing, builds orb,
# and shows the saver.
#
#   With a DISPLAY:    orb in a window over the current screen; a key, a click
#                      or closing the window ends it. Options go to orb.
#   Without one:       a private Xvfb with a sample desktop picture, orb on its
#                      root window for a few seconds (an animated GIF of it),
#                      then a still of the ball at its largest; both under
#                      build/run/ (the paths are printed).
set -euo pipefail
. "$(dirname "$0")/xvfb.sh"
cd "$(dirname "$0")/.."

build=${ORB_BUILD_DIR:-build}
seconds=${ORB_RUN_SECONDS:-5}
# Where the still's ball lands: on the sample desktop's text.
still_seed=${ORB_RUN_SEED:-1999}

./scripts/install-deps.sh
build_x11_programs "$build"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "orb is running in a window over your screen: press a key or click in it to stop."
  exec "$orb" "$@"
fi

out=$build/run
rm -rf "$out"
mkdir -p "$out/frames"
work=$(mktemp -d)
xvfb_pid=""
orb_pid=""
cleanup() {
  [ -n "$orb_pid" ] && kill "$orb_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

echo "No display: starting a private Xvfb with a sample desktop."
start_private_xvfb "$work" 1024x768x24 || exit 1

# A desktop drawn here, so nothing has to be downloaded: a sky gradient, a few
# shapes and, when a font is there, some text for the ball to bend.
text=()
if convert -list font 2>/dev/null | grep -q 'Font: DejaVu-Sans-Bold$'; then
  text=(-font DejaVu-Sans-Bold -pointsize 72 -fill white -annotate +80+130 'Orb desktop'
        -font DejaVu-Sans -pointsize 30 -fill '#ffffffcc'
        -annotate +86+185 'a sample picture under the crystal ball')
fi
convert -size 1024x768 gradient:'#1d4e89'-'#f7b267' \
  -fill '#e63946' -draw 'circle 250,360 250,480' \
  -fill '#2a9d8f' -draw 'rectangle 600,220 900,460' \
  -fill '#f4d35e' -draw 'polygon 470,740 640,500 810,740' \
  -stroke '#ffffff' -strokewidth 4 -draw 'line 0,640 1024,560' -stroke none \
  -fill '#ffffff' -draw 'circle 880,110 880,150' \
  "${text[@]}" -depth 8 "$out/desktop.png"
convert "$out/desktop.png" -depth 8 "$work/desktop.ppm"
"$probe" paint-ppm "$work/desktop.ppm"

"$orb" -root -duration "$seconds" "$@" &
orb_pid=$!
# Frames for the GIF while it runs.
sleep 0.3
count=0
while kill -0 "$orb_pid" 2>/dev/null && [ $count -lt 40 ]; do
  import -silent -window root "$out/frames/$(printf %03d $count).png" 2>/dev/null || break
  count=$((count + 1))
  sleep 0.05
done
wait "$orb_pid" && status=0 || status=$?
orb_pid=""
[ "$status" = 0 ] || { echo "orb exited with status $status" >&2; exit 1; }
[ $count -gt 0 ] || { echo "no screenshot could be taken" >&2; exit 1; }
convert -delay 8 -loop 0 "$out"/frames/*.png -resize 50% -layers Optimize "$out/orb-x11.gif"
rm -rf "$out/frames"

# The still: a fresh desktop, 60 ticks (the ball at its largest again), held
# on the screen while it is taken.
"$probe" paint-ppm "$work/desktop.ppm"
mkfifo "$work/held"
"$orb" -root -seed "$still_seed" -ticks 60 -hold "$@" >"$work/held" &
orb_pid=$!
read -r -t 20 _ <"$work/held" || { echo "orb did not draw the still" >&2; exit 1; }
import -silent -window root "$out/orb-x11.png"
kill "$orb_pid"
wait "$orb_pid" || true
orb_pid=""
echo "orb ran for $seconds s on a private Xvfb ($DISPLAY)."
echo "Still:         $out/orb-x11.png"
echo "Animated GIF:  $out/orb-x11.gif"
echo "Desktop used:  $out/desktop.png"
