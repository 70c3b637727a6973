#!/usr/bin/env bash
# Sets up, builds and starts the windowed game from the folder that holds graphics/, audio/ and data/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build
exec build/game-windowed
