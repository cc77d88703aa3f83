# Shared by the two entry scripts: install what is missing, then configure and build.
set -euo pipefail

ZELVANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
ZELVANE_BUILD=${ZELVANE_BUILD:-$ZELVANE_ROOT/build}

# Debian 12 packages needed to build, run and test.
ZELVANE_PACKAGES=(
    g++ cmake ninja-build pkgconf
    libcap-dev libgtest-dev
    qt6-base-dev libgl-dev
    fonts-arphic-uming
    xvfb xauth
)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_missing() {
    local missing=()
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$pkg")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        as_root apt-get update -qq
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
            "${missing[@]}"
    fi
}

build_project() {
    cmake -S "$ZELVANE_ROOT" -B "$ZELVANE_BUILD" -G Ninja "$@"
    cmake --build "$ZELVANE_BUILD"
}
