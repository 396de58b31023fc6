#!/usr/bin/env bash
# The player in a web page: builds it (tools/build-web.sh), installs Debian's
# Chromium when missing, and runs tests/web in headless Chromium against the
# desktop player of the desktop build (built here when missing).
#   DEMOPLAYER_BUILD      desktop build folder (default build)
#   DEMOPLAYER_WEB_BUILD  browser build folder (default build-web)
set -euo pipefail
cd "$(dirname "$0")/.."
export DEMOPLAYER_BUILD=${DEMOPLAYER_BUILD:-build}
export DEMOPLAYER_WEB_BUILD=${DEMOPLAYER_WEB_BUILD:-build-web}

if ! dpkg-query -W -f='${Status}' chromium 2>/dev/null | grep -q "ok installed"; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  echo "Installing: chromium" >&2
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq chromium >/dev/null
fi
bash tools/build-web.sh "$DEMOPLAYER_WEB_BUILD"
if [ ! -x "$DEMOPLAYER_BUILD/demoplayer" ]; then
  bash tools/install-deps.sh
  cmake -S . -B "$DEMOPLAYER_BUILD" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$DEMOPLAYER_BUILD" -j2 --target demoplayer
fi
python3 tests/web/test_web_page.py
