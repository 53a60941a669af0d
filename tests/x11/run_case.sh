#!/usr/bin/env bash
# One end-to-end case of `orb` on a private Xvfb.
#
#   run_case.sh CASE ORB PROBE OUTDIR CONTAINER
#
# CONTAINER is the animation orb plays: the one built into ORB (the probe
# reads its header to know the ball's size). Set ORB_X11_TEST_LIB to run orb
# with -lib FILE instead. Exit 0 pass, 77 skipped, anything else fails.
set -euo pipefail
. "$(dirname "$0")/../../scripts/xvfb.sh"

case_name=$1 orb=$2 probe=$3 outdir=$4 container=$5
lib_args=()
if [ -n "${ORB_X11_TEST_LIB:-}" ]; then
  container=$ORB_X11_TEST_LIB
  lib_args=(-lib "$container")
fi
mkdir -p "$outdir"
work=$(mktemp -d)
xvfb_pid=""
holder_pid=""

cleanup() {
  exec 4>&- 2>/dev/null || true
  [ -n "$holder_pid" ] && kill "$holder_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && wait "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL ($case_name): $*" >&2
  exit 1
}

# XScreenSaver's window must not leak in from the environment, nor a Wayland
# session, which orb would hand to orb-wayland.
unset XSCREENSAVER_WINDOW WAYLAND_DISPLAY
# The stored setting must not come from the user running the tests.
export XDG_CONFIG_HOME=$work/config

start_xvfb() {
  start_private_xvfb "$work" "${1}x24" || fail "Xvfb did not start"
}

need_container() {
  if [ ! -f "$container" ]; then
    echo "SKIP: no animation container at $container" >&2
    exit 77
  fi
}

# fd 4 keeps the probe's window alive; orb must not hold it open too.
run_orb() { "$orb" "${lib_args[@]}" "$@" 4>&-; }
# The same in the background, so that $pid is orb's own.
start_orb() {
  "$orb" "${lib_args[@]}" "$@" 4>&- &
  pid=$!
}

# orb with -ticks N -hold in the background: returns once it has drawn its
# ticks and is holding the picture; its pid in $pid.
start_held() {
  rm -f "$work/held"
  mkfifo "$work/held"
  # Redirected in the background child: opening the fifo waits for a reader.
  "$orb" "${lib_args[@]}" "$@" -hold >"$work/held" 4>&- &
  pid=$!
  local line
  read -r -t 20 line <"$work/held" || fail "orb $* did not report holding"
  case $line in "orb: holding after"*) ;; *) fail "orb said: $line" ;; esac
}

# A window of the probe's that lives until fd 4 closes; its id in $holder_id.
hold_window() {
  mkfifo "$work/hold"
  "$probe" hold-window "$@" <"$work/hold" >"$work/holder_id" &
  holder_pid=$!
  exec 4>"$work/hold"
  for _ in $(seq 100); do
    [ -s "$work/holder_id" ] && break
    sleep 0.05
  done
  holder_id=$(cat "$work/holder_id")
  [ -n "$holder_id" ] || fail "the probe's window did not appear"
}

release_window() {
  exec 4>&-
  wait "$holder_pid" || true
  holder_pid=""
  rm -f "$work/hold" "$work/holder_id"
}

# orb gives the root back as it found it when it ends, so a root case holds
# the picture (-ticks N -hold) while it is checked, then ends orb.
held_root() { start_held -root "$@"; }
stop_held() {
  kill -TERM "$pid"
  wait_exit "$pid" 10
  [ "$exit_status" = 0 ] || fail "exit status $exit_status after SIGTERM"
}

# root_plays LIB SEED TICKS [ORB OPTION...]: paints the gradient and holds orb
# on the root after TICKS ticks; 0 when the screen is LIB's ball as planned.
root_plays() {
  local lib=$1 seed=$2 ticks=$3 plays=0
  shift 3
  "$probe" paint gradient
  held_root "$@" -seed "$seed" -ticks "$ticks"
  "$probe" check --pattern gradient --dim 30 --lib "$lib" --seed "$seed" --ticks "$ticks" \
    2>/dev/null || plays=1
  stop_held
  return $plays
}

# play_root PATTERN DIM SEED TICKS WHAT [ORB OPTION...]: paints PATTERN, plays
# orb on the root for TICKS ticks, and checks every pixel against the plan.
play_root() {
  local pattern=$1 dim=$2 seed=$3 ticks=$4 what=$5
  shift 5
  "$probe" paint "$pattern"
  held_root "$@" -seed "$seed" -ticks "$ticks"
  "$probe" check --pattern "$pattern" --dim "$dim" --lib "$container" --seed "$seed" \
    --ticks "$ticks" ${crop:+--crop "$crop"} || fail "$what"
  stop_held
}

# Wait up to $2 seconds for process $1 to end; its status in $exit_status.
wait_exit() {
  local pid=$1 limit=$2
  for _ in $(seq $((limit * 20))); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  if kill -0 "$pid" 2>/dev/null; then
    kill "$pid"
    fail "orb did not exit within $limit s"
  fi
  exit_status=0
  wait "$pid" || exit_status=$?
}

# orb's own window, by its WM_CLASS; waits until it is mapped.
find_own_window() {
  for _ in $(seq 100); do
    own_id=$(xdotool search --onlyvisible --classname '^orb$' 2>/dev/null | head -n1 || true)
    [ -n "$own_id" ] && return 0
    sleep 0.05
  done
  fail "orb's window did not appear"
}

case $case_name in
classic)  # the fine ball by default, the classic one with -classic; -lib
          # plays a fine container too
  need_container
  classic=${ORB_CLASSIC_BALL:-}
  [ -f "$classic" ] || { echo "SKIP: no classic ball at $classic" >&2; exit 77; }
  [ -z "${ORB_X11_TEST_LIB:-}" ] || { echo "SKIP: -lib plays its own encoding" >&2; exit 77; }
  start_xvfb 640x480
  root_plays "$classic" 11 40 -classic || fail "-classic: not the classic ball"
  ! root_plays "$classic" 11 40 || fail "the classic ball plays without -classic"
  root_plays "$container" 12 30 -lib "$container" || fail "-lib with a fine container"
  ;;

smoothness)  # over noise at full brightness the fine ball's first frame, the
             # largest, is smooth inside and quiet at its rim: the fine 128 at
             # 1920 x 1080, the fine 256 at 3840 x 2160 with Xft.dpi 192
  need_container
  ball256=${ORB_BALLS_DIR:-}/orb-fine-256.lib
  [ -f "$ball256" ] || { echo "SKIP: no fine 256-pixel ball at $ball256" >&2; exit 77; }
  [ -z "${ORB_X11_TEST_LIB:-}" ] || { echo "SKIP: -lib plays its own ball" >&2; exit 77; }
  for side in 128 256; do
    if [ $side = 128 ]; then
      start_xvfb 1920x1080
      lib=$container seed=21 radius=58
    else
      kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null || true
      start_xvfb 3840x2160
      echo 'Xft.dpi: 192' | xrdb -merge
      lib=$ball256 seed=22 radius=116
    fi
    "$probe" paint noise
    held_root -dim 100 -seed $seed -ticks 2
    "$probe" check --pattern noise --dim 100 --lib "$lib" --seed $seed --ticks 2 --smooth $radius \
      --png "$outdir/orb-x11-smooth-$side.png" || fail "the fine $side over noise"
    stop_held
  done
  ;;

root_dim30)  # the dimmed desktop, the ball where the seed puts it; a screenshot
  need_container
  start_xvfb 640x480
  "$probe" paint gradient
  held_root -seed 11 -ticks 40
  "$probe" check --pattern gradient --dim 30 --lib "$container" --seed 11 --ticks 40 \
    --png "$outdir/orb-x11-root.png" || fail "screen after 40 ticks"
  stop_held
  echo "screenshot: $outdir/orb-x11-root.png"
  ;;

root_dim100)  # -dim 100 keeps the desktop as it was outside the ball; -dim 0 is black
  need_container
  start_xvfb 640x480
  play_root gradient 100 3 25 "-dim 100" -dim 100
  play_root gradient 0 3 5 "-dim 0" -dim 0
  ;;

first_tick)  # the first tick paints the dimmed desktop and no ball yet
  need_container
  start_xvfb 640x480
  "$probe" paint gradient
  held_root -seed 5 -ticks 1
  "$probe" check --pattern gradient --dim 30 --no-ball || fail "after the first tick"
  stop_held
  ;;

moves)  # 2 pixels per tick: each tick count puts the ball where the rules say,
        # and after a whole loop the same frame shows exactly shifted
  need_container
  start_xvfb 640x480
  frames=$(od -An -tu1 -j49 -N1 "$container" | tr -d ' ')
  for ticks in 2 3 4 $((2 + frames)); do
    crop=$work/crop$ticks play_root solid:4080c0 30 21 "$ticks" "ball after $ticks ticks"
  done
  "$probe" same-crop "$work/crop2" "$work/crop$((2 + frames))" ||
    fail "frame 0 looks different one loop later"
  ;;

stored_setting)  # -dim N -save stores the default that later runs use
  need_container
  start_xvfb 640x480
  "$probe" paint gradient
  run_orb -dim 55 -save >/dev/null
  [ -f "$XDG_CONFIG_HOME/orb/Orb 05-1999" ] || fail "no settings file"
  [ "$(stat -c %s "$XDG_CONFIG_HOME/orb/Orb 05-1999")" = 12 ] || fail "settings record not 12 bytes"
  play_root gradient 55 8 6 "stored -dim 55 not used"
  play_root gradient 80 8 6 "-dim does not override the stored setting" -dim 80
  ;;

no_shm)  # the plain XPutImage path draws the same picture
  need_container
  start_xvfb 640x480
  play_root gradient 30 11 40 "without MIT-SHM" -no-shm
  ;;

window_id)  # -window-id and XSCREENSAVER_WINDOW draw into that window only
  need_container
  start_xvfb 640x480
  "$probe" paint gradient
  hold_window 100 80 320 240 solid:c08040
  run_orb -window-id "$holder_id" -seed 5 -ticks 8
  "$probe" check --pattern gradient --window 100 80 320 240 solid:c08040 --dim 30 \
    --lib "$container" --seed 5 --ticks 8 || fail "-window-id $holder_id"
  release_window
  "$probe" paint gradient
  hold_window 200 150 300 200 solid:30a0f0
  XSCREENSAVER_WINDOW=$holder_id run_orb -root -seed 6 -ticks 12
  "$probe" check --pattern gradient --window 200 150 300 200 solid:30a0f0 --dim 30 \
    --lib "$container" --seed 6 --ticks 12 || fail "XSCREENSAVER_WINDOW=$holder_id"
  release_window
  ;;

saved_picture)  # XScreenSaver's window: the desktop comes from the picture the
                # daemon saved before blanking, not from the blank screen: the
                # whole root (older daemons) or the window's own part (one per
                # monitor). One that is gone or of another depth leaves the
                # blank window's black under the ball.
  need_container
  start_xvfb 640x480
  "$probe" paint solid:203040
  for shot in gradient own:gradient depth1 gone; do
    shown=screen:gradient
    case $shot in depth1|gone) shown=solid:000000 ;; esac
    hold_window 150 100 320 240 solid:000000 "$shot"
    XSCREENSAVER_WINDOW=$holder_id run_orb -root -seed 7 -ticks 9 || fail "orb failed on picture $shot"
    "$probe" check --pattern solid:203040 --window 150 100 320 240 "$shown" --dim 30 \
      --lib "$container" --seed 7 --ticks 9 || fail "saved picture $shot"
    release_window
  done
  # A daemon that saves no picture (MATE's): the wallpaper the desktop names
  # on the root shows, at the window's place; a saved picture still comes
  # first, and a wallpaper pixmap that is gone leaves the black.
  for wallpaper in gradient:none gradient:own:solid:405060 gone:none; do
    shot=${wallpaper#*:} shown=screen:gradient
    "$probe" paint-wallpaper "${wallpaper%%:*}"
    case $wallpaper in *:own:*) shown=solid:405060 ;; gone:*) shown=solid:000000 ;; esac
    [ "$shot" = none ] && hold_window 150 100 320 240 solid:000000 ||
      hold_window 150 100 320 240 solid:000000 "$shot"
    XSCREENSAVER_WINDOW=$holder_id run_orb -root -seed 7 -ticks 9 || fail "orb failed on wallpaper $wallpaper"
    "$probe" check --pattern gradient --window 150 100 320 240 "$shown" --dim 30 \
      --lib "$container" --seed 7 --ticks 9 || fail "wallpaper $wallpaper"
    release_window
  done
  ;;

monitors_root)  # a root that RandR cuts into two monitors: -root plays one
                # ball over all of it, the desktop right on both
  need_container
  start_xvfb 2048x768
  xrandr --setmonitor M0 1024/270x768/203+0+0 screen >/dev/null &&
    xrandr --setmonitor M1 1024/270x768/203+1024+0 none >/dev/null || fail "xrandr --setmonitor"
  [ "$(xrandr --listmonitors | head -n1)" = "Monitors: 2" ] || fail "the server shows no two monitors"
  "$probe" paint gradient
  held_root -seed 12 -ticks 60
  "$probe" check --pattern gradient --dim 30 --lib "$container" --seed 12 --ticks 60 \
    --png "$outdir/orb-x11-monitors-root.png" || fail "two monitors after 60 ticks"
  stop_held
  ;;

dense_screen)  # a 3840 x 2160 screen at 192 DPI gets the fine 256-pixel ball, whether
              # the desktop says so with Xft.dpi or RandR's monitor size does;
              # -size 128 asks for the 128 all the same
  need_container
  ball256=${ORB_BALLS_DIR:-}/orb-fine-256.lib
  [ -f "$ball256" ] || { echo "SKIP: no baked 256-pixel ball at $ball256" >&2; exit 77; }
  [ -z "${ORB_X11_TEST_LIB:-}" ] || { echo "SKIP: -lib plays its own size" >&2; exit 77; }
  start_xvfb 3840x2160
  "$probe" paint gradient
  echo 'Xft.dpi: 192' | xrdb -merge
  held_root -seed 3 -ticks 30
  "$probe" check --pattern gradient --dim 30 --lib "$ball256" --seed 3 --ticks 30 \
    --png "$outdir/orb-x11-dense.png" || fail "Xft.dpi 192: not the 256-pixel ball"
  stop_held
  "$probe" paint gradient
  held_root -size 128 -seed 3 -ticks 30
  "$probe" check --pattern gradient --dim 30 --lib "$container" --seed 3 --ticks 30 ||
    fail "-size 128 at Xft.dpi 192"
  stop_held
  xrdb -remove
  xrandr --setmonitor M0 3840/508x2160/286+0+0 screen >/dev/null || fail "xrandr --setmonitor"
  "$probe" paint gradient
  held_root -seed 4 -ticks 30
  "$probe" check --pattern gradient --dim 30 --lib "$ball256" --seed 4 --ticks 30 ||
    fail "a monitor of 192 DPI: not the 256-pixel ball"
  stop_held
  ;;

root_restored)  # the root as it was once orb ends, by its ticks or a signal, so
               # the next run darkens the desktop, not what was left of the
               # last one; a -lib ball larger than the screen is refused
  need_container
  start_xvfb 320x240
  "$probe" paint solid:3366cc
  run_orb -root -seed 2 -ticks 30
  "$probe" check --pattern solid:3366cc --dim 100 --no-ball || fail "after -ticks 30"
  held_root -seed 2 -ticks 30
  "$probe" check --pattern solid:3366cc --dim 30 --lib "$container" --seed 2 --ticks 30 ||
    fail "a second run over what the first left"
  stop_held
  "$probe" check --pattern solid:3366cc --dim 100 --no-ball || fail "after SIGTERM"
  big=${ORB_BALLS_DIR:-}/orb-384.lib
  if [ -f "$big" ]; then
    "$orb" -root -ticks 5 -lib "$big" 2>"$work/err" && fail "a 384 ball on 320 x 240 played"
    grep -q "384 x 384 frames do not fit the 320 x 240" "$work/err" || fail "$(cat "$work/err")"
  fi
  ;;

window_gone)  # the given window goes away, or a TERM comes: orb ends cleanly
  need_container
  start_xvfb 640x480
  hold_window 50 50 300 200 solid:808080
  start_orb -window-id "$holder_id"
  sleep 0.5
  release_window
  wait_exit "$pid" 10
  [ "$exit_status" = 0 ] || fail "exit status $exit_status after the window went"
  start_orb -root
  sleep 0.5
  kill -TERM "$pid"
  wait_exit "$pid" 10
  [ "$exit_status" = 0 ] || fail "exit status $exit_status after SIGTERM"
  run_orb -window-id 0x7fffff0 2>"$work/err" && fail "a missing window was accepted"
  grep -q "no window" "$work/err" || fail "no message for a missing window"
  ;;

own_window)  # its own window: the desktop under it, captured before mapping;
             # a key ends it with status 0, and so does a mouse button
  need_container
  start_xvfb 1024x768
  "$probe" paint gradient
  start_held -seed 4 -ticks 20
  # 800 x 600, centred on 1024 x 768
  "$probe" check --pattern gradient --window 112 84 800 600 root --dim 30 \
    --lib "$container" --seed 4 --ticks 20 --png "$outdir/orb-x11-window.png" ||
    fail "own window after 20 ticks"
  # A window over part of it and gone again: orb paints the part back.
  hold_window 500 380 300 200 solid:ff00ff
  release_window
  sleep 0.2
  "$probe" check --pattern gradient --window 112 84 800 600 root --dim 30 \
    --lib "$container" --seed 4 --ticks 20 || fail "own window after being uncovered"
  find_own_window
  xdotool mousemove 512 384 key space
  wait_exit "$pid" 10
  [ "$exit_status" = 0 ] || fail "exit status $exit_status after a key"
  start_orb
  find_own_window
  xdotool mousemove 512 384 click 1
  wait_exit "$pid" 10
  [ "$exit_status" = 0 ] || fail "exit status $exit_status after a click"
  ;;

fullscreen)  # -fullscreen covers the screen and takes the keyboard
  need_container
  start_xvfb 800x600
  "$probe" paint gradient
  start_held -fullscreen -seed 9 -ticks 15
  "$probe" check --pattern gradient --dim 30 --lib "$container" --seed 9 --ticks 15 ||
    fail "full screen after 15 ticks"
  find_own_window
  xdotool mousemove 0 0 key Escape
  wait_exit "$pid" 10
  [ "$exit_status" = 0 ] || fail "exit status $exit_status after a key"
  ;;

bad_input)  # refused command lines and containers: a message and a non-zero exit
  printf 'not a container at all' >"$work/junk.lib"
  head -c 300 /dev/zero >"$work/zeros.lib"
  expect_refusal() {
    local want=$1
    shift
    local status=0
    "$orb" "$@" >"$work/out" 2>"$work/err" || status=$?
    [ "$status" != 0 ] || fail "orb $* exited 0"
    grep -q -- "$want" "$work/err" || fail "orb $*: no '$want' in: $(cat "$work/err")"
  }
  expect_refusal "cannot read animation file" -root -lib "$work/missing.lib"
  expect_refusal "not a valid animation container" -root -lib "$work/junk.lib"
  expect_refusal "not a valid animation container" -root -lib "$work/zeros.lib"
  # Which values and combinations are refused is the unit tests' business
  # (orb_options_test.cpp); here, that a refusal reaches stderr and the exit
  # status, and the help stdout.
  expect_refusal "unknown option" -frobnicate
  "$orb" -help | grep -q -- "-window-id ID" || fail "-help does not list the options"
  ;;

*)
  fail "unknown case"
  ;;
esac
echo "ok: $case_name"
