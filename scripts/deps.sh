# Installs the Debian packages given as arguments when any of them is missing.
# Sourced by scripts/run and scripts/test.

orv_install() {
    local missing=()
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

ORV_BUILD_PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-serialport-dev
                    qt6-multimedia-dev libqt6svg6 qt6-qpa-plugins libfontconfig-dev fonts-dejavu-core
                    python3)
ORV_TEST_PACKAGES=(libgtest-dev libgmock-dev ser2net srecord binutils xvfb xauth x11-utils
                   desktop-file-utils appstream dpkg-dev iptables iproute2 util-linux)
