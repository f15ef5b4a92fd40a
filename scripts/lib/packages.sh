# Installs the Debian packages named in "$@" that are missing (apt-get update once, first).
# Runs apt-get directly as root, through sudo otherwise.
install_missing_packages() {
    local missing=()
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local as_root=()
    [ "$(id -u)" -eq 0 ] || as_root=(sudo)
    echo "Installing: ${missing[*]}"
    "${as_root[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
}

BUILD_PACKAGES=(cmake ninja-build g++ qt6-base-dev libssl-dev libgl-dev fonts-dejavu-core help2man
    dpkg-dev)
# clang builds the fuzz targets; its fuzzer and sanitizer runtimes are only recommended by it.
# squid and microsocks are the proxies the tests go through; libnss-wrapper gives them host names
# of their own.
TEST_PACKAGES=(nginx-light openssl python3-pyftpdlib desktop-file-utils appstream chromium nodejs
    clang libclang-rt-14-dev squid microsocks libnss-wrapper)
