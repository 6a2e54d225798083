#!/bin/sh
# SPDX-License-Identifier: MIT
# Builds the Debian source and binary packages of the committed tree (debian/) with
# dpkg-buildpackage, then runs lintian on them; fails on any lintian error or warning.
#
#   sh tools/build-debian-package.sh [--root DIR] [--nocheck] OUT_DIR
#
# Without --root the build runs on this machine in a clean copy of the tree, with what is
# installed here (dpkg-checkbuilddeps names what is missing). With --root it runs as root inside
# the Debian 12 system DIR, where only build-essential and the Build-Depends are installed; DIR
# is made with debootstrap first when it does not exist (DEBIAN_MIRROR, by default
# http://deb.debian.org/debian). --nocheck builds without the tests and their dependencies.
# ENCLOVA_JOBS sets the build's parallelism (default: every core).
set -eu
usage() { echo "usage: sh tools/build-debian-package.sh [--root DIR] [--nocheck] OUT_DIR" >&2; exit 2; }
root_dir=""
nocheck=""
while [ $# -gt 1 ]; do
  case "$1" in
    --root) root_dir=$2; shift 2 ;;
    --nocheck) nocheck=1; shift ;;
    *) usage ;;
  esac
done
[ $# -eq 1 ] || usage
tree=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$1"
out=$(cd "$1" && pwd)
jobs=${ENCLOVA_JOBS:-$(nproc)}

# One version everywhere: the changelog's is the package's, the project's the binary's.
version=$(dpkg-parsechangelog -l "$tree/debian/changelog" -SVersion)
project=$(sed -n 's/^project(enclova VERSION \([0-9.]*\).*/\1/p' "$tree/CMakeLists.txt")
[ "$version" = "$project" ] ||
  { echo "debian/changelog says $version, CMakeLists.txt $project" >&2; exit 1; }
if [ -n "$(git -C "$tree" status --porcelain --untracked-files=no)" ]; then
  echo "note: uncommitted changes are not in the package; it is built from HEAD" >&2
fi

options="parallel=$jobs"
profiles=""
if [ -n "$nocheck" ]; then
  options="$options nocheck"
  profiles="-Pnocheck"
fi
name="enclova-$version"
rm -rf "$out/src" "$out"/enclova_* "$out"/enclova-dbgsym_*
mkdir -p "$out/src"
git -C "$tree" archive --format=tar --prefix="$name/" HEAD | tar -x -C "$out/src"

if [ -z "$root_dir" ]; then
  (cd "$out/src/$name" && DEB_BUILD_OPTIONS="$options" dpkg-buildpackage -us -uc $profiles) \
    >"$out/build.log" 2>&1 || { tail -n 40 "$out/build.log" >&2; exit 1; }
  results="$out/src"
else
  [ "$(id -u)" -eq 0 ] || { echo "--root needs root (chroot, mount)" >&2; exit 1; }
  if [ ! -x "$root_dir/usr/bin/dpkg-buildpackage" ]; then
    debootstrap --variant=buildd bookworm "$root_dir" "${DEBIAN_MIRROR:-http://deb.debian.org/debian}" \
      >"$out/debootstrap.log" 2>&1 || { tail -n 20 "$out/debootstrap.log" >&2; exit 1; }
  fi
  root_dir=$(cd "$root_dir" && pwd)
  rm -rf "$root_dir/build"
  mkdir -p "$root_dir/build"
  cp -a "$out/src/$name" "$root_dir/build/"
  mount -t proc proc "$root_dir/proc"
  trap 'umount "$root_dir/proc"' EXIT
  # Nothing but the build's own dependencies is installed in the root.
  chroot "$root_dir" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
    DEBIAN_FRONTEND=noninteractive DEB_BUILD_OPTIONS="$options" DEB_BUILD_PROFILES="${nocheck:+nocheck}" \
    sh -c "apt-get update -q && apt-get build-dep -y -q --no-install-recommends ./build/$name &&
           cd /build/$name && dpkg-buildpackage -us -uc $profiles" \
    >"$out/build.log" 2>&1 || { tail -n 40 "$out/build.log" >&2; exit 1; }
  results="$root_dir/build"
fi
cp "$results"/enclova_* "$results"/enclova-dbgsym_* "$out/"
rm -rf "$out/src"

changes=$(ls "$out"/enclova_"${version}"_*.changes)
lintian --pedantic --display-info --fail-on error,warning "$changes" >"$out/lintian.log" 2>&1 ||
  { cat "$out/lintian.log" >&2; echo "lintian reports errors or warnings" >&2; exit 1; }
cat "$out/lintian.log"
ls -l "$out"/*.deb "$out"/*.dsc "$out"/*.tar.*
