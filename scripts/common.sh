# Shared by the two entry scripts: install what is missing, then configure and build.
set -euo pipefail

ZELVANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
ZELVANE_BUILD=$ZELVANE_ROOT/build # the "default" preset's folder

# Debian 12 packages needed to build, run and test.
ZELVANE_PACKAGES=(
    g++ cmake ninja-build pkgconf
    libcap-dev libgtest-dev nlohmann-json3-dev
    qt6-base-dev libgl-dev libxcb1-dev qt6-tools-dev qt6-l10n-tools
    fonts-arphic-uming qt6-translations-l10n
    qt6-svg-dev
    xvfb xauth
)

# Only the tests need these: an emulated PC with a parallel port, booted with Debian's kernel.
ZELVANE_TEST_PACKAGES=(qemu-system-x86 busybox-static cpio file clang-format)
# The real program driven on a virtual display, and the Debian package built and checked.
ZELVANE_TEST_PACKAGES+=(xdotool imagemagick x11-utils openbox dpkg-dev desktop-file-utils appstream man-db jq sigrok-cli)
# The Python package tested in a venv beside pyparallel, and its types checked.
ZELVANE_TEST_PACKAGES+=(python3-venv python3-pytest mypy python3-parallel python3-build)

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

# build_project PRESET: configure and build one of CMakePresets.json's builds.
build_project() {
    (cd "$ZELVANE_ROOT" && cmake --preset "$1" >/dev/null && cmake --build --preset "$1")
}

# Debian's kernel and its parallel-port modules for the QEMU guest, unpacked into the build
# tree: installing a kernel package would rewrite this machine's boot set-up.
fetch_guest_kernel() {
    local dest=$ZELVANE_BUILD/guest-kernel
    ls "$dest"/boot/vmlinuz-* >/dev/null 2>&1 && return 0
    [ "$(uname -m)" = x86_64 ] || return 0
    local package
    package=$(apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-[0-9]/ {print $2; exit}')
    if [ -z "$package" ]; then
        as_root apt-get update -qq
        package=$(apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-[0-9]/ {print $2; exit}')
    fi
    [ -n "$package" ] || { echo "No Debian kernel package found; the QEMU test will be skipped."; return 0; }
    local download
    download=$(mktemp -d)
    chmod 777 "$download" # apt's download sandbox user must be able to write here
    if (cd "$download" && apt-get download -qq "$package"); then
        mkdir -p "$dest"
        dpkg-deb --fsys-tarfile "$download"/*.deb |
            tar -x -C "$dest" --wildcards './boot/vmlinuz-*' '*/parport.ko' '*/parport_pc.ko' '*/ppdev.ko'
    else
        echo "Could not download $package; the QEMU test will be skipped."
    fi
    rm -rf "$download"
}
