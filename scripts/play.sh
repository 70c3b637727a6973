#!/usr/bin/env bash
# Sets up, builds and starts the windowed game from the folder that holds graphics/, audio/ and
# data/. Only what the game needs is installed and built: the two game programs, no tests.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --game
BUILD_TARGETS="game game-windowed" scripts/build.sh build -DMORVELAN_TESTS=OFF -DMORVELAN_WERROR=OFF
exec build/game-windowed
