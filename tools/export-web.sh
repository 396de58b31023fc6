#!/usr/bin/env bash
# Makes DEMO_DIR (a folder with demo.qsc and its files) into OUT_DIR, a web
# page that plays it when served by any static web server:
#   tools/export-web.sh [--build BUILD] [--title TEXT] [--mode WxH] [--player PATH] DEMO_DIR OUT_DIR
# The page's files come from BUILD/page (tools/build-web.sh; built first when
# missing). The demo's regular files are copied into OUT_DIR/demo and
# OUT_DIR/demo.json lists them for the page, once the desktop player's
# --verify has passed on the demo (--player, else $DEMOPLAYER, else
# build/demoplayer, else demoplayer on PATH).
# The demo folder is never written; OUT_DIR is assembled beside its place and
# moved there when complete. Every refusal exits with status 2. The work is
# tools/web/export.py's, which also removes its temporary folder on INT, TERM
# and HUP (exec: the signals reach it directly).
set -euo pipefail
DP_EXPORT_NAME=$0 exec python3 "$(dirname "$0")/web/export.py" "$@"
