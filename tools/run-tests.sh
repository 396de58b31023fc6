#!/usr/bin/env bash
# Sets up a fresh Debian machine (packages), builds everything and runs every
# test headless: no display server and no sound device are needed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
ctest --test-dir build --output-on-failure -j2
# The player in a web page, in headless Chromium, against this build's
# desktop player (the browser build goes into build-web/).
DEMOPLAYER_BUILD=build bash tools/run-web-tests.sh
