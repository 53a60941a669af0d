#!/usr/bin/env bash
# Static checks of a built orb.scr: a large-address-aware GUI executable for
# OBJDUMP's processor that needs nothing but system DLLs at run time (no MinGW
# runtime DLL beside it), imports the ANSI dialog call that the 95/98 family
# needs, exports the two entry points by their plain names, and carries its
# resources: the dialog, the display name, the version, the manifest and the
# built-in container, byte for byte the size of CONTAINER. They need no
# running, so they hold on machines that cannot start the 32-bit saver.
#
#   check_pe.sh OBJDUMP ORB.SCR CONTAINER
set -uo pipefail
objdump=$1 scr=$2 container=$3
command -v "$objdump" > /dev/null || { echo "skipped: no $objdump"; exit 77; }
[ -f "$scr" ] || { echo "skipped: no $scr"; exit 77; }
dump=$("$objdump" -p "$scr") || exit 1
status=0
grep -q 'Subsystem.*(Windows GUI)' <<< "$dump" || { echo "not a GUI-subsystem executable"; status=1; }
# A 32-bit saver needs the flag to take more than 2 GB for the picture of a
# very large virtual screen; a 64-bit one has it by default.
grep -q 'large address aware' <<< "$dump" || { echo "not large-address aware"; status=1; }
grep -qE '^\s+[0-9a-f]+\s+[0-9]+\s+DialogBoxParamA$' <<< "$dump" ||
  { echo "no DialogBoxParamA import: the 95/98 family would get no dialog"; status=1; }
system='^(ADVAPI32|COMCTL32|GDI32|KERNEL32|msvcrt|USER32)\.dll$'
while read -r dll; do
  grep -qiE "$system" <<< "$dll" || { echo "needs $dll at run time"; status=1; }
done < <(sed -n 's/^\s*DLL Name: //p' <<< "$dump")
for name in ScreenSaverProc ScreenSaverConfigureDialog; do
  grep -qE "^\s*\[ *[0-9]+\] $name\$" <<< "$dump" || { echo "$name is not exported by that name"; status=1; }
done
# The resource tree as objdump prints it: a type's entry is indented three
# spaces, its names' five; a leaf line gives the data's size.
resources=$(awk '/^[0-9a-f]+   Entry: ID:/ { type = $4; sub(/,$/, "", type) }
                 /^[0-9a-f]+     Entry: ID:/ { name = $4; sub(/,$/, "", name) }
                 /^[0-9a-f]+        Leaf:/ { sub(/,$/, "", $6); print type, name, $6 }' <<< "$dump" |
  while read -r type name size; do echo "$((type))/$((name)) $((size))"; done)
# RT_DIALOG 2003, RT_STRING block 1, RT_VERSION 1, RT_MANIFEST 1.
for wanted in 5/2003 6/1 16/1 24/1; do
  grep -q "^$wanted " <<< "$resources" || { echo "no resource $wanted (type/id)"; status=1; }
done
rcdata=$(sed -n 's|^10/250 ||p' <<< "$resources")
if [ "$rcdata" != "$(stat -c %s "$container")" ]; then
  echo "RCDATA 250 holds ${rcdata:-nothing}, not the $(stat -c %s "$container") bytes of $container"
  status=1
fi
[ $status -eq 0 ] && echo "$scr: GUI, large-address aware, system DLLs only, both entry points exported, resources in place"
exit $status
