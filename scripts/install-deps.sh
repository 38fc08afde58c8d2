#!/usr/bin/env bash
# Installs every Debian package Kestrune needs to build, test and run its demo. Safe to run again:
# when everything is present it changes nothing and does not touch the network.
set -euo pipefail

packages=(
    # native build and tests
    cmake make g++ pkg-config clang-format
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    libfreetype-dev libpng-dev fonts-liberation2
    libsndfile1-dev
    # Windows cross build, and its tests under Wine
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 xvfb xauth
    # the demo's drum recordings
    hydrogen-data
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "install-deps: all ${#packages[@]} packages present"
    exit 0
fi

echo "install-deps: installing ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi
"${sudo_cmd[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends \
    "${missing[@]}"
