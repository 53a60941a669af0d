# Sourced by every script that runs Wine or asks whether 32-bit x86 code runs.
#
# Debian's `wine` wrapper picks the 32-bit loader whenever wine32 is
# installed, and on a kernel without 32-bit emulation that loader cannot
# start at all. So nothing here goes through the wrapper: the 64-bit saver
# runs under the 64-bit loader, named outright.
#
#   find_wine    sets WINE64 (the 64-bit loader) and exports WINESERVER (its
#                server) and WINELOADER (which Wine starts its own child
#                processes with; it swaps in the 32-bit loader by name for a
#                32-bit program); returns 1, with the reason in wine_reason, when
#                either is missing
#   runs_i386    returns 0 when this machine starts a 32-bit x86 program;
#                otherwise 1, with the reason in i386_reason

find_wine() {
  local dir
  WINE64="" WINESERVER=""
  for dir in /usr/lib/wine /usr/lib64/wine /opt/wine-stable/bin; do
    [ -x "$dir/wine64" ] && { WINE64=$dir/wine64; break; }
  done
  [ -n "$WINE64" ] || WINE64=$(command -v wine64 || true)
  [ -n "$WINE64" ] || { wine_reason="no 64-bit Wine loader (Debian: wine64)"; return 1; }
  dir=$(dirname "$WINE64")
  for WINESERVER in "$dir/wineserver64" "$dir/wineserver" "$(command -v wineserver || true)"; do
    [ -x "$WINESERVER" ] && break
  done
  [ -x "$WINESERVER" ] || { wine_reason="no wineserver beside $WINE64"; return 1; }
  WINELOADER=$WINE64
  export WINESERVER WINELOADER
}

# The smallest i386 Linux program: one ELF header, one segment, and
# exit(0) through int 0x80. Running it is the only sure test: a kernel built
# without 32-bit emulation, or booted with it off, refuses it with "Exec
# format error", whatever the architecture lists and version strings say.
runs_i386() {
  local dir status
  dir=$(mktemp -d) || { i386_reason="no temporary folder to try a 32-bit program in"; return 1; }
  printf '%b' \
    '\x7fELF\x01\x01\x01\0\0\0\0\0\0\0\0\0' \
    '\x02\0\x03\0\x01\0\0\0\x54\x80\x04\x08\x34\0\0\0\0\0\0\0\0\0\0\0\x34\0\x20\0\x01\0\0\0\0\0\0\0' \
    '\x01\0\0\0\0\0\0\0\0\x80\x04\x08\0\x80\x04\x08\x5d\0\0\0\x5d\0\0\0\x05\0\0\0\0\x10\0\0' \
    '\xb8\x01\0\0\0\x31\xdb\xcd\x80' > "$dir/probe"
  chmod +x "$dir/probe"
  i386_reason=$("$dir/probe" 2>&1)
  status=$?
  rm -rf "$dir"
  [ $status -eq 0 ] && return 0
  i386_reason="this machine cannot run 32-bit x86 programs (a minimal i386 program: ${i386_reason##*: })"
  return 1
}

# pe_is_i386 FILE: true when FILE is a Windows program for 32-bit x86 (its
# COFF header's machine is 0x14c), which only the 32-bit loader can start.
pe_is_i386() {
  local head machine
  head=$(od -An -tu4 -j60 -N4 "$1" 2> /dev/null | tr -d ' ')
  [ -n "$head" ] || return 1
  machine=$(od -An -tx2 -j$((head + 4)) -N2 "$1" 2> /dev/null | tr -d ' ')
  [ "$machine" = 014c ]
}
