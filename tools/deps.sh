#!/bin/sh
# Installs the Debian packages that building, playing and testing need, when any is missing.
set -eu

packages="build-essential cmake ninja-build pkg-config
  libsdl2-dev libfreetype-dev libfontconfig-dev fonts-ipafont-gothic
  libgtest-dev libbenchmark-dev clang-format fonts-ipafont-mincho fonts-dejavu-core
  xvfb xauth x11-utils x11-xkb-utils xdotool libx11-dev libxtst-dev
  clang libclang-rt-14-dev"

missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  echo "Installing:$missing"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  # shellcheck disable=SC2086
  apt-get install -y -q --no-install-recommends $missing
fi
