#!/usr/bin/env bash
# orb on Wayland, end to end, under a real compositor: headless sway run by
# an unprivileged user (sway refuses root; as root the case makes the user
# and removes it again), over a known wallpaper, read back with grim.
#
# - One output: outside the ball the screen is exactly the wallpaper dimmed
#   to 30 %, and the ball moves; a key (wtype), a click and a pointer move
#   of more than 4 pixels each end orb with status 0; 4 pixels do not.
# - Two outputs: each shows its own dimmed wallpaper and a moving ball of its
#   own, one process each; SIGTERM ends them all with 0.
# - swayidle starts orb after a timeout, as the README's example line does.
# - An output at scale 1.5 (1536x1152) beside one turned by each of the
#   eight transforms: each shows its own desktop exactly, dimmed outside a
#   ball sized for its density. SIGKILL to orb ends every process of it
#   within 2 s and gives each output its desktop back.
# - Under AddressSanitizer (ASAN_ORB, the sanitized build's orb-wayland): an
#   output plugged in while orb runs, then one it covers rescaled; orb still
#   ends with 0 on SIGTERM and reports nothing.
# - A child that dies ends orb with 1, even when orb's launcher left SIGCHLD
#   ignored; a compositor that goes away ends it with a failure.
#
# The seat of a headless sway has no keyboard and no pointer, so its clients
# see no input at all: wtype brings a virtual keyboard, and orb_wayland_pointer
# (POINTER) a virtual pointer, for as long as each runs.
#
#   sway_e2e.sh ORB POINTER OUTDIR ASAN_ORB
# Exit 0 pass, 77 skipped (with the reason), anything else fails.
set -euo pipefail
. "$(dirname "$0")/../../scripts/test-user.sh"
orb=$1 pointer=$2 outdir=$3 asan_orb=$4
here=$(cd "$(dirname "$0")" && pwd)
for tool in sway grim wtype swaymsg swayidle convert identify python3; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
[ -x "$(dirname "$orb")/orb-wayland" ] || { echo "SKIP: no orb-wayland beside $orb"; exit 77; }
test_user=orb-wayland-test

work=$(mktemp -d)
chmod 755 "$work"
sway_pid=""
cleanup() {
  pkill -TERM -f "^$work/bin/" 2>/dev/null || true
  [ -z "$sway_pid" ] || { kill "$sway_pid" 2>/dev/null; wait "$sway_pid" 2>/dev/null; } || true
  rm -rf "$work"
  forget_test_user
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  [ -f "$work/run/sway.log" ] && grep -E '\[ERROR\]' "$work/run/sway.log" | tail -n 5 >&2
  exit 1
}

become_test_user "$test_user" || fail "cannot create $test_user"
# The programs where the user can reach them, side by side as installed.
# grim writes as the user, into the runtime folder.
shots=$work/run
mkdir -p "$work/bin" "$work/home" "$work/run" "$outdir"
cp "$orb" "$(dirname "$orb")/orb-wayland" "$pointer" "$work/bin/"
orb=$work/bin/orb pointer=$work/bin/$(basename "$pointer")
chmod 700 "$work/run"
[ "${#as_user[@]}" = 0 ] || chown -R "$test_user:" "$work/home" "$work/run"

# A known wallpaper, as large as the first output: any change shows.
convert -size 800x600 gradient:'#204080'-'#e0c060' -fill '#c03030' -draw 'rectangle 100,100 300,250' \
  -fill white -draw 'circle 600,400 650,450' -fill '#10a040' -draw 'rectangle 400,60 420,560' \
  -type TrueColor "$work/wall.png"
chmod 644 "$work/wall.png"
cat >"$work/config" <<CONF
output HEADLESS-1 resolution 800x600 position 0 0
output * bg $work/wall.png center
CONF
chmod 644 "$work/config"

session=(env -i HOME="$work/home" XDG_RUNTIME_DIR="$work/run" PATH=/usr/bin:/bin)
"${as_user[@]}" "${session[@]}" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 \
  WLR_RENDERER=pixman sway -c "$work/config" -d >"$work/run/sway.log" 2>&1 &
sway_pid=$!
socket=""
for _ in $(seq 100); do
  socket=$(cd "$work/run" && ls wayland-* 2>/dev/null | grep -v lock | head -n1 || true)
  ipc=$(ls "$work"/run/sway-ipc.*.sock 2>/dev/null | head -n1 || true)
  [ -n "$socket" ] && [ -n "$ipc" ] && break
  kill -0 "$sway_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$socket" ] || [ -z "$ipc" ]; then
  echo "SKIP: headless sway did not start here:"
  tail -n 5 "$work/run/sway.log"
  exit 77
fi
in_session() {
  "${as_user[@]}" "${session[@]}" WAYLAND_DISPLAY="$socket" SWAYSOCK="$ipc" "$@"
}
sleep 0.5  # the wallpaper is drawn

# start_orb: orb in the background as the user would start it; $orb_pid is
# orb's own (a simple command, so the shell's child execs it). start_program
# does the same for another build of it.
start_program() {
  "${as_user[@]}" "${session[@]}" WAYLAND_DISPLAY="$socket" SWAYSOCK="$ipc" "$@" \
    >"$work/orb.out" 2>"$work/orb.err" &
  orb_pid=$!
}
start_orb() { start_program "$orb" "$@"; }
# Waits up to $1 s for orb to end; its status in $orb_status.
wait_orb() {
  for _ in $(seq $(($1 * 10))); do
    kill -0 "$orb_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$orb_pid" 2>/dev/null && return 1
  orb_status=0
  wait "$orb_pid" || orb_status=$?
  return 0
}
# grab NAME FILE: the output as it shows, pixel for pixel (at the output's
# own scale, in $scale_NAME when it is not 1).
grab() {
  local scale=scale_${1//-/_}
  in_session grim -s "${!scale:-1}" -o "$1" "$2"
}
# check_output NAME BASE SHOT [SIDE]: the output shows BASE dimmed to 30 % and
# one ball whose changes fit SIDE pixels (174: the frame of the fine 128 orb
# plays by default, 1.5 times its 116-pixel diameter, with its shadow); the
# ball's corner is appended to $work/balls-NAME. Retried while orb comes up.
check_output() {
  local name=$1 base=$2 shot=$3 side=${4:-174}
  for _ in $(seq 30); do
    grab "$name" "$shots/shot.png"
    if python3 "$here/compare_dimmed.py" "$base" "$shots/shot.png" 30 "$side" >"$work/compare.log"; then
      cp "$shots/shot.png" "$shot"
      grep '^ball' "$work/compare.log" >>"$work/balls-$name"
      grep -v '^ball' "$work/compare.log"
      return 0
    fi
    sleep 0.2
  done
  fail "$name is not its wallpaper dimmed with one ball: $(cat "$work/compare.log")"
}
# The ball on each output moved between the first check and the last.
expect_moved() {
  for name; do
    [ "$(sort -u "$work/balls-$name" | wc -l)" -gt 1 ] || fail "the ball on $name does not move"
  done
}

# ---- One output --------------------------------------------------------------
grab HEADLESS-1 "$shots/base-1.png"
start_orb
check_output HEADLESS-1 "$shots/base-1.png" "$outdir/orb-wayland.png"
sleep 0.3
check_output HEADLESS-1 "$shots/base-1.png" "$work/again.png"
expect_moved HEADLESS-1
# wtype's keyboard lives while it waits, so orb has a keyboard to hear.
in_session wtype -s 1000 a
wait_orb 5 || fail "orb still runs after a key"
[ "$orb_status" = 0 ] || fail "exit status $orb_status after a key"
echo "ok: one output dimmed exactly outside a moving ball; a key ended orb with 0"

start_orb
check_output HEADLESS-1 "$shots/base-1.png" "$work/click.png"
in_session "$pointer" wait 300 click </dev/null >/dev/null
wait_orb 5 || fail "orb still runs after a click"
[ "$orb_status" = 0 ] || fail "exit status $orb_status after a click"

start_orb
check_output HEADLESS-1 "$shots/base-1.png" "$work/move.png"
in_session "$pointer" wait 300 move 1 0 wait 200 move 3 0 wait 300 </dev/null >/dev/null
kill -0 "$orb_pid" 2>/dev/null || fail "a pointer move of 3 pixels ended orb"
in_session "$pointer" wait 300 move 2 0 wait 300 </dev/null >/dev/null
wait_orb 5 || fail "orb still runs after the pointer moved 5 pixels"
[ "$orb_status" = 0 ] || fail "exit status $orb_status after a pointer move"
echo "ok: a click and a 5-pixel move ended orb with 0, a 3-pixel move did not"

# held_extent [ORB OPTION...]: orb held on its third tick, the ball still at its
# largest; prints the width of what it changed on HEADLESS-1.
held_extent() {
  rm -f "$work/balls-HEADLESS-1"
  start_orb -seed 5 -ticks 3 -hold "$@"
  check_output HEADLESS-1 "$shots/base-1.png" "$work/held.png" >"$work/held.log"
  kill -TERM "$orb_pid"
  wait_orb 5 || fail "a held orb still runs after SIGTERM"
  sed -n 's/.*within (\([0-9]*\), [0-9]*)-(\([0-9]*\), .*/\1 \2/p' "$work/held.log" |
    awk '{ print $2 - $1 + 1 }'
}
fine=$(held_extent)
classic=$(held_extent -classic)
# The fine ball's shadow reaches past the square the classic 128 ball fills.
[ "${fine:-0}" -gt 128 ] || fail "the ball by default changed only ${fine:-0} columns: not the fine ball"
[ "${classic:-999}" -le 128 ] || fail "-classic changed ${classic:-?} columns: not the classic ball"
echo "ok: the fine ball plays by default (${fine} columns with its shadow), -classic the classic (${classic})"

# ---- Two outputs ---------------------------------------------------------------
in_session swaymsg create_output >/dev/null || fail "swaymsg create_output"
in_session swaymsg output HEADLESS-2 resolution 640x480 position 800 0 >/dev/null ||
  fail "cannot place HEADLESS-2"
sleep 0.5
grab HEADLESS-1 "$shots/base-1.png"
grab HEADLESS-2 "$shots/base-2.png"
rm -f "$work"/balls-*
start_orb
check_output HEADLESS-1 "$shots/base-1.png" "$outdir/orb-wayland-1.png"
check_output HEADLESS-2 "$shots/base-2.png" "$outdir/orb-wayland-2.png"
sleep 0.3
check_output HEADLESS-1 "$shots/base-1.png" "$work/again.png"
check_output HEADLESS-2 "$shots/base-2.png" "$work/again.png"
expect_moved HEADLESS-1 HEADLESS-2
echo "ok: two outputs, each its own wallpaper dimmed exactly outside a moving ball of its own"
# (An output that goes away takes its process along and leaves the others;
# sway 1.7 cannot disable or unplug a headless output, so that is not shown
# here.)
[ "$(pgrep -c -f "^$work/bin/orb-wayland")" = 3 ] || fail "not one process per output and a parent"
kill -TERM "$orb_pid"
wait_orb 5 || fail "orb still runs 5 s after SIGTERM"
[ "$orb_status" = 0 ] || fail "exit status $orb_status after SIGTERM"
! pgrep -f "^$work/bin/orb-wayland" >/dev/null || fail "a process of orb outlived SIGTERM"
echo "ok: SIGTERM ended orb and its process for each output with 0"

# ---- swayidle, as in the README ---------------------------------------------------
"${as_user[@]}" "${session[@]}" WAYLAND_DISPLAY="$socket" SWAYSOCK="$ipc" \
  swayidle -w timeout 1 "$orb" >/dev/null 2>&1 &
idle_pid=$!
started=""
for _ in $(seq 50); do
  started=$(pgrep -f "^$work/bin/orb-wayland" | head -n1 || true)
  [ -n "$started" ] && break
  sleep 0.1
done
[ -n "$started" ] || fail "swayidle did not start orb after its timeout"
check_output HEADLESS-1 "$shots/base-1.png" "$work/idle.png"
kill "$idle_pid" 2>/dev/null || true
pkill -TERM -f "^$work/bin/orb-wayland" || true
for _ in $(seq 50); do pgrep -f "^$work/bin/orb-wayland" >/dev/null || break; sleep 0.1; done
echo "ok: swayidle started orb after its timeout"

# ---- Scale 1.5 beside each transform, and a killed orb -------------------------
# A whole logical size (1024x768) at 1.5, so every pixel of the desktop has
# one pixel of the saver above it.
in_session swaymsg output HEADLESS-1 resolution 1536x1152 scale 1.5 position 0 0 >/dev/null ||
  fail "cannot scale HEADLESS-1"
scale_HEADLESS_1=1.5
sleep 0.5
grab HEADLESS-1 "$shots/base-1.png"
turned=(180 270 flipped flipped-90 flipped-180 flipped-270 90)
for t in "${turned[@]}"; do
  in_session swaymsg output HEADLESS-2 position 1024 0 transform "$t" >/dev/null ||
    fail "cannot turn HEADLESS-2 to $t"
  sleep 0.5
  grab HEADLESS-2 "$shots/base-2.png"
  # Once under a launcher that leaves SIGCHLD ignored.
  if [ "$t" = flipped ]; then
    start_program python3 -c 'import os, signal, sys
signal.signal(signal.SIGCHLD, signal.SIG_IGN)
os.execv(sys.argv[1], sys.argv[1:])' "$orb"
  else
    start_orb
  fi
  [ "$t" != 90 ] || check_output HEADLESS-1 "$shots/base-1.png" "$outdir/orb-wayland-scale-1.5.png" 261
  check_output HEADLESS-2 "$shots/base-2.png" "$outdir/orb-wayland-transform-$t.png"
  [ "$t" = 90 ] && break
  if [ "$t" = flipped ]; then
    # One child dies as a crash would end it: orb ends the other and fails.
    kill -KILL "$(pgrep -P "$orb_pid" | head -n1)"
    wait_orb 5 || fail "orb still runs 5 s after a child died"
    [ "$orb_status" = 1 ] || fail "exit status $orb_status after a child died"
    ! pgrep -f "^$work/bin/orb-wayland" >/dev/null || fail "a process of orb outlived a dead child"
    continue
  fi
  kill -TERM "$orb_pid"
  wait_orb 5 || fail "orb still runs 5 s after SIGTERM"
  [ "$orb_status" = 0 ] || fail "exit status $orb_status after SIGTERM at transform $t"
done
echo "ok: scale 1.5 and transforms ${turned[*]} each show their desktop exactly outside the ball"
echo "ok: a dead child ended orb with 1 though SIGCHLD came ignored"

# The orb started last is still running, at transform 90: kill it outright.
kill -KILL "$orb_pid"
wait "$orb_pid" 2>/dev/null || true
left=""
for _ in $(seq 20); do
  sleep 0.1
  left=$(pgrep -f "^$work/bin/orb-wayland" || true)
  [ -z "$left" ] && break
done
[ -z "$left" ] || fail "2 s after SIGKILL these processes of orb are left: $left"
grab HEADLESS-1 "$shots/shot.png"
python3 "$here/compare_dimmed.py" "$shots/base-1.png" "$shots/shot.png" 100 0 >/dev/null ||
  fail "HEADLESS-1 does not show its desktop after SIGKILL"
grab HEADLESS-2 "$shots/shot.png"
python3 "$here/compare_dimmed.py" "$shots/base-2.png" "$shots/shot.png" 100 0 >/dev/null ||
  fail "HEADLESS-2 does not show its desktop after SIGKILL"
echo "ok: SIGKILL to orb took every process of it within 2 s and uncovered both outputs"

# ---- Hotplug, then a rescale, under AddressSanitizer -------------------------------
# Each output's events must find its record after another output came along.
asan_skipped=""
if [ ! -x "$asan_orb" ]; then
  asan_skipped="no sanitized orb-wayland at '$asan_orb' (make asan)"
else
  mkdir -p "$work/bin/asan"
  cp "$asan_orb" "$work/bin/asan/orb-wayland"
  chmod -R a+rx "$work/bin/asan"
  start_program env ASAN_OPTIONS=detect_leaks=0 "$work/bin/asan/orb-wayland"
  check_output HEADLESS-1 "$shots/base-1.png" "$work/asan.png" 261
  in_session swaymsg create_output >/dev/null || fail "swaymsg create_output under orb"
  sleep 0.5
  in_session swaymsg output HEADLESS-1 scale 2 >/dev/null || fail "cannot rescale HEADLESS-1"
  sleep 1
  kill -TERM "$orb_pid"
  wait_orb 10 || fail "the sanitized orb still runs 10 s after SIGTERM"
  ! grep -q AddressSanitizer "$work/orb.err" || fail "AddressSanitizer: $(grep -A3 ERROR "$work/orb.err")"
  [ "$orb_status" = 0 ] || fail "exit status $orb_status of the sanitized orb: $(cat "$work/orb.err")"
  echo "ok: an output plugged in and another rescaled under a sanitized orb: nothing reported, 0 on SIGTERM"
fi

# ---- The compositor goes away ----------------------------------------------------
start_orb
check_output HEADLESS-2 "$shots/base-2.png" "$work/last.png"
kill -TERM "$sway_pid"
wait_orb 5 || fail "orb still runs 5 s after the compositor ended"
[ "$orb_status" != 0 ] || fail "orb ended with 0, as for a touch, when the compositor went away"
! pgrep -f "^$work/bin/orb-wayland" >/dev/null || fail "a process of orb outlived the compositor"
echo "ok: the compositor ended and orb failed with $orb_status"
[ -z "$asan_skipped" ] || { echo "SKIP: $asan_skipped"; exit 77; }
