#!/usr/bin/env bash
# Takes docs/main-window.png: the real program under Xvfb, inside a network
# namespace of its own whose three addresses 10.0.0.1 to 10.0.0.3 answer, after
# a two-pass run started from the toolbar. Needs root, Xvfb, xdotool and
# ImageMagick's import. Usage: docs/take_screenshot.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
ns=velmora-shot-$$
display=:95
config=$(mktemp -d)

cleanup() {
    [ -n "${app:-}" ] && kill "$app" 2>/dev/null || true
    [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
    ip netns del "$ns" 2>/dev/null || true
    rm -rf "$config"
}
trap cleanup EXIT

ip netns add "$ns"
ip -n "$ns" link set lo up
for host in 1 2 3; do ip -n "$ns" addr add 10.0.0.$host/32 dev lo; done
ip netns exec "$ns" sysctl -qw net.ipv4.ping_group_range="0 2147483647"

mkdir -p "$config/Velmora"
cat > "$config/Velmora/Velmora.ini" <<'INI'
[Settings]
Window=0
MainLeft=300
MainTop=300
MainWidth=9840
MainHeight=6200

[Init]
Address%20Mode=0
Host%20Name=localhost
IPAddress%20Start=10.0.0.1
IPAddress%20Stop=10.0.0.3
DataSize=120
Num=2
TTL=30
Delay=500
Timeout=500
Loop=0
ArpDeleteConfirm=False
INI

Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp &
xvfb=$!
sleep 1
DISPLAY=$display XDG_CONFIG_HOME=$config ip netns exec "$ns" "$build/app/velmora" &
app=$!
sleep 2
window=$(DISPLAY=$display xdotool search --name '^Velmora$' | head -n 1)
DISPLAY=$display xdotool windowactivate --sync "$window" 2>/dev/null || true
# The toolbar's first button, Start.
DISPLAY=$display xdotool mousemove --window "$window" 14 36 click 1
sleep 3
DISPLAY=$display import -window "$window" "$here/main-window.png"
echo "wrote $here/main-window.png"
