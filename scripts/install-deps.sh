#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is
# missing. Safe to run again: it does nothing on a machine that has them all.
set -euo pipefail
. "$(dirname "$0")/wine-loader.sh"

packages=(
  cmake make g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev libpng-dev
  libx11-dev libxext-dev libxrandr-dev libwayland-dev libwayland-bin wayland-protocols
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64
  wine wine64 fonts-wine
  xvfb x11-utils x11-xserver-utils xdotool imagemagick
  clang libclang-rt-14-dev valgrind
  xscreensaver-data
  zip unzip file dpkg-dev lintian python3 xscreensaver
  sway swaybg swayidle grim wtype
  mate-screensaver dbus-daemon libglib2.0-bin desktop-file-utils
)

# 32-bit Wine runs the i686 build of the saver, where this machine runs
# 32-bit programs at all; elsewhere it could not start, and those cases skip.
runs_i386 && packages+=(wine32:i386)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if [[ " ${missing[*]} " == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
