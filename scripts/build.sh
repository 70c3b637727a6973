#!/usr/bin/env bash
# Configures and builds into build/ (or the folder given as $1, with extra CMake flags after it).
# BUILD_TARGETS, when set, names the only targets to build.
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${1:-build}"
shift || true
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
targets=()
[ -z "${BUILD_TARGETS:-}" ] || targets=(--target ${BUILD_TARGETS})
cmake --build "$dir" -j"$(nproc)" "${targets[@]}"
