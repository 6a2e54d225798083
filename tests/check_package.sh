#!/bin/sh
# SPDX-License-Identifier: MIT
# Builds the Debian package and checks it: the files a player needs, dependencies taken from
# the linked libraries, the font and the libraries that draw it recommended (the game's own
# text is built in; only an error box naming other characters uses them), and no error from
# lintian.
#
#   check_package.sh BUILD_DIR
set -eu
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >"$out/cpack.log" 2>&1 ||
  { cat "$out/cpack.log" >&2; fail "cpack"; }
deb=$(ls "$out"/*.deb)
dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./|/|' | grep -v '/$' | sort >"$out/files"
id=io.github.enclova.Enclova
for f in /usr/games/enclova /usr/share/games/enclova/fgra.bmp /usr/share/games/enclova/fdata.dat \
         "/usr/share/applications/$id.desktop" "/usr/share/metainfo/$id.metainfo.xml" \
         "/usr/share/icons/hicolor/48x48/apps/$id.png" "/usr/share/icons/hicolor/256x256/apps/$id.png" \
         /usr/share/man/man6/enclova.6.gz /usr/share/doc/enclova/copyright \
         /usr/share/doc/enclova/changelog.gz; do
  grep -qx "$f" "$out/files" || { cat "$out/files" >&2; fail "the package lacks $f"; }
done
depends=$(dpkg-deb -f "$deb" Depends)
for d in libsdl2-2.0-0 libc6; do
  echo "$depends" | grep -q "$d" || fail "Depends lacks $d: $depends"
done
# The game writes its PNG files itself; only the tests read them with libpng.
echo "$depends" | grep -q libpng && fail "Depends names libpng: $depends"
recommends=$(dpkg-deb -f "$deb" Recommends)
for d in fonts-ipafont-gothic libfreetype6 libfontconfig1; do
  echo "$recommends" | grep -q "$d" || fail "Recommends lacks $d: $recommends"
  if echo "$depends" | grep -q "$d"; then
    fail "Depends holds $d, which the game runs without: $depends"
  fi
done
[ "$(dpkg-deb -f "$deb" Section)" = games ] || fail "section"
# Lintian without an error or a warning, and without a hardening tag of any severity (the
# missing immediate binding and fortification are only "info").
if command -v lintian >/dev/null; then
  lintian --fail-on error,warning --display-info "$deb" >"$out/lintian" 2>&1 ||
    { cat "$out/lintian" >&2; fail "lintian reports errors or warnings"; }
  if grep ' hardening-' "$out/lintian" >&2; then fail "the binary is not fully hardened"; fi
fi
# What lintian does not look at: the stack clash probes and control-flow protection have no
# mark in the linked binary on Debian 12 (its C start-up objects lack the CET note), so the
# code itself is checked for their instructions.
dpkg-deb -x "$deb" "$out/root"
game="$out/root/usr/games/enclova"
readelf -lW "$game" | grep -q GNU_RELRO || fail "no read-only relocations"
readelf -dW "$game" | grep -q 'FLAGS_1.*NOW.*PIE' || fail "not a position-independent executable bound now"
objdump -d --no-show-raw-insn "$game" >"$out/code"
# The C start-up objects bring two endbr64 of their own; the game's functions bring hundreds.
[ "$(grep -c 'endbr64' "$out/code")" -ge 100 ] || fail "no control-flow protection (endbr64)"
grep -q 'or[q]* *\$0x0,(%rsp)' "$out/code" || fail "no stack clash probes"
echo "package $(basename "$deb"): $(wc -l <"$out/files") files, depends: $depends;" \
  "recommends: $recommends"
