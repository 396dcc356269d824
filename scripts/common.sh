# Shared by scripts/run and scripts/test: install what is missing, configure, build.
# Sourced, not run.

VELMORA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
JOBS=${JOBS:-2}

# Installs the Debian packages that are not there yet; apt only runs when needed.
install_missing() {
    local missing=()
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

BUILD_PACKAGES=(build-essential cmake pkg-config qt6-base-dev libgl-dev libnl-route-3-dev
                libgtest-dev libgmock-dev libudev-dev)
# The help file: chmlib reads it, chmcmd compiles it.
BUILD_PACKAGES+=(libchm-dev fp-utils)
# The latency graph's plots: QCustomPlot built for Qt 6 (its headers come in the one -dev package).
BUILD_PACKAGES+=(libqcustomplot-dev)

# configure_and_build DIR [cmake args...]
configure_and_build() {
    local dir=$1
    shift
    cmake -S "$VELMORA_ROOT" -B "$dir" "$@" >/dev/null
    cmake --build "$dir" -j"$JOBS"
}
