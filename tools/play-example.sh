#!/usr/bin/env bash
# Sets up a fresh Debian machine (packages), builds the player and plays the
# bundled example demo: in a window when a display is there, otherwise as an
# offscreen batch run that writes the whole example, with its music, to the
# video build/example.mp4.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target demoplayer
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/demoplayer -C examples/demo "$@"
fi
# -C comes first, so a relative video path would land inside the demo.
video="$PWD/build/example.mp4"
echo "No display: rendering offscreen into build/example.mp4" >&2
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
build/demoplayer -C examples/demo --video "$video" "$@"
echo "Written: $video" >&2
