#!/usr/bin/env bash
# Writes the release files into OUTDIR: the Debian package (CPack over the
# native build's install rules), the Windows zip (the two cross-built
# savers, README.txt and LICENSE.txt with Windows line ends) and SHA256SUMS.
#
#   dist.sh NATIVE_BUILD SOURCE WIN64_BUILD WIN32_BUILD OUTDIR VERSION
set -euo pipefail
build=$1 source=$2 win64=$3 win32=$4 outdir=$5 version=$6

fail() {
  echo "dist: $*" >&2
  exit 1
}

scr64=$win64/host/orb.scr
scr32=$win32/host/orb.scr
for scr in "$scr64" "$scr32"; do
  [ -f "$scr" ] || fail "no $scr: build it first (make win64 win32)"
done
command -v zip >/dev/null || fail "zip is missing (scripts/install-deps.sh)"

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$outdir"

deb=orb_${version}_amd64.deb
zipname=orb-${version}-windows.zip
rm -f "$outdir/$deb" "$outdir/$zipname" "$outdir/SHA256SUMS"

# CPack's DEB generator; its file name follows Debian's name_version_arch.
(cd "$build" && cpack -G DEB -B "$stage/cpack" >"$stage/cpack.log") ||
  { cat "$stage/cpack.log" >&2; fail "cpack failed"; }
[ -f "$stage/cpack/$deb" ] || fail "cpack did not write $deb: $(ls "$stage/cpack")"
cp "$stage/cpack/$deb" "$outdir/$deb"

# The Windows zip. Notepad wants CRLF line ends.
to_crlf() { sed 's/\r*$/\r/' "$1" >"$2"; }
mkdir -p "$stage/zip/x86"
cp "$scr64" "$stage/zip/orb.scr"
cp "$scr32" "$stage/zip/x86/orb.scr"
to_crlf "$build/packaging/windows-readme.txt" "$stage/zip/README.txt"
to_crlf "$source/LICENSE" "$stage/zip/LICENSE.txt"
(cd "$stage/zip" && zip -q -X -r "$outdir/$zipname" orb.scr x86/orb.scr README.txt LICENSE.txt)

(cd "$outdir" && sha256sum "$deb" "$zipname" >SHA256SUMS)
echo "dist: wrote $outdir/$deb, $outdir/$zipname and $outdir/SHA256SUMS"
