#!/usr/bin/env bash
# The Debian package under MATE's real screen saver, on a private Xvfb whose
# desktop has a wallpaper, set as desktops set it. MATE covers the screen
# with its own window and saves no picture of the desktop, so orb shows the
# wallpaper: outside the ball the screen must be the wallpaper dimmed to
# exactly 30 %, and the ball must move; deactivating must end orb.
#
# The package goes into a scratch root. The daemon finds the package's own
# desktop entry through XDG_DATA_DIRS, but runs hacks only from the folders
# it knows, so a private mount namespace shows the scratch root's
# /usr/libexec/xscreensaver in the machine's one's place.
#
#   mate_e2e.sh DEB PROBE CONTAINER OUTDIR
# Exit 0 pass, 77 skipped, anything else fails.
set -euo pipefail
deb=$1 probe=$2 container=$3 outdir=$4
[ -f "$deb" ] || { echo "SKIP: no $deb (make dist)"; exit 77; }
command -v mate-screensaver >/dev/null || { echo "SKIP: no mate-screensaver"; exit 77; }
if [ -z "${ORB_MATE_NAMESPACE:-}" ]; then
  why=$(unshare --mount --propagation private true 2>&1) ||
    { echo "SKIP: cannot make a mount namespace of our own: $why"; exit 77; }
  ORB_MATE_NAMESPACE=1 exec unshare --mount --propagation private "$0" "$@"
fi
. "$(dirname "$0")/../../scripts/xvfb.sh"
. "$(dirname "$0")/../../scripts/test-user.sh"
. "$(dirname "$0")/scratch-package.sh"
test_user=orb-saver-test

work=$(mktemp -d)
chmod 755 "$work"
xvfb_pid="" daemon_pid="" bus_pid=""
cleanup() {
  [ -z "$daemon_pid" ] || { run_as_user mate-screensaver-command --exit >/dev/null 2>&1 || true; }
  for pid in $daemon_pid $bus_pid $xvfb_pid; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
  forget_test_user
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  [ -f "$work/daemon.log" ] && grep -v '^\s*$' "$work/daemon.log" | tail -n 20 >&2
  exit 1
}

become_test_user "$test_user" || fail "cannot create $test_user"
scratch_install "$deb"
mount --bind "$work/root/usr/libexec/xscreensaver" /usr/libexec/xscreensaver ||
  fail "cannot show the package's hacks folder in /usr/libexec/xscreensaver"
mkdir -p "$outdir" "$work/bus"
[ "${#as_user[@]}" = 0 ] || chown "$test_user:" "$work/bus"
start_private_xvfb "$work" 800x600x24 || fail "Xvfb did not start"
# The screen itself then shows black, as MATE's window does once it is drawn
# (orb may start before it is), so the picture can come only from the
# wallpaper.
"$probe" paint-wallpaper gradient && "$probe" paint solid:000000 || fail "cannot set the wallpaper"

# The daemon and its commands meet on a session bus; its settings live in a
# key file in the scratch home, so nothing of the machine's is read. No
# accessibility bus: it would outlive the daemon.
user_env=(DBUS_SESSION_BUS_ADDRESS="unix:path=$work/bus/socket" GSETTINGS_BACKEND=keyfile
          XDG_DATA_DIRS="$work/root/usr/share:/usr/share" XDG_CURRENT_DESKTOP=MATE NO_AT_BRIDGE=1)
start_as_user "$work/bus.log" dbus-daemon --session --nofork --nopidfile \
  --address="unix:path=$work/bus/socket"
bus_pid=$started_pid
for key in "mode single" "themes ['screensavers-orb']" "lock-enabled false" \
           "idle-activation-enabled false"; do
  for _ in $(seq 50); do
    run_as_user gsettings set org.mate.screensaver ${key%% *} "${key#* }" 2>/dev/null && break
    sleep 0.1
  done
done
[ "$(run_as_user gsettings get org.mate.screensaver themes)" = "['screensavers-orb']" ] ||
  fail "cannot choose orb in MATE's settings"
start_as_user "$work/daemon.log" mate-screensaver --no-daemon --debug
daemon_pid=$started_pid
for _ in $(seq 100); do
  run_as_user mate-screensaver-command --query >/dev/null 2>&1 && break
  sleep 0.1
done
run_as_user mate-screensaver-command --activate >/dev/null || fail "the daemon did not answer --activate"
orb_pid=""
for _ in $(seq 100); do
  orb_pid=$(pgrep -f '^/usr/libexec/xscreensaver/orb --root' || true)
  [ -n "$orb_pid" ] && break
  sleep 0.1
done
[ -n "$orb_pid" ] || fail "MATE's daemon did not start orb from its desktop entry"

shot=$outdir/orb-mate.png
check_ball() {
  for _ in $(seq 20); do
    sleep 0.5
    if "$probe" check --pattern gradient --dim 30 --lib "$container" --ball-anywhere \
         --region 0 0 800 600 --png "$shot" >"$1" 2>"$work/check.log"; then
      return 0
    fi
  done
  fail "the screen is not the wallpaper dimmed and a ball: $(cat "$work/check.log")"
}
check_ball "$work/ball1"
check_ball "$work/ball2"
cmp -s "$work/ball1" "$work/ball2" && fail "the ball does not move: $(cat "$work/ball1")"

run_as_user mate-screensaver-command --deactivate >/dev/null || fail "the daemon did not answer --deactivate"
wait_gone "$orb_pid" 10 || fail "orb still runs 10 s after --deactivate"
echo "ok: MATE's screen saver ran the installed orb from its desktop entry over the dimmed wallpaper," \
  "and ended it (screenshot: $shot)"
