#!/usr/bin/env python3
"""Figures of the example as a web page, beside the desktop player.

  bench/web/page-figures.py [--before WEB_BUILD] [WEB_BUILD [DESKTOP_BUILD [ROUNDS]]]

With --before, a second page build (its page/ folder) is measured by turns
with the first, in the same run, and every figure is given for both.

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
  frame (WebAssembly, the WebGL calls) shows;
- what a seek costs in the page, with sound: Page Down at the 60th
  presentation frame, paced by the display; the page time from the frame
  before the seek to the frame with it, beside the median frame, and the
  time the player's step took to seek and draw that frame, beside the
  median step; for the example's music (WAV) and for the same music as
  FLAC (the browser's decoder).
"""

import gzip
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "web"))
import webpage  # noqa: E402

ARGS = sys.argv[1:]
BEFORE = None
if ARGS[:1] == ["--before"]:
    BEFORE = os.path.abspath(ARGS[1])
    ARGS = ARGS[2:]
WEB_BUILD = os.path.abspath(ARGS[0] if len(ARGS) > 0 else os.path.join(ROOT, "build-web"))
BUILD = os.path.abspath(ARGS[1] if len(ARGS) > 1 else os.path.join(ROOT, "build"))
ROUNDS = int(ARGS[2]) if len(ARGS) > 2 else 2
PARTS = [("2D", 4, 19), ("3D-fast", 24, 32), ("3D-acc", 32, 42)]
MODE = "640x480"
SIZES = ["640x480", "160x120"]


def page_fps(page, start, until, mode):
    query = "fixedFps=60&start=%g&until=%g&clock=1&mode=%s" % (start, until, mode)
    run = webpage.run_page(page, query, timeout=900)
    assert run.status == 0, run.messages
    times = [reading[2] for reading in run.report["clock"]]
    steps = sorted(reading[3] for reading in run.report["clock"]
                   if len(reading) > 3 and reading[3] is not None)
    run.step_ms = steps[len(steps) // 2] if steps else float("nan")
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


def seek_cost(page):
    """The seek's frame: page time from the frame before, the step that drew
    it, and the median step and frame, in ms (the step is "-" for a page
    that cannot time it)."""
    run = webpage.run_page(page, "autoplay=1&clock=1&until=13.5&start=2&mode=320x240&keys=60:PageDown")
    assert run.status == 0, run.messages
    readings = run.report["clock"]
    times = [reading[2] for reading in readings]
    gaps = sorted(b - a for a, b in zip(times, times[1:]))
    # Reading k is taken after presentation frame k + 1; the key is pressed
    # after frame 60, so frame 61 seeks.
    assert readings[60][0] > readings[59][0] + 9, "no seek"
    steps = sorted(r[3] for r in readings if len(r) > 3 and r[3] is not None)
    step = readings[60][3] if len(readings[60]) > 3 else None
    return ((times[60] - times[59]) * 1000, gaps[len(gaps) // 2] * 1000,
            step, steps[len(steps) // 2] if steps else None)


def export_page(web_build, demo, out):
    subprocess.run(["bash", os.path.join(ROOT, "tools", "export-web.sh"), "--build", web_build,
                    "--no-verify", demo, out], check=True, stdout=subprocess.DEVNULL)
    return out


def main():
    builds = [("after", WEB_BUILD)] if BEFORE is None else [("before", BEFORE), ("after", WEB_BUILD)]
    with tempfile.TemporaryDirectory() as work:
        flac_demo = os.path.join(work, "flac-demo")
        shutil.copytree(os.path.join(ROOT, "examples", "demo"), flac_demo)
        subprocess.run(["ffmpeg", "-loglevel", "error", "-y", "-i",
                        os.path.join(flac_demo, "music.wav"), os.path.join(flac_demo, "music.flac")],
                       check=True)
        os.remove(os.path.join(flac_demo, "music.wav"))
        script = os.path.join(flac_demo, "demo.qsc")
        text = open(script).read()
        open(script, "w").write(re.sub(r"music\.wav", "music.flac", text, flags=re.IGNORECASE))

        pages, flac_pages = {}, {}
        for label, web_build in builds:
            pages[label] = export_page(web_build, os.path.join(ROOT, "examples", "demo"),
                                       os.path.join(work, "example-" + label))
            flac_pages[label] = export_page(web_build, flac_demo, os.path.join(work, "flac-" + label))
            print("%s: page files (served / gzipped):" % label)
            total = 0
            for name in ["player.wasm", "player.js", "page.js", "page.css", "index.html"]:
                data = open(os.path.join(pages[label], name), "rb").read()
                packed = len(gzip.compress(data, 9))
                total += packed if name.startswith("player.") else 0
                print("  %-12s %9d / %9d bytes" % (name, len(data), packed))
            print("  player.wasm and player.js gzipped together: %d bytes" % total)

        first = {label: [] for label, _ in builds}
        for _ in range(ROUNDS):
            for label, _ in builds:
                run = webpage.run_page(pages[label], "autoplay=1&until=4.1&start=4&mode=%s" % MODE)
                assert run.status == 0, run.messages
                first[label].append((run.report["firstFrameMs"], run.report["firstPresentationMs"]))
        for label, _ in builds:
            print("%s: opening the page to its first frame: %.0f ms; to the presentation's: %.0f ms"
                  " (fastest of %d)" % (label, min(f[0] for f in first[label]),
                                        min(f[1] for f in first[label]), ROUNDS))

        for label, _ in builds:
            for music, chosen in [("WAV", pages), ("FLAC", flac_pages)]:
                # The round whose seek frame came soonest.
                gap, frame, step, median = min(seek_cost(chosen[label]) for _ in range(ROUNDS))
                shown = "-" if step is None else "%.1f ms (median step %.1f ms)" % (step, median)
                print("%s: a seek with the %s music: the frame with it %.1f ms after the one"
                      " before (median frame %.1f ms); its step %s"
                      % (label, music, gap, frame, shown))

        # step: the median time the player's step took to draw a frame in the
        # page (the rest of the page's frame is the browser's: its GPU
        # process draws what the step sent); "-" where the page cannot say.
        print("%-7s %-8s %-8s %10s %10s %6s %8s" % ("build", "size", "part", "page", "desktop",
                                                   "ratio", "step ms"))
        for mode in SIZES:
            for name, start, until in PARTS:
                best_page = {label: (0.0, None) for label, _ in builds}
                best_desktop = 0.0
                for _ in range(ROUNDS):
                    for label, _ in builds:
                        fps, run = page_fps(pages[label], start, until, mode)
                        if fps > best_page[label][0]:
                            best_page[label] = (fps, run.step_ms)
                    best_desktop = max(best_desktop, desktop_fps(start, until, mode))
                for label, _ in builds:
                    fps, step = best_page[label]
                    print("%-7s %-8s %-8s %10.1f %10.1f %6.2f %8s" % (
                        label, mode, name, fps, best_desktop, fps / best_desktop,
                        "-" if step != step else "%.2f" % step))


if __name__ == "__main__":
    main()
