#!/usr/bin/env bash
# The Debian package under XScreenSaver's real daemon, on a private Xvfb:
# the package installed by dpkg into a scratch root, the daemon run by an
# unprivileged user (it refuses root) with orb --root as its only hack,
# activated by xscreensaver-command. Outside the ball the screen must be the
# desktop dimmed to exactly 30 %; deactivating must end orb, and removing
# the package must leave no file of it behind.
#
# With "monitors", the screen is cut into RandR monitors (which Xinerama
# then reports, so the daemon gives each a window and an orb of its own),
# one layout after another: side by side, stacked, and of different sizes
# away from the root's origin. Each monitor must show its own part of the
# desktop, dimmed exactly outside its own ball, and each ball must move.
#
#   xscreensaver_e2e.sh DEB PROBE CONTAINER OUTDIR [monitors]
# Exit 0 pass, 77 skipped, anything else fails.
set -euo pipefail
. "$(dirname "$0")/../../scripts/xvfb.sh"
. "$(dirname "$0")/../../scripts/test-user.sh"
. "$(dirname "$0")/scratch-package.sh"

deb=$1 probe=$2 container=$3 outdir=$4 layouts=${5:-one}
[ -f "$deb" ] || { echo "SKIP: no $deb (make dist)"; exit 77; }
command -v xscreensaver >/dev/null || { echo "SKIP: no xscreensaver"; exit 77; }
test_user=orb-saver-test

work=$(mktemp -d)
chmod 755 "$work"
xvfb_pid="" daemon_pid=""
# The daemon's own helpers (xscreensaver-gfx, -systemd) and their hacks go
# with it; any left over are ended by their ids.
stop_daemon() {
  local pids
  pids=$(ps -o pid= --ppid "$daemon_pid" 2>/dev/null || true)
  for p in $pids; do pids="$pids $(ps -o pid= --ppid "$p" 2>/dev/null || true)"; done
  run_as_user xscreensaver-command -exit >/dev/null 2>&1 || true
  sleep 0.5
  kill "$daemon_pid" $pids 2>/dev/null || true
  wait "$daemon_pid" 2>/dev/null || true
  daemon_pid=""
}
cleanup() {
  [ -z "$daemon_pid" ] || stop_daemon
  [ -z "$xvfb_pid" ] || { kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; } || true
  rm -rf "$work"
  forget_test_user
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  [ -f "$work/daemon.log" ] && tail -n 20 "$work/daemon.log" >&2
  exit 1
}

# The daemon refuses to run hacks as root: as root, run it as a dedicated
# unprivileged user (made here when missing), else as whoever we are.
become_test_user "$test_user" || fail "cannot create $test_user"
scratch_install "$deb"
orb=$work/root/usr/libexec/xscreensaver/orb
[ -x "$orb" ] || fail "the package has no executable usr/libexec/xscreensaver/orb"
# Every line but the last of a list ends in \n\ in this file's format.
cat >"$work/home/.xscreensaver" <<CONF
timeout: 0:30:00
lock: False
fade: False
unfade: False
splash: False
dpmsEnabled: False
mode: one
selected: 0
programs: $orb --root \n
CONF
[ "${#as_user[@]}" = 0 ] || chown -R "$test_user:" "$work/home"

start_daemon() {
  run_as_user xscreensaver -no-splash -verbose >"$work/daemon.log" 2>&1 &
  daemon_pid=$!
  for _ in $(seq 100); do
    run_as_user xscreensaver-command -version >/dev/null 2>&1 && break
    sleep 0.2
  done
}

# set_monitors WxH+X+Y ...: the monitors RandR reports from now on, the first
# on the screen's one output; their sizes in millimetres are those of 96 DPI.
set_monitors() {
  local name i=0 w h x y
  for name in $(xrandr --listmonitors | awk 'NR > 1 { gsub(/[+*]/, "", $2); print $2 }' | grep '^M' || true); do
    xrandr --delmonitor "$name" || fail "xrandr --delmonitor $name"
  done
  for m in "$@"; do
    IFS='x+' read -r w h x y <<<"$m"
    xrandr --setmonitor "M$i" "$w/$((w * 254 / 960))x$h/$((h * 254 / 960))+$x+$y" \
      "$([ $i = 0 ] && echo screen || echo none)" || fail "xrandr --setmonitor M$i $m"
    i=$((i + 1))
  done
  [ "$(xrandr --listmonitors | head -n1)" = "Monitors: $#" ] || fail "the server does not show $# monitors"
}

# check_balls OUT: the screen holds the dimmed desktop and one ball per
# monitor; OUT gets the probe's "ball K X Y" lines. Retried while the daemon
# and its hacks come up.
check_balls() {
  for _ in $(seq 20); do
    sleep 0.5
    if "$probe" check --pattern gradient --dim 30 --lib "$container" --ball-anywhere \
         "${regions[@]}" --png "$shot" >"$1" 2>"$work/check.log"; then
      cat "$work/check.log"
      return 0
    fi
  done
  fail "the screen is not the dimmed desktop and a ball on each monitor: $(cat "$work/check.log")"
}

# play_layout NAME [WxH+X+Y ...]: the daemon over the desktop on these
# monitors (none given: the whole screen, as RandR reports it by itself).
play_layout() {
  local name=$1 count
  shift
  regions=()
  for m in "$@"; do
    IFS='x+' read -r w h x y <<<"$m"
    regions+=(--region "$x" "$y" "$w" "$h")
  done
  count=$(( $# > 0 ? $# : 1 ))
  shot=$outdir/orb-xscreensaver.png
  [ $# = 0 ] || shot=$outdir/orb-xscreensaver-$name.png
  [ $# = 0 ] || set_monitors "$@"
  "$probe" paint gradient || fail "cannot paint the desktop"
  start_daemon
  run_as_user xscreensaver-command -activate >/dev/null || fail "the daemon did not answer -activate"
  local orb_pids=""
  for _ in $(seq 100); do
    orb_pids=$(pgrep -f "^$orb --root" || true)
    [ "$(echo "$orb_pids" | grep -c .)" = "$count" ] && break
    sleep 0.1
  done
  [ "$(echo "$orb_pids" | grep -c .)" = "$count" ] ||
    fail "$name: the daemon started $(echo "$orb_pids" | grep -c .) orb, not $count"
  # Installed in /usr/libexec/xscreensaver, orb is found by name alone: the
  # daemon puts that folder on the PATH its hacks run with.
  for pid in $orb_pids; do
    tr '\0' '\n' <"/proc/$pid/environ" | grep -qE '^PATH=(.*:)?/usr/libexec/xscreensaver(:|$)' ||
      fail "the daemon's hacks do not run with /usr/libexec/xscreensaver on their PATH"
  done
  check_balls "$work/balls1"
  check_balls "$work/balls2"
  while read -r _ k x y; do
    ! grep -qx "ball $k $x $y" "$work/balls2" || fail "$name: the ball on monitor $k does not move"
  done <"$work/balls1"
  # Each orb seeds its own ball: balls in step would sit at one place on
  # every monitor.
  local i=0 places=""
  for m in "$@"; do
    IFS='x+' read -r w h x y <<<"$m"
    read -r _ _ bx by < <(grep "^ball $i " "$work/balls1")
    places="$places$((bx - x)),$((by - y)) "
    i=$((i + 1))
  done
  [ $# -lt 2 ] || [ "$(tr ' ' '\n' <<<"$places" | sort -u | grep -c .)" -gt 1 ] ||
    fail "$name: the balls move in step, at $places on each monitor"

  run_as_user xscreensaver-command -deactivate >/dev/null || fail "the daemon did not answer -deactivate"
  for pid in $orb_pids; do
    wait_gone "$pid" 10 || fail "orb still runs 10 s after -deactivate"
  done
  stop_daemon
  echo "ok: $name: $count orb over the dimmed desktop, each ball moving (screenshot: $shot)"
}

mkdir -p "$outdir"
if [ "$layouts" = monitors ]; then
  start_private_xvfb "$work" 2048x1536x24 || fail "Xvfb did not start"
  play_layout side-by-side 1024x768+0+0 1024x768+1024+0
  play_layout stacked 1024x768+0+0 1024x768+0+768
  play_layout mixed-sizes 800x600+100+40 1280x720+760+760
else
  start_private_xvfb "$work" 800x600x24 || fail "Xvfb did not start"
  play_layout one
fi

scratch_dpkg -r orb
left=$(cd "$work/root" && find . -mindepth 1 -not -path './var' -not -path './var/lib' -not -path './var/lib/dpkg*')
[ -z "$left" ] || fail "removing the package left: $left"
echo "ok: XScreenSaver ran the installed orb over the dimmed desktop and ended it;" \
  "removing the package left nothing"
