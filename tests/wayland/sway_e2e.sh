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
#
# The seat of a headless sway has no keyboard and no pointer, so its clients
# see no input at all: wtype brings a virtual keyboard, and orb_wayland_pointer
# (POINTER) a virtual pointer, for as long as each runs.
#
#   sway_e2e.sh ORB POINTER OUTDIR
# Exit 0 pass, 77 skipped (with the reason), anything else fails.
set -euo pipefail
. "$(dirname "$0")/../../scripts/test-user.sh"
orb=$1 pointer=$2 outdir=$3
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
# orb's own (a simple command, so the shell's child execs it).
start_orb() {
  "${as_user[@]}" "${session[@]}" WAYLAND_DISPLAY="$socket" SWAYSOCK="$ipc" "$orb" "$@" \
    >"$work/orb.out" 2>"$work/orb.err" &
  orb_pid=$!
}
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
# The square orb's ball may change: the frame of the fine 128 it plays by
# default, 1.5 times the ball's 116 pixels, with its shadow.
ball_frame=174
# check_output NAME BASE SHOT: the output shows BASE dimmed to 30 % and one
# ball; the ball's corner is appended to $work/balls-NAME. Retried while
# orb comes up.
check_output() {
  local name=$1 base=$2 shot=$3
  for _ in $(seq 30); do
    in_session grim -o "$name" "$shots/shot.png"
    if python3 "$here/compare_dimmed.py" "$base" "$shots/shot.png" 30 "$ball_frame" >"$work/compare.log"; then
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
in_session grim -o HEADLESS-1 "$shots/base-1.png"
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

# ---- Two outputs ---------------------------------------------------------------
in_session swaymsg create_output >/dev/null || fail "swaymsg create_output"
in_session swaymsg output HEADLESS-2 resolution 640x480 position 800 0 >/dev/null ||
  fail "cannot place HEADLESS-2"
sleep 0.5
in_session grim -o HEADLESS-1 "$shots/base-1.png"
in_session grim -o HEADLESS-2 "$shots/base-2.png"
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
echo "ok: swayidle started orb after its timeout"
