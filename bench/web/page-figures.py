#!/usr/bin/env python3
"""Figures of the example as a web page, beside the desktop player.

  bench/web/page-figures.py [WEB_BUILD [DESKTOP_BUILD [ROUNDS]]]

- the page's files as served, raw and gzipped;
- time from opening the page to its first frame (the loading screen) and to
  the presentation's first frame, in headless Chromium;
- frames per second of the example's parts (2D 4-19 s, 3D with fast
  shadows 24-32 s, with accurate shadows 32-42 s), drawn as fast as each
  can (60 frames per second of music, no capture): the page in headless
  Chromium (WebGL through SwiftShader) and the desktop player under gles2
  (Mesa's llvmpipe), run by turns round by round; the fastest round of each
  counts, and the ratio page/desktop. At 640x480, and at 160x120, where
  the software rasterizers have little to do and the players' own cost per
  frame (WebAssembly, the WebGL calls) shows.
"""

import gzip
import os
import subprocess
import sys
import tempfile
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "web"))
import webpage  # noqa: E402

WEB_BUILD = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build-web"))
BUILD = os.path.abspath(sys.argv[2] if len(sys.argv) > 2 else os.path.join(ROOT, "build"))
ROUNDS = int(sys.argv[3]) if len(sys.argv) > 3 else 2
PARTS = [("2D", 4, 19), ("3D-fast", 24, 32), ("3D-acc", 32, 42)]
MODE = "640x480"
SIZES = ["640x480", "160x120"]


def page_fps(page, start, until, mode):
    query = "fixedFps=60&start=%g&until=%g&clock=1&mode=%s" % (start, until, mode)
    run = webpage.run_page(page, query, timeout=900)
    assert run.status == 0, run.messages
    times = [reading[2] for reading in run.report["clock"]]
    return (len(times) - 1) / (times[-1] - times[0]), run


def desktop_fps(start, until, mode):
    def once(end):
        began = time.monotonic()
        subprocess.run([os.path.join(BUILD, "demoplayer"), "-C", os.path.join(ROOT, "examples", "demo"),
                        "--batch", "--mode", mode, "--renderer", "gles2", "--fixed-fps", "60",
                        "--start", str(start), "--until", str(end), "-q"],
                       env=dict(os.environ, SDL_VIDEODRIVER="offscreen", SDL_AUDIODRIVER="dummy"),
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return time.monotonic() - began
    # Start-up and loading are timed by a run that ends at its first frame.
    return (until - start) * 60 / (once(until) - once(start + 0.001))


def main():
    with tempfile.TemporaryDirectory() as work:
        page = os.path.join(work, "example")
        subprocess.run(["bash", os.path.join(ROOT, "tools", "export-web.sh"), "--build", WEB_BUILD,
                        os.path.join(ROOT, "examples", "demo"), page], check=True,
                       stdout=subprocess.DEVNULL)
        print("page files (served / gzipped):")
        for name in ["player.wasm", "player.js", "page.js", "page.css", "index.html"]:
            data = open(os.path.join(page, name), "rb").read()
            print("  %-12s %9d / %9d bytes" % (name, len(data), len(gzip.compress(data, 9))))

        first = []
        for _ in range(ROUNDS):
            run = webpage.run_page(page, "autoplay=1&until=4.1&start=4&mode=%s" % MODE)
            assert run.status == 0, run.messages
            first.append((run.report["firstFrameMs"], run.report["firstPresentationMs"]))
        print("opening the page to its first frame: %.0f ms; to the presentation's: %.0f ms"
              " (fastest of %d)" % (min(f[0] for f in first), min(f[1] for f in first), ROUNDS))

        print("%-8s %-8s %10s %10s %6s" % ("size", "part", "page", "desktop", "ratio"))
        for mode in SIZES:
            for name, start, until in PARTS:
                best_page = best_desktop = 0.0
                for _ in range(ROUNDS):
                    best_page = max(best_page, page_fps(page, start, until, mode)[0])
                    best_desktop = max(best_desktop, desktop_fps(start, until, mode))
                print("%-8s %-8s %10.1f %10.1f %6.2f" % (mode, name, best_page, best_desktop,
                                                        best_page / best_desktop))


if __name__ == "__main__":
    main()
