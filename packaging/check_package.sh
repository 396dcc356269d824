#!/usr/bin/env bash
# Checks the Debian package built in the build folder given: lintian
# (pedantic; any error or warning fails), hardening-check on the program, the
# machine-readable copyright file, the man page, the changelog and the
# AppStream release taken from it, the desktop entry and the AppStream data,
# the post-install advice, the README's build dependencies, that the help file
# lies where the entry starts the program, and that the installed program
# starts (offscreen) and keeps running.
set -euo pipefail
build=$1
source "$(dirname "$0")/../scripts/common.sh"

fail() { echo "$*"; exit 1; }

(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/velmora_*.deb)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
echo "unpacked $(basename "$deb")"

lintian --pedantic --fail-on error,warning "$deb"

# Every compile and the program's link carry dpkg-buildflags' hardening flags.
# hardening-check then checks the binary, less two checks no bookworm program
# can pass: control flow integrity needs every object linked to carry the IBT
# note, and glibc's crti.o does not; and it counts fortified calls, where the
# compiler proved each of ours in bounds and so called none.
compiles=$(grep '"command":' "$build/compile_commands.json")
hardening=(-fstack-clash-protection -fcf-protection
           $(cd "$VELMORA_ROOT" && for kind in CPPFLAGS CXXFLAGS; do
                 DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get $kind; done))
for flag in "${hardening[@]}"; do
    [ "$(grep -cF -- " $flag " <<< "$compiles")" -eq "$(wc -l <<< "$compiles")" ] || fail "a compile lacks $flag"
done
grep -qF -- "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get LDFLAGS)" \
    "$build/app/CMakeFiles/velmora.dir/link.txt" || fail "the program's link lacks dpkg-buildflags' LDFLAGS"
hardening-check --nocfprotection --nofortify "$root/usr/bin/velmora"

# Machine-readable: the format's header, and every licence a Files paragraph
# names has a paragraph of its own with its text; the program, the help
# pages and the icons each have their Files paragraph.
doc="$root/usr/share/doc/velmora"
head -n 1 "$doc/copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    fail "the copyright file does not declare the machine-readable format"
awk 'BEGIN { RS = ""; FS = "\n" }
     {
         licence = ""
         for (i = 1; i <= NF; i++) if ($i ~ /^License: /) licence = substr($i, 10)
         if ($1 ~ /^Files: /) used[licence] = 1
         else if ($1 ~ /^License: / && NF > 1) text[licence] = 1
     }
     END { for (l in used) if (!(l in text)) { print "the copyright file has no text for " l; bad = 1 }; exit bad }' \
    "$doc/copyright"
for files in '\*' 'help/\*' 'packaging/icons/\*'; do
    grep -q "^Files: \(.* \)\?$files\( \|$\)" "$doc/copyright" || fail "the copyright file has no Files: $files"
done

# The changelog as kept in the repository, and the AppStream release from its top entry.
cmp -s <(zcat "$doc/changelog.gz") "$VELMORA_ROOT/debian/changelog" || fail "changelog.gz is not debian/changelog"
version=$(dpkg-parsechangelog -l "$VELMORA_ROOT/debian/changelog" -S Version)
date=$(date -u -d "$(dpkg-parsechangelog -l "$VELMORA_ROOT/debian/changelog" -S Date)" +%F)
metainfo="$root/usr/share/metainfo/org.example.velmora.metainfo.xml"
grep -q "<release version=\"$version\" date=\"$date\"/>" "$metainfo" || fail "the AppStream release is not $version of $date"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the package's version is not the changelog's $version"

warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
    man --warnings -E UTF-8 -l -Tutf8 -Z "$root/usr/share/man/man1/velmora.1.gz" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "the man page renders with warnings: $warnings"

entry="$root/usr/share/applications/org.example.velmora.desktop"
desktop-file-validate "$entry"
appstreamcli validate --no-net "$metainfo"
dpkg-deb -f "$deb" Recommends | grep -q qt6-wayland || fail "the package does not recommend qt6-wayland"

# Without setcap, and with a setcap that fails, the post-install step says in
# one line what to run, and the install still succeeds.
check_advice() {  # $1: what setcap does
    local advice
    advice=$(PATH="$root/bin" /bin/sh "$root/control/postinst" configure 2>&1) || fail "postinst failed, setcap $1"
    [ "$(wc -l <<< "$advice")" -eq 1 ] && grep -q "setcap cap_net_raw+p /usr/bin/velmora" <<< "$advice" ||
        fail "postinst, setcap $1, advised: $advice"
}
dpkg-deb -e "$deb" "$root/control"
mkdir "$root/bin"
check_advice missing
printf '#!/bin/sh\nexit 1\n' > "$root/bin/setcap"
chmod +x "$root/bin/setcap"
check_advice failing

readme=$(sed -n 's/^ *sudo apt-get install //p' "$VELMORA_ROOT/README.md")
[ "$readme" = "${PROGRAM_BUILD_PACKAGES[*]}" ] ||
    fail "the README's build dependencies ($readme) are not scripts/common.sh's (${PROGRAM_BUILD_PACKAGES[*]})"

folder=$(sed -n 's/^Path=//p' "$entry")
[ -f "$root$folder/velmora.chm" ] || fail "no velmora.chm in the entry's folder $folder"
for size in 16 32 48 64 128 256; do
    [ -f "$root/usr/share/icons/hicolor/${size}x${size}/apps/org.example.velmora.png" ] || fail "no ${size}px icon"
done
dpkg-deb -f "$deb" Depends | grep -qi libqt6widgets || fail "computed dependencies lack Qt"

# No command line: a program that is still running after three seconds has
# started; one that crashed or could not load a library has ended before.
status=0
(cd "$root$folder" && XDG_CONFIG_HOME="$root/config" QT_QPA_PLATFORM=offscreen \
    timeout 3 "$root/usr/bin/velmora") || status=$?
[ "$status" -eq 124 ] || fail "the installed program ended with $status instead of running"
echo "package checks passed"
