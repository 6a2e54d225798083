#!/bin/sh
# SPDX-License-Identifier: MIT
# The copyright file that every package installs carries both licences in full: the game's as
# LICENSE has it, and the font's word for word as packaging/IPA_Font_License.txt and the font's
# own Debian package have it. A licence cut short, or an edit of one copy only, fails here.
#
#   check_copyright.sh SOURCE_DIR
set -eu
source=$1
copyright="$source/debian/copyright"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# The paragraph that starts "License: NAME" (the licence's text), as it stands, and as plain
# text (the leading space gone, "." lines empty again).
stanza() { awk -v RS= -v name="$1" 'index($0, "License: " name "\n") == 1' "$2"; }
plain() { sed '1d; s/^ //; s/^\.$//'; }

for name in Expat IPA-1; do
  [ "$(stanza "$name" "$copyright" | grep -c '^License: ')" -eq 1 ] ||
    fail "not one paragraph with the $name text"
done
# Each Files stanza names licences whose text is there.
grep '^License: ' "$copyright" | sed 's/^License: //; s/ and /\n/g' | sort -u >"$work/named"
printf 'Expat\nIPA-1\n' | cmp -s - "$work/named" || { cat "$work/named" >&2; fail "licences named"; }

stanza IPA-1 "$copyright" | plain >"$work/ipa"
diff "$work/ipa" "$source/packaging/IPA_Font_License.txt" >&2 ||
  fail "the font's licence in debian/copyright differs from packaging/IPA_Font_License.txt"
font_copyright=/usr/share/doc/fonts-ipafont-gothic/copyright
if [ -f "$font_copyright" ]; then
  stanza IPA-1 "$font_copyright" >"$work/theirs"
  stanza IPA-1 "$copyright" | diff - "$work/theirs" >&2 ||
    fail "the font's licence differs from the one in $font_copyright"
fi

stanza Expat "$copyright" | plain >"$work/expat"
sed -n '/^Permission is hereby granted/,/^SOFTWARE\.$/p' "$source/LICENSE" >"$work/license"
[ -s "$work/license" ] || fail "no licence text in LICENSE"
diff "$work/expat" "$work/license" >&2 || fail "the game's licence differs from LICENSE"
echo "debian/copyright: both licences in full"
