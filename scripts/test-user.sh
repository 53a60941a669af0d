# Sourced by the end-to-end cases whose programs refuse to run as root
# (XScreenSaver's daemon, sway).
#
#   become_test_user NAME   as root: sets as_user to the command prefix that
#                           runs a program as the unprivileged user NAME,
#                           made here when missing; otherwise as_user is
#                           empty (the programs run as whoever we are).
#                           Returns 1 when the user cannot be made.
#   forget_test_user        removes the user again if this run made it; one
#                           that was there before stays
become_test_user() {
  test_user=$1
  as_user=()
  made_user=0
  [ "$(id -u)" = 0 ] || return 0
  if ! id "$test_user" >/dev/null 2>&1; then
    useradd --system --no-create-home --shell /usr/sbin/nologin "$test_user" || return 1
    made_user=1
  fi
  as_user=(setpriv --reuid="$test_user" --regid="$test_user" --clear-groups --)
}

forget_test_user() {
  [ "${made_user:-0}" = 0 ] || userdel "$test_user" 2>/dev/null || echo "note: cannot remove $test_user" >&2
}
