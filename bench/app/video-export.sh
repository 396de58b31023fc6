#!/usr/bin/env bash
# Times the video export of the example demo at 640x480 and 1280x720: wall
# time as a ratio of the presentation's length, and the split the player
# reports in its last progress line. A ratio below 1 means the export is
# faster than real time.
# The drawing thread draws, reads back and waits for a free place in the
# encoder's queue; the encoder thread converts and encodes beside it. Little
# waiting means the export is bound by drawing and read-back, much waiting
# that it is bound by encoding. Read-back is the time glReadPixels takes,
# which includes the GL driver finishing the frame (with a software driver,
# most of the drawing).
#
# Usage: bench/app/video-export.sh [BUILD_DIR] [SECONDS]
#   BUILD_DIR  where demoplayer is built (default: build)
#   SECONDS    export only the first SECONDS of the example (default: all of it)
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${1:-build}"
until_args=()
[ -n "${2:-}" ] && until_args=(--until "$2")
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
export SDL_VIDEODRIVER="${SDL_VIDEODRIVER:-offscreen}" SDL_AUDIODRIVER=dummy

for mode in 640x480 1280x720; do
  start=$(date +%s.%N)
  "$build/demoplayer" -C examples/demo --mode "$mode" "${until_args[@]}" \
    --video "$out/example.mp4" >/dev/null 2>"$out/err.txt"
  end=$(date +%s.%N)
  length=$(ffprobe -v error -select_streams v -show_entries stream=duration -of csv=p=0 \
    "$out/example.mp4")
  split=$(tr '\r' '\n' <"$out/err.txt" | grep -o 'drawing.*' | tail -1)
  awk -v m="$mode" -v s="$start" -v e="$end" -v l="$length" -v sp="$split" 'BEGIN {
    printf "%-9s %6.1f s for %5.1f s of presentation: ratio %.2f; %s\n", m, e - s, l, (e - s) / l, sp
  }'
done
