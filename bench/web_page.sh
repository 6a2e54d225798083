#!/bin/sh
# SPDX-License-Identifier: MIT
# Measures the browser's page (bench/web_page.mjs) on the site tools/test-web.sh built, with its
# test driver. Usage: bench/web_page.sh [BUILD_DIR] [RUNS] (build-web by default).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build-web}" && pwd)
if [ ! -d "$build/web-tests/node_modules" ]; then
  echo "web_page.sh: run tools/test-web.sh $build first (it builds the site and the driver)" >&2
  exit 2
fi
sh "$root/tools/build-web.sh" "$build/site" "$build" >/dev/null 2>&1
cp "$root/bench/web_page.mjs" "$build/web-tests/"
ENCLOVA_SITE_SERVER="$root/tools/serve_web.py" node "$build/web-tests/web_page.mjs" "$build/site" "$root/bench/web_floor.html" "${2:-9}"
