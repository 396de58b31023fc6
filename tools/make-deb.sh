#!/usr/bin/env bash
# Builds the Debian package as Debian would build it (installed under /usr,
# Debian's hardening flags, stripped) and checks it with lintian:
#   tools/make-deb.sh [BUILD_DIR]     (default build-deb)
# The package is left in BUILD_DIR as demoplayer_VERSION-1_ARCH.deb and its
# path printed on the last line; lintian's errors fail the script.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD="${1:-build-deb}"
bash tools/install-deps.sh

# Debian's build flags (fortified functions, stack protector, read-only
# relocations, immediate binding), as dpkg-buildpackage would set them.
export DEB_BUILD_MAINT_OPTIONS="hardening=+all"
CFLAGS="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
export CFLAGS CXXFLAGS LDFLAGS

cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DDEMOPLAYER_DEBIAN_PACKAGE=ON -DDEMOPLAYER_TESTS=OFF -DDEMOPLAYER_BENCH=OFF >/dev/null
cmake --build "$BUILD" -j2
rm -f "$BUILD"/demoplayer_*.deb
(cd "$BUILD" && cpack -G DEB >/dev/null)
deb="$(ls "$BUILD"/demoplayer_*.deb)"

# Tags one per line; their explanations only when something fails.
echo "lintian:" >&2
if ! lintian --fail-on error "$deb" >&2; then
  lintian --info "$deb" >&2 || true
  echo "make-deb: lintian found errors in $deb" >&2
  exit 1
fi
echo "$deb"
