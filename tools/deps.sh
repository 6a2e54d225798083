#!/bin/sh
# SPDX-License-Identifier: MIT
# Installs the Debian packages that are missing: `deps.sh play` those that building and playing
# need, `deps.sh` (or `deps.sh all`) those that testing and packaging need too, `deps.sh ci` what
# .ci/run needs on the machine that makes its Debian 12 root.
#
# A word COMMAND=PACKAGE is a command that the scripts or tests call, and the Debian package that
# brings it; the command counts, not the package. A command already on the PATH is left alone,
# whatever brought it: a Node that bundles its own npm needs no Debian npm, which could not even
# be installed beside it. A command that is missing is installed, even when the package of a
# neighbouring command is there (Debian's nodejs brings node without npm). A word without `=` is
# a library, header or font, and its package counts.
set -eu

play="build-essential cmake=cmake ninja=ninja-build pkg-config=pkg-config
  libsdl2-dev libx11-dev libfreetype-dev libfontconfig-dev fonts-ipafont-gothic"
# The tests: the sanitizer build's compiler and runtimes, the format check, the X11 tests' server,
# window manager and keyboard layouts, the package's checks, the commit dates of the package.
test="libgtest-dev libbenchmark-dev libpng-dev zlib1g-dev fonts-ipafont-mincho fonts-dejavu-core
  libx11-dev libxext-dev libxtst-dev libclang-rt-14-dev
  clang++=clang clang-format=clang-format Xvfb=xvfb xauth=xauth xdotool=xdotool
  xwininfo=x11-utils setxkbmap=x11-xkb-utils openbox=openbox
  desktop-file-validate=desktop-file-utils appstreamcli=appstream groff=groff-base
  lintian=lintian git=git
  libpqxx-dev libcpp-httplib-dev nlohmann-json3-dev postgresql"
# The other targets: the core for Windows, run under Wine, and for the browser, run under Node;
# the browser's page tested in Chromium, driven by puppeteer-core from npm and served by Python;
# the Windows installer, its signatures (osslsigncode, with a certificate the tests make with
# openssl), and the window captured from Xvfb (xwd) for the Win32 window's tests.
cross="x86_64-w64-mingw32-g++-posix=g++-mingw-w64-x86-64-posix emcc=emscripten node=nodejs
  npm=npm python3=python3 chromium=chromium wine=wine wineserver=wine winepath=wine wine64
  makensis=nsis osslsigncode=osslsigncode openssl=openssl zip=zip xwd=x11-apps"
ci="debootstrap=debootstrap"

case "${1:-all}" in
  play) needs=$play ;;
  all) needs="$play $test $cross" ;;
  ci) needs=$ci ;;
  *) echo "usage: tools/deps.sh [play|all|ci]" >&2; exit 2 ;;
esac

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
missing=""
for need in $needs; do
  case $need in
    *=*) command -v "${need%%=*}" >/dev/null 2>&1 && continue; package=${need#*=} ;;
    *) package=$need ;;
  esac
  installed "$package" || case " $missing " in *" $package "*) ;; *) missing="$missing $package" ;; esac
done

if [ -n "$missing" ]; then
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
fi

# Every command must now be there: a package that is installed without the command the scripts
# call (a Node from elsewhere that lacks npm) stops here rather than halfway through the tests.
status=0
for need in $needs; do
  case $need in
    *=*)
      if ! command -v "${need%%=*}" >/dev/null 2>&1; then
        echo "tools/deps.sh: no command ${need%%=*} on the PATH, though Debian's ${need#*=} is installed" >&2
        status=1
      fi
      ;;
  esac
done
exit $status
