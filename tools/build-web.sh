#!/bin/sh
# SPDX-License-Identifier: MIT
# Builds the browser's static site into OUT_DIR with Debian's emscripten, offline: the page, the
# game as WebAssembly, the sheet and empty ranking, the icons, the manifest and the service
# worker. Usage: tools/build-web.sh OUT_DIR [BUILD_DIR] (build-web by default).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -lt 1 ]; then
  echo "usage: tools/build-web.sh OUT_DIR [BUILD_DIR]" >&2
  exit 2
fi
out=$1
build=${2:-$root/build-web}

# emscripten's tools are Node programs that look for their modules in Debian's folder.
export NODE_PATH=/usr/share/nodejs
# Optimised for size: a fifth less to download and compile before the first picture, for the
# same pixels (the page's tests play every golden replay to its digests).
emcmake cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DENCLOVA_TESTS=OFF \
  "-DCMAKE_CXX_FLAGS_RELEASE=-Os -DNDEBUG" >/dev/null
ninja -C "$build" -j "$(nproc)" enclova-web

mkdir -p "$out/icons"
cp "$build/web/enclova.js" "$build/web/enclova.wasm" "$root/web/index.html" "$root/web/page.js" \
  "$root/web/manifest.webmanifest" "$root/assets/fgra.bmp" "$root/assets/fdata.dat" "$out/"
# The icons are the sprite tool's (make_sprites --icons), checked in so that the site builds with
# emscripten alone; tools/test-web.sh checks that they are still what the tool draws.
cp "$root"/web/icons/*.png "$out/icons/"

# The service worker caches every file; its cache is named after their contents, so that a new
# build is a new cache and the old one is dropped.
cd "$out"
files=$(find . -type f ! -name sw.js ! -name '*.gz' | sed 's|^\./||' | LC_ALL=C sort)
version=$(cat $files | sha256sum | cut -c1-16)
list="'./'"
for f in $files; do list="$list, '$f'"; done
sed -e "s|@VERSION@|$version|" -e "s|@FILES@|$list|" "$root/web/sw.js" >sw.js
# A gzip copy beside every file that compresses, for the server to send to browsers that take
# it: the sheet, a bitmap, goes from 1 MB to 40 KB. The pictures (PNG) are compressed already.
for f in $files sw.js; do
  case $f in
    *.png) ;;
    *) gzip -9 -n -k -f "$f" ;;
  esac
done
echo "The site is in $out (version $version)"
