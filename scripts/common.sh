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

# What the program and its package need to build; the README's package section
# lists the same, and the package check holds it to that. The help file:
# chmlib reads it, chmcmd (fp-utils) compiles it; CPack needs file; the latency graph plots with QCustomPlot.
PROGRAM_BUILD_PACKAGES=(build-essential cmake pkg-config qt6-base-dev libgl-dev libnl-route-3-dev
                        libudev-dev libcap-dev libchm-dev fp-utils file libqcustomplot-dev)
BUILD_PACKAGES=("${PROGRAM_BUILD_PACKAGES[@]}" libgtest-dev libgmock-dev)

# configure_and_build DIR [cmake args...]
configure_and_build() {
    local dir=$1
    shift
    cmake -S "$VELMORA_ROOT" -B "$dir" "$@" >/dev/null
    cmake --build "$dir" -j"$JOBS"
}
