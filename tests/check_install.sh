#!/bin/sh
# SPDX-License-Identifier: MIT
# Installs the build into a staging directory, as a packager does, and checks what lands there:
# every file in its place, the desktop entry and the metainfo valid, the manual page rendering
# without a warning, the icons at their sizes, the data files the shipped ones.
#
#   check_install.sh BUILD_DIR SOURCE_DIR
set -eu
build=$1
source=$2
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR="$stage" cmake --install "$build" --prefix /usr >"$stage.log" 2>&1 || { cat "$stage.log"; rm -f "$stage.log"; fail "cmake --install"; }
rm -f "$stage.log"
usr="$stage/usr"
id=io.github.enclova.Enclova

[ -x "$usr/games/enclova" ] || fail "no executable in /usr/games"
cmp -s "$usr/share/games/enclova/fgra.bmp" "$source/assets/fgra.bmp" || fail "installed sheet"
cmp -s "$usr/share/games/enclova/fdata.dat" "$source/assets/fdata.dat" || fail "installed ranking"
for f in "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml" \
         share/man/man6/enclova.6.gz share/doc/enclova/copyright share/doc/enclova/changelog.gz; do
  [ -s "$usr/$f" ] || fail "missing /usr/$f"
done
# Both licences, the game's and the font's, in full in the one copyright file.
cmp -s "$usr/share/doc/enclova/copyright" "$source/debian/copyright" || fail "installed copyright"
zcat "$usr/share/doc/enclova/changelog.gz" | cmp -s - "$source/debian/changelog" || fail "changelog"

# Nothing but what is listed above, and the icons below, is installed.
count=$(find "$stage" -type f | wc -l)
[ "$count" -eq 15 ] || { find "$stage" -type f >&2; fail "$count files installed, 15 expected"; }

# Icons: a PNG of the directory's size in each (width and height are bytes 17..24).
for size in 16 24 32 48 64 128 256; do
  icon="$usr/share/icons/hicolor/${size}x${size}/apps/$id.png"
  [ -s "$icon" ] || fail "no ${size}x${size} icon"
  dims=$(od -An -j16 -N8 -tu1 "$icon" | awk '{ print $3 * 256 + $4 "x" $7 * 256 + $8 }')
  [ "$dims" = "${size}x${size}" ] || fail "icon ${size}x${size} is $dims"
done

grep -q '^Categories=Game;LogicGame;$' "$usr/share/applications/$id.desktop" || fail "categories"
grep -q "^Icon=$id$" "$usr/share/applications/$id.desktop" || fail "icon name"
desktop-file-validate "$usr/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$usr/share/metainfo/$id.metainfo.xml" >"$stage/as.log" 2>&1 ||
  { cat "$stage/as.log"; fail "appstreamcli validate"; }

# The manual page renders without a warning and names every option.
zcat "$usr/share/man/man6/enclova.6.gz" | groff -man -Tascii -P-cbou -ww >"$stage/man.txt" 2>"$stage/man.err" ||
  fail "groff"
[ ! -s "$stage/man.err" ] || { cat "$stage/man.err" >&2; fail "groff warnings"; }
for word in --seed --daily --scale --data-dir --replay --headless --screenshot --server --name --submit --world --help --version XDG_DATA_HOME F11 F12 fdata.dat 'EXIT STATUS'; do
  grep -q -- "$word" "$stage/man.txt" || fail "the manual page does not mention $word"
done
echo "installed tree, desktop entry, metainfo, icons and manual page: fine"
