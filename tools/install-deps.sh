#!/usr/bin/env bash
# Installs, only when missing, every Debian package demoplayer needs to build,
# run and test. Idempotent: prints nothing when everything is already there.
set -euo pipefail

PACKAGES=(
  # build
  build-essential cmake pkg-config clang
  # platform: window, GL context, audio, fonts
  libsdl2-dev libgl-dev libglu1-mesa-dev libegl-dev libegl-mesa0 libgl1-mesa-dri
  libfreetype-dev libfontconfig-dev fonts-liberation fonts-dejavu-core
  # assets and music
  zlib1g-dev libpng-dev libturbojpeg0-dev libsndfile1-dev libopenmpt-dev
  # video export
  libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev
  # the scene tool: model import
  libassimp-dev
  # manual pages; the Debian package and its checks
  scdoc dpkg-dev lintian
  # the package test: desktop entry, file types and completion as installed
  desktop-file-utils shared-mime-info bash-completion appstream
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  # tests: a real X display for windowed runs, archive and picture makers
  xvfb xauth zip python3 locales
  # tests: a Wayland compositor to lose, and keys pressed into a real window
  weston xdotool
  # tests: what reaches the graphics driver, traced
  apitrace
  # tests: ffprobe and ffmpeg read the exported videos back
  ffmpeg
  # tests: models for the scene tool to import
  assimp-testmodels
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
