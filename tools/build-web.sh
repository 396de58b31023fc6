#!/usr/bin/env bash
# Builds the player for web browsers (WebAssembly and WebGL) into
# BUILD (default build-web): installs Debian's emscripten when missing,
# builds zlib, libpng, libjpeg-turbo, FreeType and libopenmpt from Debian's
# source packages with emcc (tools/web/build-deps.sh), then the player, and
# puts the page's files together in BUILD/page. tools/export-web.sh makes a
# demo's web folder from them.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build-web}
mkdir -p "$BUILD"
BUILD=$(cd "$BUILD" && pwd)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
need=()
for p in emscripten fonts-liberation cmake pkg-config python3; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  echo "Installing: ${need[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

bash tools/web/build-deps.sh "$BUILD/deps/prefix"

# Debian's emcc runs its tools with the first node on PATH, which finds
# Debian's Node modules only through NODE_PATH.
acorn=$(dpkg -L node-acorn 2>/dev/null | grep -m1 '/acorn/package.json$' || true)
NODE_PATH=$( [ -n "$acorn" ] && dirname "$(dirname "$acorn")" || echo /usr/share/nodejs)
export NODE_PATH
if [ ! -w /usr/share/emscripten/cache ]; then export EM_CACHE="$BUILD/em-cache"; fi

emcmake cmake -S . -B "$BUILD/player" -DCMAKE_BUILD_TYPE=Release \
  -DDEMOPLAYER_TESTS=OFF -DDEMOPLAYER_BENCH=OFF \
  -DDEMOPLAYER_WEB_PREFIX="$BUILD/deps/prefix" >"$BUILD/player-configure.log" 2>&1 ||
  { tail -30 "$BUILD/player-configure.log"; exit 1; }
cmake --build "$BUILD/player" -j2

PAGE="$BUILD/page"
rm -rf "$PAGE"
mkdir -p "$PAGE/fonts"
cp "$BUILD/player/player.js" "$BUILD/player/player.wasm" app/web/index.html app/web/page.js \
  app/web/page.css "$PAGE/"
# The overlay's font: the face a Debian desktop's fontconfig gives the
# player's "Times:bold" when fonts-liberation is what it has.
cp /usr/share/fonts/truetype/liberation/LiberationSerif-Bold.ttf "$PAGE/fonts/overlay.ttf"
cp /usr/share/doc/fonts-liberation/copyright "$PAGE/fonts/LICENSE"
echo "The player's page: $PAGE"
