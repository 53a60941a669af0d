# Sourced by the scripts that need a private X server.
#
#   start_private_xvfb WORKDIR GEOMETRY
#
# starts Xvfb on a free display (it picks one and writes it to a pipe we
# read), exports DISPLAY and sets xvfb_pid for the caller's cleanup. -noreset
# keeps the root picture when the last client leaves.
start_private_xvfb() {
  local work=$1 geometry=$2
  exec 3>"$work/display"
  Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 "$geometry" >"$work/xvfb.log" 2>&1 </dev/null &
  xvfb_pid=$!
  exec 3>&-
  for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.05
  done
  [ -s "$work/display" ] || { cat "$work/xvfb.log" >&2; return 1; }
  export DISPLAY=:$(head -n1 "$work/display" | tr -d '\n')
}

#   build_x11_programs BUILD
#
# configures BUILD and builds orb and the X11 test probe in it, and sets orb
# and probe to their paths, for the scripts that show or measure orb.
build_x11_programs() {
  cmake -S . -B "$1" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORB_TESTS=ON >/dev/null
  cmake --build "$1" --target orb orb_x11_probe -j "${JOBS:-2}" >/dev/null
  orb=$1/x11/orb
  probe=$1/tests/orb_x11_probe
}
