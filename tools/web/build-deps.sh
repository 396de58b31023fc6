#!/usr/bin/env bash
# Builds the C libraries the WebAssembly player links -- zlib, libpng,
# libjpeg-turbo (TurboJPEG API), FreeType, libopenmpt and libsndfile -- from Debian's
# source packages with Debian's Emscripten, as static wasm libraries, and
# installs them into PREFIX (include/, lib/, lib/pkgconfig/).
#
#   tools/web/build-deps.sh PREFIX
#
# Beside PREFIX it keeps the downloaded sources (src/), the build trees
# (build/), one log per library (logs/) and the link check (check/).
# A library is rebuilt only when its stamp in PREFIX/.stamps is missing or
# names another source version or another recipe (the recipe is the text of
# its build function and the common flags), so a run with everything built
# takes seconds. The last step links tools/web/check-deps.c against all five
# libraries through their pkg-config files and runs it under node: a green
# run means the libraries link and work, not only that they were built.
#
# What the player's link must know (printed again at the end):
#  - Use these libraries, never Emscripten's ports (-sUSE_ZLIB, -sUSE_LIBPNG,
#    -sUSE_FREETYPE, ...): those download at build time.
#  - libopenmpt is C++ compiled with -fwasm-exceptions (WebAssembly's own
#    exception handling, which every browser with WebGL 2 has) and reports a
#    file it cannot load by throwing and catching inside; its libopenmpt.pc
#    carries -fwasm-exceptions in Libs so that the final link uses the same
#    exception handling. Every C++ object of the link must be compiled with
#    it too. libopenmpt is the largest part of the player and is built for
#    size (-Os): it renders a few kilobytes of sound a frame at most.
#  - No pthreads and no wasm SIMD anywhere: the page runs on one thread.
set -euo pipefail

if [[ $# -ne 1 || -z "$1" || "$1" == -* ]]; then
  echo "usage: $0 PREFIX" >&2
  exit 2
fi

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
PREFIX=$(realpath -m "$1")
ROOT=$(dirname "$PREFIX")
SRC_DIR=$ROOT/src
BUILD_DIR=$ROOT/build
LOG_DIR=$ROOT/logs
CHECK_DIR=$ROOT/check
STAMP_DIR=$PREFIX/.stamps
JOBS=${JOBS:-2}

# One optimisation level for everything but libopenmpt (see its recipe); no
# -pthread, no -msimd128.
OPT_FLAGS="-O2"

SUDO=()
if [[ $(id -u) -ne 0 ]]; then SUDO=(sudo); fi

say() { echo "build-deps: $*"; }

# ---------------------------------------------------------------- packages

# apt-get source needs a deb-src entry for main. A machine set up from the
# bookworm image has /etc/apt/sources.list.d/debian-src.sources; one without
# any source index gets the same file.
ensure_deb_src() {
  local have_src
  # shellcheck disable=SC2016 # $(COMPONENT) is apt's field syntax
  have_src=$(apt-get indextargets --format '$(COMPONENT)' 'Created-By: Sources' 2>/dev/null |
             grep -c '^main$' || true)
  local added=0
  if [[ $have_src -eq 0 ]]; then
    local codename=bookworm
    if [[ -r /etc/os-release ]]; then
      codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
    fi
    say "adding a deb-src entry for $codename main"
    "${SUDO[@]}" tee /etc/apt/sources.list.d/debian-src.sources >/dev/null <<EOF
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: $codename $codename-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
    added=1
  fi
  # The entry can exist while its index was never fetched; apt-get source
  # fails then just as without the entry.
  if [[ $added -eq 1 ]] || [[ -z $(apt-cache showsrc zlib 2>/dev/null | head -n 1) ]]; then
    say "apt-get update (source indexes)"
    "${SUDO[@]}" apt-get update -qq
    APT_UPDATED=1
  fi
}

# Installs what is missing. The package lists are refreshed only when an
# install from the lists at hand fails.
ensure_packages() {
  local wanted=(emscripten dpkg-dev cmake make pkg-config xz-utils bzip2)
  local missing=() p
  for p in "${wanted[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
      missing+=("$p")
    fi
  done
  [[ ${#missing[@]} -eq 0 ]] && return 0
  say "installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  if ! "${SUDO[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null; then
    [[ ${APT_UPDATED:-0} -eq 1 ]] && return 1
    "${SUDO[@]}" apt-get update -qq
    APT_UPDATED=1
    "${SUDO[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
}

# ---------------------------------------------------------------- toolchain

setup_emscripten() {
  # Debian's Emscripten runs its JS tools with the node first on PATH, which
  # need not be Debian's and then does not look in Debian's module folder:
  # point NODE_PATH at the folder node-acorn installs into.
  local acorn_dir
  acorn_dir=$(dpkg -L node-acorn 2>/dev/null | grep -m1 '/acorn/package.json$' || true)
  local node_modules=/usr/share/nodejs
  if [[ -n $acorn_dir ]]; then node_modules=$(dirname "$(dirname "$acorn_dir")"); fi
  export NODE_PATH="$node_modules${NODE_PATH:+:$NODE_PATH}"

  # Debian ships the system libraries prebuilt in a frozen cache that
  # Emscripten only reads, so a non-root user can build with it as it is.
  # Only an unfrozen cache that this user cannot write needs a cache of its
  # own (which Emscripten then fills itself).
  if [[ -z ${EM_CACHE:-} ]]; then
    local cache frozen
    cache=$(em-config CACHE)
    frozen=$(em-config FROZEN_CACHE)
    if [[ $frozen != True && ! -w $cache ]]; then
      export EM_CACHE=$ROOT/em-cache
      mkdir -p "$EM_CACHE"
    fi
  fi

  # Every configure and CMake run, and the check, finds the libraries
  # installed here and nothing from the host.
  # emconfigure and emcmake replace PKG_CONFIG_PATH with EM_PKG_CONFIG_PATH.
  export PKG_CONFIG_PATH=$PREFIX/lib/pkgconfig
  export PKG_CONFIG_LIBDIR=$PREFIX/lib/pkgconfig
  export EM_PKG_CONFIG_PATH=$PREFIX/lib/pkgconfig
}

# ---------------------------------------------------------------- sources

# Prints the newest .dsc of source package $1 in SRC_DIR, downloading it
# first when there is none.
fetch_source() {
  local pkg=$1 dsc
  dsc=$(ls "$SRC_DIR/${pkg}"_*.dsc 2>/dev/null | sort -V | tail -n 1 || true)
  if [[ -z $dsc ]]; then
    (cd "$SRC_DIR" && apt-get source --download-only "$pkg") >>"$LOG_DIR/sources.log" 2>&1 || {
      echo "build-deps: apt-get source $pkg failed; last lines of $LOG_DIR/sources.log:" >&2
      tail -n 20 "$LOG_DIR/sources.log" >&2
      return 1
    }
    dsc=$(ls "$SRC_DIR/${pkg}"_*.dsc | sort -V | tail -n 1)
  fi
  echo "$dsc"
}

dsc_version() { sed -n 's/^Version: //p' "$1" | head -n 1; }

# ---------------------------------------------------------------- recipes
# Each build_NAME runs in a fresh tree: $1 is the unpacked source (Debian's
# patches applied), $2 an empty build folder. Output goes to the log.

CMAKE_COMMON=()
cmake_common() {
  CMAKE_COMMON=(
    # Build type None, as Debian builds: the flags are exactly these
    # (libjpeg-turbo turns a Release -O2 into -O3).
    -DCMAKE_BUILD_TYPE=None
    "-DCMAKE_C_FLAGS=$OPT_FLAGS -DNDEBUG"
    "-DCMAKE_CXX_FLAGS=$OPT_FLAGS -DNDEBUG"
    # Emscripten's CheckTypeSize runs its probes under node; with fetch
    # present they try to fetch() the .wasm from a file path, fail, and
    # report a nonsense size (libjpeg-turbo then cannot compile).
    "-DCMAKE_CROSSCOMPILING_EMULATOR=$(command -v node);--no-experimental-fetch"
    "-DCMAKE_INSTALL_PREFIX=$PREFIX"
    # No CMAKE_INSTALL_LIBDIR/INCLUDEDIR: for Emscripten they default to lib
    # and include; given with -D, libjpeg-turbo would resolve them against
    # the working directory, and given absolute, FreeType's .pc breaks.
    -DBUILD_SHARED_LIBS=OFF
  )
  # Emscripten's toolchain file confines find_package() to its sysroot, so
  # the recipes name zlib and libpng from PREFIX explicitly.
}

# Configures a CMake project ($1 source, $2 build folder) with the common
# flags and the arguments after them, builds it and installs it.
cmake_recipe() {
  local src=$1 build=$2
  shift 2
  emcmake cmake -S "$src" -B "$build" "${CMAKE_COMMON[@]}" "$@"
  emmake make -C "$build" -j"$JOBS"
  emmake make -C "$build" install
}

build_zlib() {
  cd "$1"
  CFLAGS="$OPT_FLAGS" emconfigure ./configure --static --prefix="$PREFIX" \
    --libdir="$PREFIX/lib" --includedir="$PREFIX/include"
  emmake make -j"$JOBS" libz.a
  emmake make install
}

build_libpng() {
  # Hardware optimisations off: Emscripten calls its processor x86, and
  # libpng would then compile its SSE2 filters.
  cmake_recipe "$1" "$2" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_EXECUTABLES=OFF -DPNG_TESTS=OFF \
    -DPNG_HARDWARE_OPTIMIZATIONS=OFF -Dld-version-script=OFF \
    "-DZLIB_INCLUDE_DIR=$PREFIX/include" "-DZLIB_LIBRARY=$PREFIX/lib/libz.a"
}

build_libjpeg_turbo() {
  cmake_recipe "$1" "$2" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=ON \
    -DWITH_JAVA=OFF -DWITH_12BIT=OFF
  # Its command-line tools are always built and installed, as .js without
  # their .wasm: useless here.
  local tool
  for tool in cjpeg djpeg jpegtran rdjpgcom wrjpgcom tjbench; do
    rm -f "$PREFIX/bin/$tool.js"
  done
}

build_freetype() {
  cmake_recipe "$1" "$2" \
    -DFT_DISABLE_BROTLI=ON -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BZIP2=ON \
    -DFT_REQUIRE_ZLIB=ON -DFT_REQUIRE_PNG=ON \
    "-DZLIB_INCLUDE_DIR=$PREFIX/include" "-DZLIB_LIBRARY=$PREFIX/lib/libz.a" \
    "-DPNG_PNG_INCLUDE_DIR=$PREFIX/include/libpng16" \
    "-DPNG_LIBRARY_RELEASE=$PREFIX/lib/libpng16.a" "-DPNG_LIBRARY=$PREFIX/lib/libpng16.a"
}

build_libsndfile() {
  # Its own formats only (WAV with its ADPCM codecs, AIFF, AU, ...): Ogg,
  # Vorbis, FLAC, Opus and MP3 are the browser's to decode.
  cmake_recipe "$1" "$2" \
    -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_TESTING=OFF -DBUILD_REGTEST=OFF \
    -DENABLE_EXTERNAL_LIBS=OFF -DENABLE_MPEG=OFF -DENABLE_CPACK=OFF \
    -DINSTALL_MANPAGES=OFF -DINSTALL_PKGCONFIG_MODULE=ON -DENABLE_PACKAGE_CONFIG=OFF
}

build_libopenmpt() {
  cd "$1"
  # config.sub of this release does not know "emscripten"; wasm32-unknown-none
  # makes configure treat the build as the cross build it is (it cannot run
  # what emcc links). Static and library only: no openmpt123, examples,
  # tests or docs, no codec or audio-output libraries; zlib comes from PREFIX.
  emconfigure ./configure --host=wasm32-unknown-none --prefix="$PREFIX" \
    --disable-shared --enable-static \
    --disable-openmpt123 --disable-examples --disable-tests --disable-doxygen-doc \
    --with-zlib --without-mpg123 --without-ogg --without-vorbis --without-vorbisfile \
    --without-portaudio --without-portaudiocpp --without-pulseaudio \
    --without-sndfile --without-flac --without-sdl2 \
    CFLAGS="-Os" CXXFLAGS="-Os -fwasm-exceptions"
  grep -q -- '-DMPT_WITH_ZLIB' Makefile
  emmake make -j"$JOBS"
  emmake make install
  rm -f "$PREFIX/lib/libopenmpt.la"
  # libopenmpt catches its own exceptions; the final link must use the same
  # exception handling, so the link flag travels with -l.
  sed -i 's|^Libs: \(.*-lopenmpt\)$|Libs: \1 -fwasm-exceptions|' "$PREFIX/lib/pkgconfig/libopenmpt.pc"
  grep -q '^Libs: .*-lopenmpt -fwasm-exceptions$' "$PREFIX/lib/pkgconfig/libopenmpt.pc"
}

# ---------------------------------------------------------------- driver

# build_one NAME SOURCE_PACKAGE RESULT: builds NAME unless RESULT (relative
# to PREFIX) exists and the stamp matches this source version and recipe.
build_one() {
  local name=$1 pkg=$2 result=$3
  local fn=build_${name//-/_}
  local dsc version recipe stamp log
  dsc=$(fetch_source "$pkg")
  version=$(dsc_version "$dsc")
  recipe=$( {
      declare -f "$fn"
      echo "$OPT_FLAGS"
      if declare -f "$fn" | grep -q cmake_recipe; then
        declare -f cmake_recipe
        printf '%s\n' "${CMAKE_COMMON[@]}"
      fi
    } | sha1sum | cut -c1-12)
  stamp="$pkg $version $recipe"
  if [[ -f $PREFIX/$result && -f $STAMP_DIR/$name && $(cat "$STAMP_DIR/$name") == "$stamp" ]]; then
    say "$name $version: up to date"
    VERSIONS+=("$name $version")
    return 0
  fi

  log=$LOG_DIR/$name.log
  say "$name $version: building (log: $log)"
  local start=$SECONDS tree=$BUILD_DIR/$name rc
  rm -rf "${tree:?}" "${STAMP_DIR:?}/$name"
  mkdir -p "$tree/build"
  set +e
  (
    set -euo pipefail
    cd "$tree"
    dpkg-source -x "$dsc" "$tree/src"
    "$fn" "$tree/src" "$tree/build"
    test -f "$PREFIX/$result"
  ) >"$log" 2>&1
  rc=$?
  set -e
  if [[ $rc -ne 0 ]]; then
    echo "build-deps: $name FAILED (exit $rc); last lines of $log:" >&2
    tail -n 40 "$log" >&2
    exit 1
  fi
  echo "$stamp" >"$STAMP_DIR/$name"
  say "$name $version: done in $((SECONDS - start)) s"
  VERSIONS+=("$name $version")
}

# Links check-deps.c against the five libraries through their pkg-config
# files, the way the player links, and runs it under node. Relinks only
# when the program or a library changed.
check_link() {
  local js=$CHECK_DIR/check-deps.js log=$LOG_DIR/check.log
  local modules=(zlib libpng libturbojpeg freetype2 libopenmpt)
  local inputs=("$HERE/check-deps.c" "$PREFIX/lib/pkgconfig/"*.pc "$PREFIX/lib/"*.a)
  local stale=0 f
  [[ -f $js ]] || stale=1
  for f in "${inputs[@]}"; do [[ $f -nt $js ]] && stale=1; done
  if [[ $stale -eq 1 ]]; then
    mkdir -p "$CHECK_DIR"
    # SINGLE_FILE: this Emscripten loads a separate .wasm with fetch()
    # whenever fetch exists, and node's fetch cannot read a file path.
    # shellcheck disable=SC2046
    if ! emcc $OPT_FLAGS "$HERE/check-deps.c" -o "$js" \
           $(pkg-config --cflags "${modules[@]}") \
           $(pkg-config --static --libs "${modules[@]}") \
           -sENVIRONMENT=node -sSINGLE_FILE=1 -sALLOW_MEMORY_GROWTH=1 >"$log" 2>&1; then
      echo "build-deps: linking the check against the libraries FAILED; last lines of $log:" >&2
      tail -n 40 "$log" >&2
      rm -f "$js"
      exit 1
    fi
  fi
  if ! node "$js"; then
    echo "build-deps: the check program FAILED" >&2
    exit 1
  fi
}

main() {
  local start=$SECONDS
  APT_UPDATED=0
  VERSIONS=()
  ensure_packages
  ensure_deb_src
  mkdir -p "$PREFIX" "$SRC_DIR" "$BUILD_DIR" "$LOG_DIR" "$STAMP_DIR"
  setup_emscripten
  cmake_common

  build_one zlib          zlib          lib/libz.a
  build_one libpng        libpng1.6     lib/libpng16.a
  build_one libjpeg-turbo libjpeg-turbo lib/libturbojpeg.a
  build_one freetype      freetype      lib/libfreetype.a
  build_one libopenmpt    libopenmpt    lib/libopenmpt.a
  build_one libsndfile    libsndfile    lib/libsndfile.a

  check_link

  cat <<EOF
build-deps: done in $((SECONDS - start)) s
  prefix:      $PREFIX
  libraries:   $(printf '%s, ' "${VERSIONS[@]}" | sed 's/, $//')
  pkg-config:  PKG_CONFIG_LIBDIR=$PREFIX/lib/pkgconfig
               zlib libpng libturbojpeg freetype2 libopenmpt sndfile
  link:        libopenmpt.pc adds -fwasm-exceptions (every C++ object needs it);
               no -sUSE_* ports, no -pthread, no -msimd128
  node:        NODE_PATH=$NODE_PATH
  sources:     $SRC_DIR
  logs:        $LOG_DIR
EOF
}

main
