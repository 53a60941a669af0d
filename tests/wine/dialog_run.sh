#!/usr/bin/env bash
# dialog_run.sh -- runs one case of orb_dialog_driver.exe against orb.scr inside
# the Wine suite's Xvfb and prefix (suite.sh setup makes them; the cases run
# one at a time, since they share the prefix's registry).
#
#   dialog_run.sh STATE DRIVER_EXE ORB_SCR CASE [TAG]
#
# TAG tells apart the runs of one case against different builds (logs go to
# STATE/runs/dialogTAG-CASE).
# The screenshot case writes STATE/screenshots/config-dialog.png. Exit code:
# the driver's (0 pass, 1 fail); 77 when orb.scr or a tool is missing, or
# when orb.scr is the 32-bit saver and this machine cannot run it.
set -uo pipefail
. "$(dirname "$0")/../../scripts/wine-loader.sh"

state=$1 driver=$2 scr=$3 name=$4 tag=${5:-}

for tool in import; do
  command -v "$tool" > /dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
[ -f "$scr" ] || { echo "skipped: no $scr"; exit 77; }
[ -f "$driver" ] || { echo "skipped: no $driver"; exit 77; }
[ -f "$state/env" ] || { echo "the Wine suite's setup did not run ($state/env missing)"; exit 1; }
# shellcheck disable=SC1091
. "$state/env"
export DISPLAY WINEPREFIX WINESERVER WINELOADER WINEDEBUG=-all
if pe_is_i386 "$scr" && [ -n "$I386_REASON" ]; then
  echo "skipped: $I386_REASON"
  exit 77
fi

winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }

run=$state/runs/dialog$tag-$name
rm -rf "$run"
mkdir -p "$run" "$state/screenshots"

# For the picture only: there is no window manager on the private screen, so
# Wine is asked to draw the saver's caption itself, and its Marlett font
# gives the close box its glyph.
app_x11_key='HKCU\Software\Wine\AppDefaults\orb.scr\X11 Driver'
if [ "$name" = screenshot ]; then
  "$WINE64" reg add "$app_x11_key" /v Decorated /d N /f > /dev/null 2>&1
  fonts=$WINEPREFIX/drive_c/windows/Fonts
  if [ -f /usr/share/wine/fonts/marlett.ttf ] && [ ! -f "$fonts/marlett.ttf" ]; then
    cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
  fi
fi

timeout 120 "$WINE64" "$driver" "$name" "$(winpath "$scr")" "$(winpath "$run")" \
  > "$run/driver.log" 2>&1 < /dev/null &
driver_pid=$!

# The screenshot case keeps the dialog open until the picture is taken.
shot_status=0
if [ "$name" = screenshot ]; then
  for _ in $(seq 300); do
    [ -s "$run/dialog_rect.txt" ] && break
    kill -0 "$driver_pid" 2> /dev/null || break
    sleep 0.1
  done
  if [ -s "$run/dialog_rect.txt" ]; then
    read -r x y w h < "$run/dialog_rect.txt"
    png=$state/screenshots/config-dialog.png
    if import -window root -crop "${w}x${h}+${x}+${y}" +repage "$png"; then
      echo "screenshot: $png"
    else
      echo "FAIL: import could not take the screenshot"
      shot_status=1
    fi
  fi
  touch "$run/dialog_shot.done"
fi

wait "$driver_pid"
status=$?
[ "$name" = screenshot ] && "$WINE64" reg delete "$app_x11_key" /f > /dev/null 2>&1
grep -v '^XGetInputFocus' "$run/driver.log"
[ "$status" -eq 0 ] && status=$shot_status
exit "$status"
