#!/usr/bin/env bash
# `make run-wine`: the Windows saver, orb.scr /s, under Wine.
#
#   With a DISPLAY:    orb.scr /s over the current screen; a key, a click or a
#                      mouse move ends it.
#   Without one:       a private Xvfb with a sample desktop picture, the saver
#                      over it for a few seconds, then a screenshot under
#                      build-win64/run-wine/ (the path is printed).
#
# The Wine prefix lives in build-win64/run-wine/prefix and is made on first use.
set -euo pipefail
. "$(dirname "$0")/xvfb.sh"
. "$(dirname "$0")/wine-loader.sh"
cd "$(dirname "$0")/.."

build=${ORB_WIN64_BUILD_DIR:-build-win64}
seconds=${ORB_RUN_SECONDS:-4}
scr=$build/host/orb.scr
driver=$build/tests/wine/orb_wine_driver.exe
out=$PWD/$build/run-wine
[ -f "$scr" ] || { echo "no $scr: run 'make win64' first" >&2; exit 1; }

find_wine || { echo "$wine_reason: run 'make deps' first" >&2; exit 1; }
export WINEPREFIX=$out/prefix WINEDEBUG=-all
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }
prepare_prefix() {
  [ -f "$WINEPREFIX/system.reg" ] && return
  echo "Creating a Wine prefix in $WINEPREFIX (once)."
  mkdir -p "$out"
  WINEDLLOVERRIDES="mscoree,mshtml=" "$WINE64" wineboot -i > "$out/wineboot.log" 2>&1 < /dev/null
}

if [ -n "${DISPLAY:-}" ] && xdpyinfo > /dev/null 2>&1; then
  prepare_prefix
  echo "orb.scr /s is running on $DISPLAY: press a key, click or move the mouse to end it."
  exec "$WINE64" "$scr" /s
fi

mkdir -p "$out"
work=$(mktemp -d)
xvfb_pid=""
cleanup() {
  "$WINESERVER" -k > /dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2> /dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

echo "No display: starting a private Xvfb with a sample desktop."
start_private_xvfb "$work" 1024x768x24 || exit 1
prepare_prefix

# A desktop drawn here, so nothing has to be downloaded: a sky, a hill, a few
# windows and some text for the ball to bend.
text=()
if convert -list font 2>/dev/null | grep -q 'Font: DejaVu-Sans-Bold$'; then
  text=(-font DejaVu-Sans-Bold -pointsize 64 -fill white -annotate +70+120 'orb.scr under Wine'
        -font DejaVu-Sans -pointsize 26 -fill white -annotate +128+330 'Notes.txt - Notepad')
fi
convert -size 1024x768 gradient:'#2b5876'-'#e0c3fc' \
  -fill '#3a7d44' -draw 'ellipse 512,900 760,320 0,360' \
  -fill '#f0f0f0' -stroke '#404040' -draw 'rectangle 110,300 560,560' \
  -fill '#1f4e9c' -stroke none -draw 'rectangle 110,300 560,340' \
  -fill '#fafafa' -stroke '#404040' -draw 'rectangle 620,180 940,420' \
  -fill '#9c1f4e' -stroke none -draw 'rectangle 620,180 940,215' \
  -fill '#ffd166' -draw 'circle 860,90 860,130' \
  "${text[@]}" -type TrueColor BMP3:"$out/desktop.bmp"

cp "$scr" "$work/orb.scr"
status=0
"$WINE64" "$(winpath "$PWD/$driver")" showcase "$(winpath "$work/orb.scr")" "$(winpath "$work")" \
  "$(winpath "$out/desktop.bmp")" "$seconds" || status=$?
[ -f "$work/showcase.bmp" ] || { echo "no screenshot was taken" >&2; exit 1; }
convert "$work/showcase.bmp" "$out/orb-scr-wine.png"
convert "$out/desktop.bmp" "$out/desktop.png"
rm -f "$out/desktop.bmp"
[ "$status" = 0 ] || { echo "the saver did not end cleanly (status $status)" >&2; exit 1; }
echo "orb.scr /s ran for $seconds s under Wine on a private Xvfb ($DISPLAY)."
echo "Screenshot:    $out/orb-scr-wine.png"
echo "Desktop used:  $out/desktop.png"
