# Sourced by packview.sh and test.sh: installs what the build needs and builds in build/.
# It leaves the working directory alone, so a file named relative to it still opens.
set -euo pipefail
PACKVIEW_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

PACKVIEW_PACKAGES="build-essential cmake qtbase5-dev libqt5opengl5-dev libglu1-mesa-dev
                   xvfb xauth libgl1-mesa-dri libqt5gui5 libboost-dev
                   libegl-dev libegl-mesa0"

install_missing_packages() {
    local missing=()
    for pkg in $PACKVIEW_PACKAGES; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" \
            || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

build_packview() {
    cmake -S "$PACKVIEW_ROOT" -B "$PACKVIEW_ROOT/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$PACKVIEW_ROOT/build" --parallel "$(nproc)"
}

install_missing_packages
build_packview
