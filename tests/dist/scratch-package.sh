# Sourced by the end-to-end cases that run the Debian package under a real
# saver daemon, as an unprivileged user (the daemons refuse root or need a
# user of their own).
#
#   scratch_install DEB     dpkg installs DEB into $work/root, with a database
#                           of its own there; the libraries it depends on are
#                           the machine's, which that database does not know
#   scratch_dpkg ARGS...    dpkg on that root (-r orb removes it again)
#   run_as_user CMD...      CMD as $test_user (see test-user.sh) with a clean
#                           environment: HOME=$work/home, DISPLAY, a plain
#                           PATH, and each of $user_env (NAME=VALUE words)
#   start_as_user LOG CMD...  the same in the background, output in LOG; its
#                           pid (CMD's own) in started_pid
#   wait_gone PID SECONDS   1 when PID still runs after SECONDS
#
# The caller sets work and test_user, and defines fail.
user_env=()

scratch_dpkg() {
  dpkg --root="$work/root" --force-depends --force-not-root --force-script-chrootless "$@" \
    >>"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log" >&2; fail "dpkg $*"; }
}

scratch_install() {
  mkdir -p "$work/root/var/lib/dpkg/info" "$work/root/var/lib/dpkg/updates" "$work/home"
  touch "$work/root/var/lib/dpkg/status"
  scratch_dpkg -i "$1"
  [ "${#as_user[@]}" = 0 ] || chown -R "$test_user:" "$work/home"
}

run_as_user() {
  "${as_user[@]}" env -i HOME="$work/home" DISPLAY="$DISPLAY" PATH=/usr/bin:/bin \
    USER="$test_user" LOGNAME="$test_user" "${user_env[@]}" "$@"
}

start_as_user() {
  local log=$1
  shift
  "${as_user[@]}" env -i HOME="$work/home" DISPLAY="$DISPLAY" PATH=/usr/bin:/bin \
    USER="$test_user" LOGNAME="$test_user" "${user_env[@]}" "$@" >"$log" 2>&1 &
  started_pid=$!
}

wait_gone() {
  for _ in $(seq $(($2 * 10))); do
    kill -0 "$1" 2>/dev/null || return 0
    sleep 0.1
  done
  ! kill -0 "$1" 2>/dev/null
}
