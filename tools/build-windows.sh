#!/bin/sh
# SPDX-License-Identifier: MIT
# Builds the game for 64-bit Windows with Debian's mingw-w64: OUT_DIR/enclova.exe (no DLL but
# the system's), the installer OUT_DIR/enclova-VERSION-setup.exe (NSIS) and the portable
# OUT_DIR/enclova-VERSION-windows.zip. The icon is drawn by the sprite tool, built for this
# machine in OUT_DIR/host (or in ENCLOVA_HOST_BUILD, an existing Linux build tree).
# With ENCLOVA_SIGN_CERT and ENCLOVA_SIGN_KEY set (tools/sign-windows.sh), the game, the installer
# and the uninstaller inside it are signed.
# Usage: sh tools/build-windows.sh OUT_DIR
set -eu
[ $# -eq 1 ] || { echo "usage: sh tools/build-windows.sh OUT_DIR" >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$1"
out=$(cd "$1" && pwd)
jobs=${ENCLOVA_JOBS:-2}
version=$(sed -n 's/^project(enclova VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")

# The icon, from the same drawing as the Linux desktop's.
host=${ENCLOVA_HOST_BUILD:-$out/host}
if [ ! -f "$host/build.ninja" ]; then
  cmake -S "$root" -B "$host" -G Ninja -DCMAKE_BUILD_TYPE=Release -DENCLOVA_TESTS=OFF \
    -DENCLOVA_BENCH=OFF >/dev/null
fi
ninja -C "$host" -j "$jobs" make_sprites >/dev/null
mkdir -p "$out/icons"
"$host/make_sprites" "$out/icons/sheet.bmp" --icons "$out/icons"

cmake -S "$root" -B "$out/windows" -G Ninja -DCMAKE_BUILD_TYPE=Release -DENCLOVA_WERROR=ON \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DENCLOVA_WINDOWS_ICON="$out/icons/enclova.ico" >/dev/null
ninja -C "$out/windows" -j "$jobs" enclova enclova-headless >/dev/null
cp "$out/windows/win32/enclova.exe" "$out/enclova.exe"
sign=""
if [ -n "${ENCLOVA_SIGN_CERT:-}" ]; then
  sign="sh $root/tools/sign-windows.sh"
  $sign "$out/enclova.exe"
fi

# What the installer and the zip hold: the game, its data beside it, the licences.
stage="$out/stage/Enclova"
rm -rf "$out/stage"
mkdir -p "$stage"
cp "$out/enclova.exe" "$root/assets/fgra.bmp" "$root/assets/fdata.dat" "$stage/"
cp "$root/LICENSE" "$stage/LICENSE.txt"
cp "$root/packaging/IPA_Font_License.txt" "$stage/IPA_Font_License.txt"

zip_file="$out/enclova-$version-windows.zip"
rm -f "$zip_file"
(cd "$out/stage" && zip -q -X -r "$zip_file" Enclova)

installer="$out/enclova-$version-setup.exe"
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DOUTFILE="$installer" \
  -DICON="$out/icons/enclova.ico" -DPANEL="$out/icons/installer-panel.bmp" ${sign:+"-DSIGN=$sign"} "$root/win32/enclova.nsi" >/dev/null

# The sizes promised: a small download.
size_of() { wc -c < "$1" | tr -d ' '; }
exe_size=$(size_of "$out/enclova.exe")
installer_size=$(size_of "$installer")
[ "$exe_size" -le 3145728 ] || { echo "enclova.exe is $exe_size bytes, over 3 MB" >&2; exit 1; }
[ "$installer_size" -le 4194304 ] || { echo "the installer is $installer_size bytes, over 4 MB" >&2; exit 1; }
echo "$out/enclova.exe ($exe_size bytes)"
echo "$installer ($installer_size bytes)"
echo "$zip_file ($(size_of "$zip_file") bytes)"
