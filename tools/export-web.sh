#!/usr/bin/env bash
# Makes DEMO_DIR (a folder with demo.qsc and its files) into OUT_DIR, a web
# page that plays it when served by any static web server:
#   tools/export-web.sh [--build BUILD] [--title TEXT] [--mode WxH] DEMO_DIR OUT_DIR
# The page's files come from BUILD/page (tools/build-web.sh; built first when
# missing). The demo's files are copied as they are, archives included, into
# OUT_DIR/demo; OUT_DIR/demo.json lists them for the page.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD="$ROOT/build-web"
TITLE=""
MODE="640x480"
usage() { echo "usage: $0 [--build BUILD] [--title TEXT] [--mode WxH] DEMO_DIR OUT_DIR" >&2; exit 2; }
while [ $# -gt 0 ]; do
  case "$1" in
    --build) BUILD=$(cd "$2" && pwd); shift 2 ;;
    --title) TITLE=$2; shift 2 ;;
    --mode) MODE=$2; shift 2 ;;
    -h|--help) usage ;;
    -*) echo "$0: unknown option $1" >&2; usage ;;
    *) break ;;
  esac
done
[ $# -eq 2 ] || usage
DEMO=$1
OUT=$2
if ! compgen -G "$DEMO/[dD][eE][mM][oO].[qQ][sS][cC]" >/dev/null; then
  echo "$0: \"$DEMO\" has no demo.qsc" >&2
  exit 2
fi
[[ "$MODE" =~ ^[0-9]+x[0-9]+$ ]] || { echo "$0: --mode takes WxH, not \"$MODE\"" >&2; exit 2; }
if [ ! -f "$BUILD/page/player.wasm" ]; then
  bash "$ROOT/tools/build-web.sh" "$BUILD"
fi
DEMO=$(cd "$DEMO" && pwd)
mkdir -p "$OUT"
OUT=$(cd "$OUT" && pwd)
case "$OUT/" in "$DEMO/"*) echo "$0: OUT_DIR must not be inside DEMO_DIR" >&2; exit 2 ;; esac

rm -rf "$OUT/demo"
cp -R "$BUILD/page/." "$OUT/"
mkdir -p "$OUT/demo"
cp -R "$DEMO/." "$OUT/demo/"
[ -n "$TITLE" ] || TITLE=$(basename "$DEMO")
python3 - "$OUT" "$TITLE" "$MODE" <<'PY'
import json, os, sys
out, title, mode = sys.argv[1:4]
root = os.path.join(out, "demo")
files = []
for folder, dirs, names in os.walk(root):
    dirs[:] = sorted(d for d in dirs if not d.startswith("."))
    for name in sorted(names):
        if name.startswith("."):
            continue
        files.append(os.path.relpath(os.path.join(folder, name), root).replace(os.sep, "/"))
# The start screen shows the picture the player's loading screen shows.
loading = next((f for f in files if f.lower() == "loadingscreen.jpg"), None)
with open(os.path.join(out, "demo.json"), "w") as manifest:
    json.dump({"title": title, "mode": mode, "loadingScreen": loading, "files": files},
              manifest, indent=1)
print(f"{out}: {len(files)} files of the demo; serve the folder, e.g. "
      f"python3 -m http.server -d {out} -b 127.0.0.1 8000")
PY
