# Installs the Debian packages named as arguments that are not installed yet.
# Sourced by the run and test scripts.
install_missing() {
    local missing=()
    local package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo)
    fi
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# What building the program needs.
BUILD_PACKAGES=(g++ cmake ninja-build pkg-config qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins
                libgl-dev fonts-dejavu-core libcanberra-dev libglib2.0-dev
                qt6-networkauth-dev qtkeychain-qt6-dev)
# What the program needs on a desktop beyond its libraries: the sound system's player, the
# sound theme of new mail, Qt's Wayland platform, for the desktops that run Wayland, and the
# Secret Service client that QtKeychain loads to reach the desktop's keyring.
DESKTOP_PACKAGES=(libcanberra-pulse sound-theme-freedesktop qt6-wayland libsecret-1-0)
