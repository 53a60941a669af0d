#!/usr/bin/env bash
# Static checks of a built orb.scr: a GUI executable that needs nothing but
# system DLLs at run time (no MinGW runtime DLL beside it) and exports the two
# entry points by their plain names.
#
#   check_pe.sh OBJDUMP ORB.SCR
set -uo pipefail
objdump=$1 scr=$2
command -v "$objdump" > /dev/null || { echo "skipped: no $objdump"; exit 77; }
[ -f "$scr" ] || { echo "skipped: no $scr"; exit 77; }
dump=$("$objdump" -p "$scr") || exit 1
status=0
grep -q 'Subsystem.*(Windows GUI)' <<< "$dump" || { echo "not a GUI-subsystem executable"; status=1; }
system='^(ADVAPI32|COMCTL32|GDI32|KERNEL32|msvcrt|USER32)\.dll$'
while read -r dll; do
  grep -qiE "$system" <<< "$dll" || { echo "needs $dll at run time"; status=1; }
done < <(sed -n 's/^\s*DLL Name: //p' <<< "$dump")
for name in ScreenSaverProc ScreenSaverConfigureDialog; do
  grep -qE "^\s*\[ *[0-9]+\] $name\$" <<< "$dump" || { echo "$name is not exported by that name"; status=1; }
done
[ $status -eq 0 ] && echo "$scr: GUI, system DLLs only, both entry points exported"
exit $status
