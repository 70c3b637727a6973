#!/usr/bin/env bash
# Installs the Debian packages the game needs, and with no argument those its tests and fuzz
# targets need too; `--game` installs the game's alone. Does nothing when they are present.
set -euo pipefail
packages=(cmake g++ make pkg-config
          libbox2d-dev libglfw3-dev libstb-dev libgl1-mesa-dev libglu1-mesa-dev
          libopenal-dev libsndfile1-dev)
if [ "${1:-}" != "--game" ]; then
    packages+=(libgtest-dev libbenchmark-dev xvfb xauth
               clang libclang-rt-14-dev)  # the fuzz targets: libFuzzer and the sanitizers' runtimes
fi
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
