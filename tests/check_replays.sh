#!/bin/sh
# SPDX-License-Identifier: MIT
# Plays every golden replay headless, with no display, and fails on any difference, naming the
# replays to record again. Arguments: the game binary, the replays' folder, the recording tool.
# Run from the folder holding the game's fgra.bmp.
set -u
game=$1
dir=$2
recorder=$3
failed=""
for replay in "$dir"/*.replay; do
  name=$(basename "$replay" .replay)
  if env -u DISPLAY -u WAYLAND_DISPLAY "$game" --replay "$replay" --headless; then
    :
  else
    failed="$failed $name"
  fi
done
if [ -n "$failed" ]; then
  echo "These golden replays no longer play back as recorded:$failed"
  echo "If the change to the pictures is intended, record them again and commit them:"
  echo "  $recorder $dir$failed"
  exit 1
fi
echo "every golden replay matched"
