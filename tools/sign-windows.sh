#!/bin/sh
# SPDX-License-Identifier: MIT
# Signs a Windows program in place with Debian's osslsigncode (Authenticode, SHA-256), so that
# Windows names its publisher instead of warning of an unknown one. The certificate and its key
# come from the environment: ENCLOVA_SIGN_CERT (PEM, the chain up to the authority) and
# ENCLOVA_SIGN_KEY (PEM), ENCLOVA_SIGN_PASSWORD_FILE when the key has a password, and
# ENCLOVA_SIGN_TIMESTAMP, a timestamp server's URL, so that the signature outlives the
# certificate. tools/build-windows.sh calls it for the game, the installer and the uninstaller.
# Usage: tools/sign-windows.sh FILE.exe
set -eu
[ $# -eq 1 ] || { echo "usage: tools/sign-windows.sh FILE.exe" >&2; exit 2; }
: "${ENCLOVA_SIGN_CERT:?names no certificate}" "${ENCLOVA_SIGN_KEY:?names no key}"
set -- "$1" -certs "$ENCLOVA_SIGN_CERT" -key "$ENCLOVA_SIGN_KEY" -h sha256 -n Enclova \
  -i https://enclova.github.io/
if [ -n "${ENCLOVA_SIGN_PASSWORD_FILE:-}" ]; then set -- "$@" -readpass "$ENCLOVA_SIGN_PASSWORD_FILE"; fi
if [ -n "${ENCLOVA_SIGN_TIMESTAMP:-}" ]; then set -- "$@" -ts "$ENCLOVA_SIGN_TIMESTAMP"; fi
file=$1
shift
osslsigncode sign "$@" -in "$file" -out "$file.signed" >/dev/null
mv "$file.signed" "$file"
