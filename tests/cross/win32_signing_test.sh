#!/bin/sh
# SPDX-License-Identifier: MIT
# The Windows programs signed as tools/build-windows.sh signs them, with a certificate made here
# (openssl): the game, the installer, and the uninstaller the installer writes (installed
# silently under Wine to find it), each verified by osslsigncode against that certificate; the
# same check refuses an unsigned program and a signed one changed by a byte. Needs WINEPREFIX.
# Usage: tests/cross/win32_signing_test.sh ENCLOVA_EXE SOURCE_DIR
set -eu
[ $# -eq 2 ] || { echo "usage: win32_signing_test.sh ENCLOVA_EXE SOURCE_DIR" >&2; exit 2; }
exe=$1
root=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
check() { # WHAT COMMAND...: ok when the command succeeds
  what=$1
  shift
  if "$@" >/dev/null 2>&1; then echo "ok    $what"; else echo "FAIL  $what"; failed=1; fi
}
refused() { ! "$@"; }
verify() { osslsigncode verify -CAfile "$work/cert.pem" -in "$1" | grep -q "^Signature verification: ok"; }

openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" -days 2 \
  -subj "/CN=Enclova test signer" -addext "extendedKeyUsage=codeSigning" 2>/dev/null
export ENCLOVA_SIGN_CERT="$work/cert.pem" ENCLOVA_SIGN_KEY="$work/key.pem"
sign="sh $root/tools/sign-windows.sh"

stage="$work/stage"
mkdir -p "$stage"
cp "$exe" "$stage/enclova.exe"
cp "$root/assets/fgra.bmp" "$root/assets/fdata.dat" "$stage/"
cp "$root/LICENSE" "$stage/LICENSE.txt"
cp "$root/packaging/IPA_Font_License.txt" "$stage/"
check "an unsigned game is refused" refused verify "$stage/enclova.exe"
$sign "$stage/enclova.exe"
check "the game is signed" verify "$stage/enclova.exe"
cp "$stage/enclova.exe" "$work/changed.exe"
printf 'X' | dd of="$work/changed.exe" bs=1 seek=4096 conv=notrunc 2>/dev/null
check "a signed game changed by a byte is refused" refused verify "$work/changed.exe"

makensis -V1 -DVERSION=0.0.0 -DSTAGE="$stage" -DOUTFILE="$work/setup.exe" "-DSIGN=$sign" \
  "$root/win32/enclova.nsi"
check "the installer is signed" verify "$work/setup.exe"

export WINEDEBUG=-all WINEDLLOVERRIDES=winemenubuilder.exe=d DISPLAY=
target='C:\enclova-signed'
wine "$work/setup.exe" /S "/D=$target" >/dev/null 2>&1
installed=$(winepath -u "$target" 2>/dev/null)
check "the uninstaller it writes is signed" verify "$installed/uninstall.exe"
check "and the game it installs" verify "$installed/enclova.exe"
wine "$installed/uninstall.exe" /S >/dev/null 2>&1
for _ in $(seq 50); do [ -e "$installed/enclova.exe" ] || break; sleep 0.2; done

[ "$failed" -eq 0 ] || { echo "signing: some checks failed"; exit 1; }
echo "the Windows programs are signed"
