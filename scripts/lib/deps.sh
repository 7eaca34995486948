# shellcheck shell=bash
# Installs the Debian packages that a build needs, when they are missing.
# Usage: quorvin_need_packages pkg...   (sourced by the scripts in scripts/)

quorvin_need_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}"
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null; then
            sudo="sudo"
        else
            echo "error: these packages are missing and installing them needs root: ${missing[*]}" >&2
            return 1
        fi
    fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Packages of the Linux build and its tests.
# shellcheck disable=SC2034 # used by the scripts that source this file
QUORVIN_LINUX_PACKAGES=(cmake g++ make pkg-config googletest libgtest-dev libgmock-dev
                        qt6-base-dev qt6-qpa-plugins fonts-liberation libcli11-dev nlohmann-json3-dev
                        libboost1.81-dev libtomlplusplus-dev
                        xvfb xauth imagemagick clang-format doxygen
                        dpkg-dev file python3 python3-pytest python3-setuptools
                        chromium nodejs)
# The control page's browser tests: playwright-core, locked in tests/web/package-lock.json, from
# the npm registry (npm comes with some builds of nodejs and is a package of its own in others).
quorvin_need_web_packages() {
    command -v npm >/dev/null || quorvin_need_packages npm
    (cd "$(dirname "${BASH_SOURCE[0]}")/../../tests/web" && npm ci --no-audit --no-fund --loglevel=error)
}

# The fuzz targets: clang and its libFuzzer runtime (scripts/test-fuzz).
# shellcheck disable=SC2034
QUORVIN_FUZZ_PACKAGES=(clang libclang-rt-14-dev)
