#!/usr/bin/env bash
# Compares what two builds of the player draw: the example demo captured by
# the build in BUILD_DIR and by the commit BASE (built in a worktree under
# build-base/), every 10th frame of the whole demo at 640x480 (6 frames per
# second of music) and a few frames at 1280x720. Prints how many frames are
# byte-identical and, for each that is not, its PSNR and how many pixels
# differ; writes the differing pairs side by side into OUT_DIR/diff/.
# For changes that must not change the picture (refactoring the drawing).
#
# Usage: [RENDERER=gles2] tools/compare-frames.sh BASE [BUILD_DIR] [OUT_DIR]
#   BASE       a commit (default: none; required)
#   BUILD_DIR  the build to compare (default: build)
#   OUT_DIR    where frames go (default: a temporary folder, removed after)
#   RENDERER   the renderer both builds draw with (default: the player's)
set -euo pipefail
cd "$(dirname "$0")/.."
base="${1:?usage: tools/compare-frames.sh BASE [BUILD_DIR] [OUT_DIR]}"
build="${2:-build}"
out="${3:-}"
if [ -z "$out" ]; then
  out="$(mktemp -d)"
  trap 'rm -rf "$out"' EXIT
fi
export SDL_VIDEODRIVER="${SDL_VIDEODRIVER:-offscreen}" SDL_AUDIODRIVER=dummy

# The base build: one worktree and build folder per commit, kept for reuse.
sha="$(git rev-parse --short "$base")"
tree="build-base/$sha/src"
if [ ! -x "build-base/$sha/build/demoplayer" ]; then
  mkdir -p "build-base/$sha"
  [ -d "$tree" ] || git worktree add --detach "$tree" "$sha" >/dev/null
  cmake -S "$tree" -B "build-base/$sha/build" -DCMAKE_BUILD_TYPE=Release \
    -DDEMOPLAYER_BENCH=OFF >/dev/null
  cmake --build "build-base/$sha/build" -j2 --target demoplayer >/dev/null
fi

capture() {  # BINARY DEMO OUT MODE ARGS...
  local binary="$1" demo="$2" dir="$3" mode="$4"
  shift 4
  rm -rf "$dir"
  "$binary" -C "$demo" --mode "$mode" --capture "$dir" -q ${RENDERER:+--renderer "$RENDERER"} \
    "$@" >/dev/null 2>&1
}
# Both draw the example of the tree being compared, so a change to the
# example itself shows as a difference too.
demo="$PWD/examples/demo"
capture "build-base/$sha/build/demoplayer" "$demo" "$out/base640" 640x480 --fixed-fps 6
capture "$build/demoplayer" "$demo" "$out/new640" 640x480 --fixed-fps 6
capture "build-base/$sha/build/demoplayer" "$demo" "$out/base720" 1280x720 --fixed-fps 1 \
  --start 4 --until 44
capture "$build/demoplayer" "$demo" "$out/new720" 1280x720 --fixed-fps 1 --start 4 --until 44

same=0 differ=0
mkdir -p "$out/diff"
for size in 640 720; do
  for f in "$out/base$size"/*.png; do
    name="$(basename "$f")"
    other="$out/new$size/$name"
    if [ ! -f "$other" ]; then
      echo "$size $name: missing from the new build"
      differ=$((differ + 1))
    elif cmp -s "$f" "$other"; then
      same=$((same + 1))
    else
      differ=$((differ + 1))
      psnr=$(compare -metric PSNR "$f" "$other" null: 2>&1 || true)
      pixels=$(compare -metric AE "$f" "$other" null: 2>&1 || true)
      echo "$size $name: PSNR $psnr dB, $pixels pixels differ"
      montage "$f" "$other" -tile 2x1 -geometry +2+2 "$out/diff/${size}_$name"
    fi
  done
done
echo "identical: $same, different: $differ"
