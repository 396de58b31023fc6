#!/usr/bin/env bash
# `cmake --install` into a temporary prefix gives a tree that runs from there:
# the installed player plays the installed example, given by its folder or
# found by itself from an empty folder, also after the tree was moved; the
# manual pages, desktop entry and file types are where desktops look.
#   install-tree.sh BUILD_DIR
set -euo pipefail
BUILD="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$BUILD" --prefix "$work/prefix" >/dev/null
for f in bin/demoplayer bin/demoplayer-scene share/demoplayer/examples/demo/demo.qsc \
         share/man/man1/demoplayer.1.gz share/man/man1/demoplayer-scene.1.gz \
         share/applications/demoplayer.desktop share/mime/packages/demoplayer.xml \
         share/icons/hicolor/scalable/apps/demoplayer.svg \
         share/metainfo/org.example.demoplayer.metainfo.xml \
         share/bash-completion/completions/demoplayer \
         share/bash-completion/completions/demoplayer-scene \
         share/doc/demoplayer/README.md share/doc/demoplayer/LICENSE; do
  [ -e "$work/prefix/$f" ] || fail "$f is not installed"
done

# The tree is moved away from the prefix it was installed to, and nothing of
# the source or build folders may help it.
mv "$work/prefix" "$work/moved"
bin="$work/moved/bin"
example="$work/moved/share/demoplayer/examples/demo"
mkdir "$work/empty" && cd "$work/empty"
export XDG_DATA_DIRS="$work/nowhere"

"$bin/demoplayer" --batch --mode 160x120 --until 2 -q "$example" >/dev/null 2>"$work/err" ||
  fail "the installed example did not play: $(cat "$work/err")"
# A viewer's run with no demo here plays the example found beside the program.
"$bin/demoplayer" --mode 160x120 --until 1 -q >/dev/null 2>"$work/err" ||
  fail "a run without a demo did not play the example: $(cat "$work/err")"
grep -q "playing the example $example" "$work/err" ||
  fail "the run did not say it plays the example: $(cat "$work/err")"
# ... but a batch run is not second-guessed.
status=0
"$bin/demoplayer" --batch --mode 160x120 --until 1 -q >/dev/null 2>&1 || status=$?
[ "$status" -eq 245 ] || fail "a batch run without a demo ended with $status, not 245"

"$bin/demoplayer-scene" info "$example/courtyard.scn" >/dev/null ||
  fail "demoplayer-scene cannot read the installed example's scene"
[ "$(MANPATH="$work/moved/share/man" man -w demoplayer)" = \
  "$work/moved/share/man/man1/demoplayer.1.gz" ] || fail "man does not find demoplayer(1)"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$work/moved/share/applications/demoplayer.desktop" ||
    fail "the desktop entry is not valid"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$work/moved/share/metainfo/org.example.demoplayer.metainfo.xml" \
    >/dev/null || fail "the software centre's metadata is not valid"
fi
if command -v update-mime-database >/dev/null; then
  update-mime-database "$work/moved/share/mime"
  grep -q '\*\.qsc' "$work/moved/share/mime/globs2" || fail "the script type has no glob"
fi
echo "installed tree plays from $work/moved"
