#!/usr/bin/env bash
# Sets up, builds and runs every test; uses a virtual display when there is none. Warnings are
# errors here. Extra arguments go to CMake (CI adds -DMORVELAN_SANITIZE=ON, or a build type);
# BUILD_DIR picks the build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
dir="${BUILD_DIR:-build}"
scripts/build.sh "$dir" -DMORVELAN_TESTS=ON -DMORVELAN_WERROR=ON "$@"
ctest=(ctest --test-dir "$dir" --output-on-failure -j"$(nproc)")
if [ -z "${DISPLAY:-}" ]; then
    xvfb-run -a -s "-screen 0 1024x768x24" "${ctest[@]}"
else
    "${ctest[@]}"
fi
