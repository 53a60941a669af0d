#!/usr/bin/env bash
# CPU share of `orb -root` on a 1920x1080 Xvfb over 10 s, next to XScreenSaver's
# `distort --bounce --number 1` (Debian xscreensaver-data) measured the same way in the
# same run (`make bench-x11`). Not part of `make test`: it takes 2 to 3 minutes and its
# figures depend on the machine. ORB_BENCH_SCREEN picks another screen size,
# and ORB_BENCH_SIDES measures orb with each of those ball sizes (-size)
# rather than the one it chooses (`make bench-x11-4k`: 3840x2160, the 128
# and the 256). It also gives the time from orb's start to its first frame
# on the screen, the median of five starts.
#
# Share = (user + system time) / wall time of the program, children included
# (distort forks xscreensaver-getimage to grab the desktop). The X server's
# own share over the same window is shown beside it, since putting pixels on
# the screen costs the server too.
#
# The two take turns for ORB_BENCH_ROUNDS rounds and the medians are
# compared: on a shared machine one 10 s window can be off by half.
#
#   ORB_BUILD_DIR (build)   ORB_BENCH_SECONDS (10)   ORB_BENCH_ROUNDS (3)
#   ORB_BENCH_LIB (the built-in animation)   ORB_BENCH_SCREEN (1920x1080)
#   ORB_BENCH_SIDES (none: orb's own choice)
#   ORB_BENCH_RADIUS (none: distort's own lens, about 64 px): distort's lens
#     radius, to compare at orb's ball size (58 for the 128, 116 for the 256)
set -euo pipefail
. "$(dirname "$0")/../scripts/xvfb.sh"
cd "$(dirname "$0")/.."

build=${ORB_BUILD_DIR:-build}
seconds=${ORB_BENCH_SECONDS:-10}
rounds=${ORB_BENCH_ROUNDS:-3}
distort=${ORB_BENCH_PEER:-/usr/libexec/xscreensaver/distort}
screen=${ORB_BENCH_SCREEN:-1920x1080}
sides=${ORB_BENCH_SIDES:-}
lib_args=()
peer_args=(--root --bounce --number 1)
[ -n "${ORB_BENCH_RADIUS:-}" ] && peer_args+=(--radius "$ORB_BENCH_RADIUS")
[ -n "${ORB_BENCH_LIB:-}" ] && lib_args=(-lib "$ORB_BENCH_LIB")

[ -x "$distort" ] || { echo "missing $distort (Debian package xscreensaver-data)" >&2; exit 1; }
build_x11_programs "$build"

work=$(mktemp -d)
xvfb_pid=""
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

start_private_xvfb "$work" "${screen}x24" || exit 1
unset XSCREENSAVER_WINDOW WAYLAND_DISPLAY
# distort reads its image-grabbing preferences from ~/.xscreensaver; give it
# the defaults (grab the desktop) rather than whatever the user has.
export HOME=$work/home
mkdir -p "$HOME"
printf 'grabDesktopImages: True\nchooseRandomImages: False\ngrabVideoFrames: False\n' \
  >"$HOME/.xscreensaver"

hz=$(getconf CLK_TCK)
server_ticks() { awk '{ print $14 + $15 }' "/proc/$xvfb_pid/stat"; }

# run_for SECONDS COMMAND...: runs COMMAND for SECONDS on a fresh desktop;
# sets cpu (user + system seconds, children included), server (the X
# server's CPU seconds meanwhile) and wall.
run_for() {
  local limit=$1
  shift
  "$probe" paint gradient
  local before after user sys
  before=$(server_ticks)
  # bash's own timing: getrusage of the children, to the millisecond
  local TIMEFORMAT='%3U %3S %3R'
  { time timeout -s TERM "$limit" "$@" >/dev/null 2>"$work/stderr"; } 2>"$work/time" || true
  after=$(server_ticks)
  read -r user sys wall <"$work/time"
  cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')
  server=$(awk -v t=$((after - before)) -v hz="$hz" 'BEGIN { print t / hz }')
}

# measure KEY NAME COMMAND...: the share of a window of $seconds s, start-up
# included, and the steady share once running: what a run of $seconds costs
# beyond a run of 2 s, over the extra time (start-up, which grabs and
# converts the whole screen, weighs much at 3840x2160). Appends both to
# $work/KEY.shares and $work/KEY.steady.
measure() {
  local key=$1 name=$2
  shift 2
  run_for 2 "$@"
  local shortCpu=$cpu shortServer=$server shortWall=$wall
  run_for "$seconds" "$@"
  local share steady serverShare serverSteady
  share=$(awk -v c="$cpu" -v w="$wall" 'BEGIN { printf "%.2f", 100 * c / w }')
  serverShare=$(awk -v c="$server" -v w="$wall" 'BEGIN { printf "%.2f", 100 * c / w }')
  steady=$(awk -v a="$cpu" -v b="$shortCpu" -v w="$wall" -v v="$shortWall" \
    'BEGIN { printf "%.2f", 100 * (a - b) / (w - v) }')
  serverSteady=$(awk -v a="$server" -v b="$shortServer" -v w="$wall" -v v="$shortWall" \
    'BEGIN { printf "%.2f", 100 * (a - b) / (w - v) }')
  printf '%-28s CPU %5s %% (steady %5s %%)   X server %5s %% (steady %5s %%)\n' \
    "$name" "$share" "$steady" "$serverShare" "$serverSteady"
  echo "$share" >>"$work/$key.shares"
  awk -v a="$steady" -v b="$serverSteady" 'BEGIN { print a + b }' >>"$work/$key.steady"
}

median() { sort -n "$1" | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# first_frame_ms ORB OPTION...: from orb's start until its first frame is on
# the screen (-ticks 1 -hold says so once the server has it).
first_frame_ms() {
  "$probe" paint gradient
  local start end line
  start=$(date +%s%N)
  coproc held { exec "$@" -root -ticks 1 -hold; }
  read -r line <&"${held[0]}"
  end=$(date +%s%N)
  kill "$held_PID" 2>/dev/null
  wait "$held_PID" 2>/dev/null || true
  echo $(((end - start) / 1000000))
}

orbs=("orb -root")
for side in $sides; do orbs+=("orb -root -size $side"); done
[ -z "$sides" ] || orbs=("${orbs[@]:1}")
for name in "${orbs[@]}"; do
  for _ in 1 2 3 4 5; do first_frame_ms "$orb" ${name#orb -root} "${lib_args[@]}"; done >"$work/first"
  echo "$name: first frame on the screen $(median "$work/first") ms after the start (median of 5)"
done

echo "CPU share over ${seconds} s on Xvfb ${screen}x24 ($(nproc) cores, $(uname -m)):"
for _ in $(seq "$rounds"); do
  for name in "${orbs[@]}"; do
    # shellcheck disable=SC2086
    measure "orb${name#orb -root}" "$name" "$orb" -root ${name#orb -root} "${lib_args[@]}"
  done
  # One bouncing lens, like orb's one ball. distort 6.06 --bounce with the
  # default --number 0 ("pick for me") dies of SIGFPE at once, so say 1.
  measure distort "distort ${peer_args[*]:1}" "$distort" "${peer_args[@]}"
  # distort's default is 50 frames a second, orb's 100: the same rate, for
  # the cost per frame.
  measure distort100 "distort ... --delay 10000" "$distort" "${peer_args[@]}" --delay 10000
done
peer_share=$(median "$work/distort.shares")
fast_share=$(median "$work/distort100.shares")
fast_steady=$(median "$work/distort100.steady")
echo "median of $rounds: distort $peer_share % (at 100 frames/s: $fast_share %) of one core"
echo "steady, X server included: distort at 100 frames/s $fast_steady %"
for name in "${orbs[@]}"; do
  orb_share=$(median "$work/orb${name#orb -root}.shares")
  orb_steady=$(median "$work/orb${name#orb -root}.steady")
  echo "steady, X server included: $name $orb_steady %"
  awk -v n="$name" -v a="$orb_share" -v b="$peer_share" -v c="$fast_share" 'BEGIN {
    printf "median of %s: %s %% of one core", n, a
    if (b > 0 && c > 0) printf "; ratio to distort %.2f, to distort at 100 frames/s %.2f", a / b, a / c
    printf "\n" }'
done
