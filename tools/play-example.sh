#!/usr/bin/env bash
# Sets up a fresh Debian machine (packages), builds the player and plays the
# bundled example demo: in a window when a display is there, otherwise as an
# offscreen batch run that writes its frames to build/example-frames/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target demoplayer
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/demoplayer -C examples/demo "$@"
fi
# -C comes first, so a relative capture path would land inside the demo.
frames="$PWD/build/example-frames"
echo "No display: playing offscreen, frames go to build/example-frames/" >&2
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
exec build/demoplayer -C examples/demo --capture "$frames" "$@"
