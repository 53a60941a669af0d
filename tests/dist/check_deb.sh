#!/usr/bin/env bash
# Checks the Debian package: its file list and modes, its control fields
# (dependencies computed from the binaries, XScreenSaver recommended), no
# maintainer scripts or conffiles (so removing it leaves only what the user
# made), lintian without errors or warnings, programs hardened (checked
# memory calls, symbols bound at load), and SHA256SUMS beside it.
#
#   check_deb.sh DIST_DIR VERSION
set -uo pipefail
dist=$1 version=$2
deb=$dist/orb_${version}_amd64.deb
[ -f "$deb" ] || { echo "skipped: no $deb (make dist)"; exit 77; }
status=0
fail() {
  echo "FAIL: $*"
  status=1
}

expected="lrwxrwxrwx root/root ./usr/bin/orb
-rwxr-xr-x root/root ./usr/bin/orbtool
-rw-r--r-- root/root ./usr/share/doc/orb/changelog.gz
-rw-r--r-- root/root ./usr/share/doc/orb/copyright
-rw-r--r-- root/root ./usr/share/man/man1/orbtool.1.gz
-rw-r--r-- root/root ./usr/share/man/man6/orb.6.gz
-rwxr-xr-x root/root ./usr/libexec/xscreensaver/orb
-rwxr-xr-x root/root ./usr/libexec/xscreensaver/orb-wayland
-rw-r--r-- root/root ./usr/share/xscreensaver/config/orb.xml
-rw-r--r-- root/root ./usr/share/applications/screensavers/orb.desktop"
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $1, $2, $6}' | sort)
[ "$files" = "$(sort <<<"$expected")" ] || fail "file list:"$'\n'"$files"
# orb on the PATH is the hack itself.
dpkg-deb -c "$deb" | grep ' \./usr/bin/orb -> \.\./libexec/xscreensaver/orb$' >/dev/null ||
  fail "/usr/bin/orb does not lead to ../libexec/xscreensaver/orb"
dirs=$(dpkg-deb -c "$deb" | awk '$1 ~ /^d/ && $1 != "drwxr-xr-x" {print $1, $6}')
[ -z "$dirs" ] || fail "directories not 0755: $dirs"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = orb ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = amd64 ] || fail "Architecture: $(field Architecture)"
[ "$(field Section)" = x11 ] || fail "Section: $(field Section)"
[ "$(field Recommends)" = xscreensaver ] || fail "Recommends: $(field Recommends)"
# Computed from the binaries: every library they link, libc with a version.
depends=$(field Depends)
names=$(sed 's/ *([^)]*)//g; s/, */\n/g' <<<"$depends" | sort | tr '\n' ' ')
for lib in libc6 libpng16-16 libstdc++6 libx11-6 libxext6 libxrandr2 libwayland-client0; do
  grep -qF " $lib " <<<" $names" || fail "Depends lacks $lib: $depends"
done
grep -qE '(^|, )libc6 \(>= [0-9.]+\)' <<<"$depends" || fail "libc6 has no version: $depends"
[ "$(field Description | wc -l)" -ge 5 ] || fail "no long description"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"

members=$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | sed 's|^\./||' | grep -v '^$' | sort | tr '\n' ' ')
[ "$members" = "control md5sums " ] || fail "control members: $members"

# MATE's screen saver lists orb from its desktop entry, which must name the
# installed hack.
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
entry=$(cat "$unpacked/usr/share/applications/screensavers/orb.desktop")
validate_out=$(desktop-file-validate "$unpacked/usr/share/applications/screensavers/orb.desktop" 2>&1) ||
  fail "desktop-file-validate: $validate_out"
grep -qx 'Exec=/usr/libexec/xscreensaver/orb --root' <<<"$entry" || fail "the desktop entry runs: $(grep '^Exec' <<<"$entry")"
grep -qx 'Categories=Screensaver;' <<<"$entry" || fail "the desktop entry is not in the Screensaver category"

lintian_out=$(lintian --fail-on error,warning -I "$deb" 2>&1 | grep -v "running with root privileges"; exit "${PIPESTATUS[0]}") || fail "lintian:"$'\n'"$lintian_out"
[ -z "$lintian_out" ] || echo "$lintian_out"
# Its programs are hardened as Debian's own are: lintian would say which not.
! grep -q "hardening-" <<<"$lintian_out" || fail "the programs are not hardened"

(cd "$dist" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match"
[ "$(wc -l <"$dist/SHA256SUMS")" = 2 ] || fail "SHA256SUMS should list the zip and the package"

[ $status -eq 0 ] && echo "ok: $deb (Depends: $depends)"
exit $status
