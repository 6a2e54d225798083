#!/bin/sh
# SPDX-License-Identifier: MIT
# Serves the browser's site built by tools/build-web.sh on 127.0.0.1 only (the page needs http:
# browsers refuse WebAssembly and service workers from file://), through tools/serve_web.py: the
# gzip copies the build made, each file's type, and headers that let the browser keep files.
# Usage: tools/serve-web.sh OUT_DIR [PORT] (8000 by default).
set -eu
if [ $# -lt 1 ]; then
  echo "usage: tools/serve-web.sh OUT_DIR [PORT]" >&2
  exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
echo "Enclova on http://127.0.0.1:${2:-8000}/"
exec python3 "$root/tools/serve_web.py" "$1" "${2:-8000}"
