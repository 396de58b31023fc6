#!/usr/bin/env bash
# The Debian package as a user meets it: built (tools/make-deb.sh, lintian
# clean of errors), installed with apt (which pulls its dependencies), used
# from an ordinary account (version, manual pages, help, completion, the
# installed example played headless, a demo's script opened as a file
# manager opens it), then removed: nothing of it may be left.
# Needs root (or sudo) for apt; refuses to touch an installed demoplayer.
set -euo pipefail
cd "$(dirname "$0")/.."
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
fail() { echo "FAIL: $*" >&2; exit 1; }

if dpkg-query -W -f='${Status}' demoplayer 2>/dev/null | grep -q "installed"; then
  echo "test-package: demoplayer is installed on this machine; remove it first" >&2
  exit 1
fi
deb="$(bash tools/make-deb.sh "${1:-build-deb}" | tail -n 1)"
version="$(dpkg-deb -f "$deb" Version)"
files="$(mktemp)"
work="$(mktemp -d)"
chmod 755 "$work"
cleanup() {
  rm -rf "$work" "$files"
  $SUDO apt-get remove --purge -y -qq demoplayer >/dev/null 2>&1 || true
}
trap cleanup EXIT
# What the package puts on the machine: its files, not the folders it shares.
dpkg-deb -c "$deb" | awk '{print substr($6, 2)}' | grep -v '/$' >"$files"

echo "installing $deb" >&2
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get install -y -qq "$(realpath "$deb")" >/dev/null

# From here on as a user: an unprivileged account where there is one, with
# nothing of the source or build folders at hand.
as_user() {
  if [ "$(id -u)" -eq 0 ] && id nobody >/dev/null 2>&1; then
    runuser -u nobody -- env -i PATH=/usr/bin:/bin HOME="$work" "$@"
  else
    env -i PATH=/usr/bin:/bin HOME="$work" "$@"
  fi
}
cd "$work"

[ "$(as_user demoplayer --version)" = "demoplayer ${version%-*}" ] ||
  fail "demoplayer --version does not say ${version%-*}"
[ "$(as_user demoplayer-scene --version)" = "demoplayer-scene ${version%-*}" ] ||
  fail "demoplayer-scene --version does not say ${version%-*}"
[ "$(as_user man -w demoplayer)" = /usr/share/man/man1/demoplayer.1.gz ] ||
  fail "man -w demoplayer"
as_user man -w demoplayer-scene >/dev/null || fail "man -w demoplayer-scene"
as_user sh -c 'MANWIDTH=80 man demoplayer 2>/dev/null' | grep -q "EXIT STATUS" ||
  fail "man demoplayer does not show the page"
as_user demoplayer-scene --help | grep -q "preview FILE.scene" || fail "demoplayer-scene --help"

headless=(SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy)
as_user env "${headless[@]}" demoplayer --batch --mode 320x240 --until 2 -q \
  /usr/share/demoplayer/examples/demo >/dev/null 2>"$work/err" ||
  fail "the installed example did not play: $(cat "$work/err")"
# Opening the script from a file manager runs the desktop entry's command
# with the script's path.
exec_line="$(sed -n 's/^Exec=//p' /usr/share/applications/demoplayer.desktop)"
[ "$exec_line" = "demoplayer %f" ] || fail "the desktop entry runs \"$exec_line\""
as_user env "${headless[@]}" demoplayer /usr/share/demoplayer/examples/demo/demo.qsc \
  --batch --mode 160x120 --until 1 -q >/dev/null 2>"$work/err" ||
  fail "the example's script did not play: $(cat "$work/err")"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate /usr/share/applications/demoplayer.desktop
fi
# File managers offer the player for scripts once the desktop database's
# trigger has run; the file types are known once the MIME database's has.
if command -v update-desktop-database >/dev/null; then
  grep -q "^text/x-demoplayer-script=.*demoplayer.desktop" /usr/share/applications/mimeinfo.cache ||
    fail "the desktop entry is not registered for scripts"
fi
if command -v update-mime-database >/dev/null; then
  grep -q "text/x-demoplayer-script:\*\.qsc" /usr/share/mime/globs2 ||
    fail "the script type is not registered"
  [ -e /usr/share/mime/application/x-demoplayer-scene.xml ] || fail "the scene type is not registered"
fi

# Completion as bash offers it: options, values and the scene tool's words.
complete_words() {
  as_user bash -c '
    source /usr/share/bash-completion/bash_completion
    source /usr/share/bash-completion/completions/$1
    COMP_WORDS=("${@:2}"); COMP_CWORD=$(($# - 2)); COMP_LINE="${*:2}"; COMP_POINT=${#COMP_LINE}
    $(complete -p "$1" | sed "s/.*-F \([^ ]*\) .*/\1/") "$1" "${COMP_WORDS[-1]}" "${COMP_WORDS[-2]}"
    printf "%s\n" "${COMPREPLY[@]}"' _ "$@"
}
if [ -r /usr/share/bash-completion/bash_completion ]; then
  [ "$(complete_words demoplayer demoplayer --rend)" = "--renderer" ] || fail "completing --rend"
  [ "$(complete_words demoplayer demoplayer --renderer "" | sort | tr '\n' ' ')" = "gl1 gles2 " ] ||
    fail "completing --renderer's values"
  [ "$(complete_words demoplayer-scene demoplayer-scene pr)" = "preview" ] ||
    fail "completing the scene tool's commands"
  (cd /usr/share/demoplayer/examples/demo &&
    [ "$(complete_words demoplayer-scene demoplayer-scene info "")" = "courtyard.scn" ]) ||
    fail "completing a scene file"
fi

echo "removing the package" >&2
$SUDO apt-get remove --purge -y -qq demoplayer >/dev/null
if dpkg-query -W -f='${Status}' demoplayer 2>/dev/null | grep -q "installed"; then
  fail "demoplayer is still installed"
fi
left=()
while read -r f; do [ -e "$f" ] && left+=("$f"); done <"$files"
[ -d /usr/share/demoplayer ] && left+=(/usr/share/demoplayer)
[ -d /usr/share/doc/demoplayer ] && left+=(/usr/share/doc/demoplayer)
[ ${#left[@]} -eq 0 ] || fail "left behind: ${left[*]}"
echo "package $deb: installed, used and removed cleanly ($(wc -l <"$files") files)"
