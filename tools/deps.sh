#!/bin/sh
# SPDX-License-Identifier: MIT
# Installs the Debian packages that are missing: `deps.sh play` those that building and playing
# need, `deps.sh` (or `deps.sh all`) those that testing and packaging need too.
set -eu

play="build-essential cmake ninja-build pkg-config
  libsdl2-dev libx11-dev libfreetype-dev libfontconfig-dev fonts-ipafont-gothic"
test="libgtest-dev libbenchmark-dev libpng-dev zlib1g-dev clang-format fonts-ipafont-mincho fonts-dejavu-core
  xvfb xauth x11-utils x11-xkb-utils xdotool libx11-dev libxext-dev libxtst-dev openbox
  clang libclang-rt-14-dev desktop-file-utils appstream groff-base lintian"

# The other targets: the core for Windows, run under Wine, and for the browser, run under Node;
# the browser's page tested in Chromium, driven by puppeteer-core from npm; the Windows
# installer, its signatures (osslsigncode, with a certificate the tests make with openssl), and
# the window captured from Xvfb (xwd) for the Win32 window's tests.
cross="g++-mingw-w64-x86-64-posix emscripten nodejs chromium wine wine64 nsis osslsigncode openssl
  zip x11-apps"

case "${1:-all}" in
  play) packages=$play ;;
  all) packages="$play $test $cross" ;;
  *) echo "usage: tools/deps.sh [play|all]" >&2; exit 2 ;;
esac

missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
  echo "Missing Debian packages:$missing" >&2
  echo "Install them as root (sudo sh tools/deps.sh ${1:-all}), then run this again." >&2
  exit 1
fi
echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
# shellcheck disable=SC2086
apt-get install -y -q --no-install-recommends $missing
