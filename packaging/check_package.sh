#!/usr/bin/env bash
# Checks the Debian package built in the build folder given: it unpacks it
# into a scratch root, validates the desktop entry and the AppStream data,
# checks that the help file lies where the entry starts the program, and that
# the installed program starts (offscreen) and keeps running.
set -euo pipefail
build=$1

(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/velmora_*.deb)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
echo "unpacked $(basename "$deb")"

entry="$root/usr/share/applications/org.example.velmora.desktop"
desktop-file-validate "$entry"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.example.velmora.metainfo.xml"

folder=$(sed -n 's/^Path=//p' "$entry")
[ -f "$root$folder/velmora.chm" ] || { echo "no velmora.chm in the entry's folder $folder"; exit 1; }
for size in 16 32 48 64 128 256; do
    [ -f "$root/usr/share/icons/hicolor/${size}x${size}/apps/org.example.velmora.png" ] || { echo "no ${size}px icon"; exit 1; }
done
dpkg-deb -f "$deb" Depends | grep -qi libqt6widgets || { echo "computed dependencies lack Qt"; exit 1; }

# No command line: a program that is still running after three seconds has
# started; one that crashed or could not load a library has ended before.
status=0
(cd "$root$folder" && XDG_CONFIG_HOME="$root/config" QT_QPA_PLATFORM=offscreen \
    timeout 3 "$root/usr/bin/velmora") || status=$?
[ "$status" -eq 124 ] || { echo "the installed program ended with $status instead of running"; exit 1; }
echo "package checks passed"
