#!/usr/bin/env bash
# Installs the Debian packages Tallyvol needs, when missing. Idempotent.
#   scripts/install-packages.sh build   what building and running the program needs
#   scripts/install-packages.sh test    that, plus what the test suite needs
set -euo pipefail

BUILD_PACKAGES=(
    g++ cmake ninja-build pkg-config
    libsqlite3-dev sqlite3
    unixodbc-dev odbcinst libsqliteodbc odbc-mariadb tdsodbc mariadb-client
    qt6-base-dev qt6-tools-dev qt6-charts-dev libqt6opengl6-dev libxkbcommon-dev libxlsxwriter-dev libcurl4-openssl-dev
    cups-client
)
TEST_PACKAGES=(
    libgtest-dev libgmock-dev
    mariadb-server python3-aiosmtpd cron busybox poppler-utils tzdata python3-openpyxl
    xvfb xdotool
)

case "${1:-build}" in
    build) wanted=("${BUILD_PACKAGES[@]}") ;;
    test) wanted=("${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}") ;;
    *) echo "usage: $0 build|test" >&2; exit 2 ;;
esac

missing=()
for package in "${wanted[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "Tallyvol needs these Debian packages, which are not installed:" >&2
    echo "  ${missing[*]}" >&2
    echo "Install them as root (sudo apt-get install --no-install-recommends ${missing[*]})" >&2
    echo "or run this script as root." >&2
    exit 1
fi

echo "Installing: ${missing[*]}"
# Package scripts must not start services (the database server, cron): tests start their own.
policy=/usr/sbin/policy-rc.d
own_policy=0
if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' > "$policy"
    chmod 755 "$policy"
    own_policy=1
fi
cleanup() {
    if [ "$own_policy" -eq 1 ]; then
        rm -f "$policy"
    fi
}
trap cleanup EXIT

export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
