#!/bin/sh
# SPDX-License-Identifier: MIT
# Tests the browser's page in headless Chromium: builds the site, installs the test driver
# (puppeteer-core, from the committed lock file) into the build folder, and runs
# web/tests/web_test.mjs against a server on 127.0.0.1. The Linux sprite tool draws the title
# the page must show and the icons the site ships.
# Usage: tools/test-web.sh [BUILD_DIR] [MAKE_SPRITES] (build-web and build/make_sprites by default).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-web}
sprites=${2:-$root/build/make_sprites}
if [ ! -x "$sprites" ]; then
  echo "test-web.sh: no sprite tool at $sprites: build the Linux target make_sprites first" >&2
  exit 2
fi
mkdir -p "$build"
build=$(cd "$build" && pwd)

sh "$root/tools/build-web.sh" "$build/site" "$build" >/dev/null

# The pictures the Linux build draws: the title (at level 3, the tool's choice) and the icons.
expected="$build/expected"
rm -rf "$expected"
mkdir -p "$expected/icons"
"$sprites" "$root/assets/fgra.bmp" "$root/assets/fdata.dat" --preview "$expected" \
  --icons "$expected/icons" >/dev/null
for icon in "$root"/web/icons/*.png; do
  if ! cmp -s "$icon" "$expected/icons/$(basename "$icon")"; then
    echo "test-web.sh: web/icons/$(basename "$icon") is not the game's icon any more:" \
      "copy it again from make_sprites --icons" >&2
    exit 1
  fi
done

driver="$build/web-tests"
mkdir -p "$driver"
cp "$root/web/tests/package.json" "$root/web/tests/package-lock.json" \
  "$root/web/tests/web_test.mjs" "$driver/"
if ! cmp -s "$driver/package-lock.json" "$driver/node_modules/.package-lock.json" 2>/dev/null; then
  (cd "$driver" && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
fi
ENCLOVA_SITE_SERVER="$root/tools/serve_web.py" node "$driver/web_test.mjs" "$build/site" "$expected/title.bmp" "$root/tests/replays" \
  ${ENCLOVA_WEB_SHOTS:+"$ENCLOVA_WEB_SHOTS"}
