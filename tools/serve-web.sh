#!/bin/sh
# SPDX-License-Identifier: MIT
# Serves the browser's site built by tools/build-web.sh (the page needs http: browsers refuse
# WebAssembly and service workers from file://) through tools/serve_web.py: the gzip copies the
# build made, each file's type, and headers that let the browser keep files. Only this machine
# reaches it unless ADDRESS says otherwise: 0.0.0.0 (or this machine's address on the network)
# lets a phone or a tablet on the same network open it.
# Usage: tools/serve-web.sh OUT_DIR [PORT] [ADDRESS] (8000 and 127.0.0.1 by default).
set -eu
if [ $# -lt 1 ] || [ $# -gt 3 ]; then
  echo "usage: tools/serve-web.sh OUT_DIR [PORT] [ADDRESS]" >&2
  exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
port=${2:-8000}
address=${3:-127.0.0.1}
case $address in
  127.* | localhost | ::1) echo "Enclova on http://$address:$port/ (this machine only)" ;;
  0.0.0.0 | ::)
    echo "Enclova on every address of this machine, port $port, e.g.:"
    for a in $(hostname -I 2>/dev/null); do
      case $a in *:*) echo "  http://[$a]:$port/" ;; *) echo "  http://$a:$port/" ;; esac
    done
    ;;
  *) echo "Enclova on http://$address:$port/" ;;
esac
exec python3 "$root/tools/serve_web.py" "$1" "$port" "$address"
