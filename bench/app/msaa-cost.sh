#!/usr/bin/env bash
# What smooth edges cost: the example demo played as fast as the machine
# draws (batch, 60 presentation frames per second of music, no window shown,
# no capture) and exported as a video, at 640x480 and 1280x720 with 0, 4 and
# 8 samples per pixel. Frames per second and export wall time, each also as
# a ratio to the same size without multisampling, measured side by side in
# one run. A driver that has fewer than 8 samples says so and uses its most.
#
# Usage: bench/app/msaa-cost.sh [BUILD_DIR] [SECONDS]
#   BUILD_DIR  where demoplayer is built (default: build)
#   SECONDS    only the first SECONDS of the example (default: 20)
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${1:-build}"
seconds="${2:-20}"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
export SDL_VIDEODRIVER="${SDL_VIDEODRIVER:-offscreen}" SDL_AUDIODRIVER=dummy

now() { date +%s.%N; }
frames=$(awk -v s="$seconds" 'BEGIN { print int(s * 60 + 0.999) }')
printf "%-9s %7s %8s %6s %9s %6s\n" mode samples "fps" ratio "export s" ratio
for mode in 640x480 1280x720; do
  base_fps="" base_export=""
  for samples in 0 4 8; do
    start=$(now)
    "$build/demoplayer" -C examples/demo --batch --mode "$mode" --fixed-fps 60 \
      --until "$seconds" --msaa "$samples" -q >/dev/null 2>"$out/play.txt"
    played=$(now)
    "$build/demoplayer" -C examples/demo --mode "$mode" --until "$seconds" \
      --msaa "$samples" --video "$out/example.mp4" >/dev/null 2>"$out/export.txt"
    exported=$(now)
    fps=$(awk -v f="$frames" -v s="$start" -v e="$played" 'BEGIN { printf "%.1f", f / (e - s) }')
    export_s=$(awk -v s="$played" -v e="$exported" 'BEGIN { printf "%.1f", e - s }')
    [ -z "$base_fps" ] && base_fps=$fps base_export=$export_s
    awk -v m="$mode" -v n="$samples" -v f="$fps" -v bf="$base_fps" -v x="$export_s" \
      -v bx="$base_export" 'BEGIN {
      printf "%-9s %7d %8.1f %6.2f %9.1f %6.2f\n", m, n, f, f / bf, x, x / bx }'
    grep -h "Anti-aliasing" "$out/play.txt" || true
  done
done
