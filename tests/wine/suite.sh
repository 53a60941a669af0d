#!/usr/bin/env bash
# The Wine side of the end-to-end suite: one private Xvfb and one throwaway
# WINEPREFIX per run, shared by every case.
#
#   suite.sh setup   STATE                 start Xvfb, create the prefix
#   suite.sh case    STATE DRIVER_DIR SCR_DIR CASE [WxH|monitors|dpiN]
#                                          run one case of orb_wine_driver.exe
#                                          against SCR_DIR/orb.scr, inside a
#                                          virtual desktop of WxH when given,
#                                          on a screen of two monitors, or at
#                                          N DPI
#   suite.sh cleanup STATE                 stop Wine and Xvfb, drop the prefix
#
# Exit 77 means "skipped": a tool is missing, or the case needs the 32-bit
# saver and this machine cannot run 32-bit programs (setup finds that out
# once, and each such case prints why). Screenshots land in
# STATE/screenshots as PNG.
set -uo pipefail
. "$(dirname "$0")/../../scripts/wine-loader.sh"

command=$1 state=$2
shift 2

need() {
  for tool in "$@"; do
    command -v "$tool" > /dev/null || { echo "skipped: $tool is not installed"; exit 77; }
  done
}

load_state() {
  [ -f "$state/env" ] || { echo "the Wine suite's setup did not run ($state/env missing)"; exit 1; }
  # shellcheck disable=SC1091
  . "$state/env"
  export DISPLAY WINEPREFIX WINESERVER WINELOADER WINEDEBUG=-all
}

# skip_unless_runnable SCR: a 32-bit saver skips where setup found that
# 32-bit programs cannot start.
skip_unless_runnable() {
  if pe_is_i386 "$1" && [ -n "$I386_REASON" ]; then
    echo "skipped: $I386_REASON"
    exit 77
  fi
}

winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }

# Where Wine keeps the screen's DPI (LogPixels).
desktop_key='HKCU\Control Panel\Desktop'

# A fresh server re-reads the screen: the desktop process that a case's
# first program starts reads its monitors once. wineboot starts the services
# here, not under the next case's output pipe, which they would hold open.
restart_wine() {
  "$WINESERVER" -k > /dev/null 2>&1
  "$WINESERVER" -p > /dev/null 2>&1 < /dev/null
  timeout 60 "$WINE64" wineboot > /dev/null 2>&1 < /dev/null
}

# Two monitors on a private Xvfb of their own, the primary one right of and
# below the other (800 x 600), so that one lies at negative coordinates.
# Wine's display driver sees RandR's one output of Xvfb as one monitor, but
# reads Xinerama's heads (which RandR's monitors make) when told not to use
# RandR. The suite's own screen and settings come back afterwards.
x11_driver_key='HKCU\Software\Wine\X11 Driver'
start_monitors() {
  need xrandr
  setsid Xvfb -displayfd 3 -noreset -screen 0 1824x1068x24 -nolisten tcp 3> "$run/display" \
    > "$run/xvfb.log" 2>&1 < /dev/null &
  monitors_pid=$!
  for _ in $(seq 100); do [ -s "$run/display" ] && break; sleep 0.1; done
  [ -s "$run/display" ] || { echo "Xvfb did not start"; cat "$run/xvfb.log"; exit 1; }
  suite_display=$DISPLAY
  export DISPLAY=:$(head -n1 "$run/display")
  xrandr --setmonitor M0 1024/271x768/203+800+300 screen > /dev/null &&
    xrandr --setmonitor M1 800/212x600/159+0+0 none > /dev/null || { echo "xrandr --setmonitor failed"; exit 1; }
  xrandr --listmonitors
  "$WINE64" reg add "$x11_driver_key" /v UseXRandR /d N /f > /dev/null 2>&1
  "$WINESERVER" -k > /dev/null 2>&1
}
stop_monitors() {
  "$WINE64" reg delete "$x11_driver_key" /v UseXRandR /f > /dev/null 2>&1
  "$WINESERVER" -k > /dev/null 2>&1
  kill "$monitors_pid" 2> /dev/null
  export DISPLAY=$suite_display
  restart_wine
}

case $command in
setup)
  need Xvfb convert
  find_wine || { echo "skipped: $wine_reason"; exit 77; }
  cleanup_old=$state/xvfb.pid
  if [ -f "$cleanup_old" ]; then kill "$(cat "$cleanup_old")" 2> /dev/null; fi
  # A server left by a run without cleanup would outlive its deleted prefix.
  if [ -f "$state/env" ]; then (load_state && "$WINESERVER" -k > /dev/null 2>&1); fi
  rm -rf "$state"
  mkdir -p "$state/screenshots" "$state/runs"
  # -displayfd picks a free display and writes its number once it listens.
  setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3> "$state/display" \
    > "$state/xvfb.log" 2>&1 < /dev/null &
  echo $! > "$state/xvfb.pid"
  for _ in $(seq 100); do [ -s "$state/display" ] && break; sleep 0.1; done
  [ -s "$state/display" ] || { echo "Xvfb did not start"; cat "$state/xvfb.log"; exit 1; }
  i386_reason=
  runs_i386 || echo "The 32-bit cases will skip: $i386_reason"
  {
    echo "DISPLAY=:$(head -n1 "$state/display")"
    echo "WINEPREFIX=$state/prefix"
    printf 'WINE64=%q\nWINESERVER=%q\nWINELOADER=%q\nI386_REASON=%q\n' "$WINE64" "$WINESERVER" "$WINELOADER" "$i386_reason"
  } > "$state/env"
  load_state
  # No Mono or Gecko: the saver needs neither, and there is no network to
  # fetch them. A persistent server keeps the prefix warm between cases.
  WINEDLLOVERRIDES="mscoree,mshtml=" timeout 300 "$WINE64" wineboot -i > "$state/wineboot.log" 2>&1 < /dev/null
  status=$?
  "$WINESERVER" -p > /dev/null 2>&1 < /dev/null
  [ $status -eq 0 ] || { echo "wineboot failed ($status)"; tail -20 "$state/wineboot.log"; exit 1; }
  echo "Wine prefix ready on DISPLAY $DISPLAY ($WINE64)"
  ;;
case)
  driver_dir=$1 scr_dir=$2 name=$3 desktop=${4:-}
  need convert
  [ -f "$scr_dir/host/orb.scr" ] || { echo "skipped: no $scr_dir/host/orb.scr"; exit 77; }
  load_state
  skip_unless_runnable "$scr_dir/host/orb.scr"
  run=$state/runs/$name${desktop:+-$desktop}
  rm -rf "$run"
  mkdir -p "$run"
  # The saver looks for system DLLs in the system folder only: the stand-ins
  # go there, and a planted SHCORE.DLL beside the saver must stay unused.
  cp "$scr_dir/host/orb.scr" "$driver_dir/tests/wine/SHCORE.dll" "$run/"
  system32=$WINEPREFIX/drive_c/windows/system32
  cp "$driver_dir/tests/wine/PASSWORD.CPL" "$system32/"
  driver=$(winpath "$driver_dir/tests/wine/orb_wine_driver.exe")
  overrides=
  case $name in
    # Wine's own MPR.DLL would win over the stand-in. Renamed, not
    # overwritten (a Wine process may have it mapped); back after the case.
    *change-password*)
      overrides=mpr=n
      mv "$system32/mpr.dll" "$run/mpr.dll.system" &&
        cp "$driver_dir/tests/wine/mpr.dll" "$system32/mpr.dll" ;;
    # No debugger, so the system's unhandled-exception filter decides alone.
    fault-guard) overrides=winedbg.exe=d ;;
  esac
  launch=("$WINE64" "$driver")
  case $desktop in
    ''|monitors|dpi*) ;;
    *) launch=("$WINE64" explorer "/desktop=orbtest,$desktop" "$driver") ;;
  esac
  arguments=("$name" "$(winpath "$run/orb.scr")" "$(winpath "$run")")
  if [ "$desktop" = monitors ]; then
    start_monitors
    WINEDLLOVERRIDES=$overrides timeout 120 "${launch[@]}" "${arguments[@]}" > "$run/driver.log" 2>&1 < /dev/null
    status=$?
    stop_monitors
  elif [[ $desktop == dpi* ]]; then
    # The desktop process reads the DPI when it starts.
    "$WINE64" reg add "$desktop_key" /v LogPixels /t REG_DWORD /d "${desktop#dpi}" /f > /dev/null 2>&1
    "$WINESERVER" -k > /dev/null 2>&1
    WINEDLLOVERRIDES=$overrides timeout 120 "${launch[@]}" "${arguments[@]}" > "$run/driver.log" 2>&1 < /dev/null
    status=$?
    "$WINE64" reg delete "$desktop_key" /v LogPixels /f > /dev/null 2>&1
    restart_wine
  elif [ -n "$desktop" ]; then
    # Through a pipe: with a file for its output, the launcher of a virtual
    # desktop takes some 15 s to end after the driver has. (Elsewhere the
    # pipe is what costs seconds, so the plain cases write the file.)
    WINEDLLOVERRIDES=$overrides timeout 120 "${launch[@]}" "${arguments[@]}" 2>&1 < /dev/null |
      cat > "$run/driver.log"
    status=${PIPESTATUS[0]}
    # The virtual desktop's size stays behind in the prefix's display cache:
    # later cases outside a desktop would see a screen of that size.
    restart_wine
  else
    WINEDLLOVERRIDES=$overrides timeout 120 "${launch[@]}" "${arguments[@]}" > "$run/driver.log" 2>&1 < /dev/null
    status=$?
  fi
  if [ -f "$run/mpr.dll.system" ]; then
    rm -f "$system32/mpr.dll" && mv "$run/mpr.dll.system" "$system32/mpr.dll"
  fi
  cat "$run/driver.log"
  for shot in "$run"/*.bmp; do
    [ -f "$shot" ] || continue
    png=$state/screenshots/$(basename "$run")$(basename "$shot" .bmp | sed "s/^$name//").png
    convert "$shot" "$png" && echo "screenshot: $png"
  done
  # The verdict is the driver's own line: inside a virtual desktop Wine's
  # launcher does not hand the driver's exit code on.
  grep -q "^passed $name[[:space:]]*\$" "$run/driver.log" || { echo "exit status $status"; exit 1; }
  ;;
cleanup)
  if [ -f "$state/env" ]; then
    load_state
    "$WINESERVER" -k > /dev/null 2>&1
  fi
  if [ -f "$state/xvfb.pid" ]; then kill "$(cat "$state/xvfb.pid")" 2> /dev/null; fi
  rm -rf "$state/prefix" "$state/xvfb.pid"
  ;;
*)
  echo "usage: suite.sh setup|case|cleanup STATE ..."
  exit 2
  ;;
esac
