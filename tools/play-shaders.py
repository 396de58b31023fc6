#!/usr/bin/env python3
"""Plays every Shadertoy-convention shader of a folder through the shader
module and says, per shader and renderer, whether a viewer would see it work:
the run ends well, and the picture is not one colour and changes over time.

  tools/play-shaders.py FOLDER [--index TSV] [--renderer gl1|gles2|both]
                        [--build build] [--out DIR]

Each shader plays in a demo of its own with the example's music from 10 s;
its channels come from the index (a tab-separated file with the columns
"file" and "channels-needed", values such as "iChannel0=music,iChannel1=picture"
or "none"); without one, every channel the text names gets a picture. A
picture channel gets a noise picture when the index says "noise", otherwise
the example's rings. With --out the middle frame of each run is kept as
NAME-RENDERER.png (montage them to look). Exit status 1 when any failed.
"""
import argparse
import csv
import os
import random
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "web"))
from webpage import read_png_rgb  # noqa: E402

EXAMPLE = os.path.join(ROOT, "examples", "demo")


def write_noise_png(path, side=256):
    rng = random.Random(7)
    raw = b"".join(b"\0" + bytes(rng.randrange(256) for _ in range(side * 3)) for _ in range(side))

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xffffffff))
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", side, side, 8, 2, 0, 0, 0)) +
                chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def channels_for(name, text, index):
    """The start statement's channel keys for shader `name`."""
    wanted = index.get(name)
    if wanted is None:
        used = sorted(set(re.findall(r"iChannel([0-3])", text)))
        return " ".join("iChannel%s=rings.jpg" % n for n in used)
    keys = []
    for part in re.findall(r"iChannel([0-3])=([a-z]+)(\([^)]*\))?", wanted):
        number, kind, detail = part
        if kind == "music":
            keys.append("iChannel%s=music" % number)
        else:
            keys.append("iChannel%s=%s" % (number, "noise.png" if "noise" in detail else "rings.jpg"))
    return " ".join(keys)


def spread(rows):
    """The largest difference between any two pixels, over the channels."""
    lo, hi = [255] * 3, [0] * 3
    for row in rows:
        for c in range(3):
            values = row[c::3]
            lo[c] = min(lo[c], min(values))
            hi[c] = max(hi[c], max(values))
    return max(h - l for h, l in zip(hi, lo))


def play(shader, channels, renderer, build, work):
    demo = os.path.join(work, "demo")
    shutil.rmtree(demo, ignore_errors=True)
    os.makedirs(demo)
    for name in ("LoadingScreen.jpg", "music.wav", "rings.jpg"):
        shutil.copy(os.path.join(EXAMPLE, name), demo)
    write_noise_png(os.path.join(demo, "noise.png"))
    shutil.copy(shader, os.path.join(demo, "s.frag"))
    with open(os.path.join(demo, "demo.qsc"), "w") as f:
        f.write("globalSettings music=music.wav musicBpm=120\n"
                "event e0 timer time=0\n"
                "s at e0 shader start file=s.frag %s\n" % channels)
    frames = os.path.join(work, "frames")
    shutil.rmtree(frames, ignore_errors=True)
    env = dict(os.environ, SDL_VIDEODRIVER=os.environ.get("SDL_VIDEODRIVER", "offscreen"),
               SDL_AUDIODRIVER="dummy")
    run = subprocess.run([os.path.join(build, "demoplayer"), "-C", demo, "--batch", "--quiet",
                          "--renderer", renderer, "--mode", "320x240", "--fixed-fps", "2",
                          "--start", "10", "--until", "13", "--capture", frames],
                         env=env, capture_output=True, text=True, timeout=600)
    if run.returncode != 0:
        lines = [l for l in run.stderr.splitlines() if "rror" in l] or run.stderr.splitlines()
        return "exit %d: %s" % (run.returncode, (lines[:1] or [""])[0][:160]), None
    names = sorted(os.listdir(frames)) if os.path.isdir(frames) else []
    if len(names) < 4:
        return "only %d frames" % len(names), None
    pictures = []
    for name in (names[1], names[len(names) // 2], names[-1]):
        with open(os.path.join(frames, name), "rb") as f:
            pictures.append(f.read())
    if max(spread(read_png_rgb(p)[2]) for p in pictures) < 16:
        return "one colour", pictures[1]
    if pictures[0] == pictures[1] == pictures[2]:
        return "does not change", pictures[1]
    return "", pictures[1]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("folder")
    parser.add_argument("--index")
    parser.add_argument("--renderer", default="both", choices=["gl1", "gles2", "both"])
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--out")
    args = parser.parse_args()

    index = {}
    if args.index:
        with open(args.index, newline="") as f:
            for row in csv.DictReader(f, delimiter="\t"):
                index[row["file"]] = row.get("channels-needed", "none")
    renderers = ["gl1", "gles2"] if args.renderer == "both" else [args.renderer]
    shaders = sorted(n for n in os.listdir(args.folder) if n.endswith((".frag", ".glsl")))
    if args.out:
        os.makedirs(args.out, exist_ok=True)
    work = tempfile.mkdtemp(prefix="dp-shaders-")
    failures = total = 0
    try:
        for name in shaders:
            path = os.path.join(args.folder, name)
            with open(path, encoding="utf-8", errors="replace") as f:
                channels = channels_for(name, f.read(), index)
            for renderer in renderers:
                total += 1
                fault, picture = play(path, channels, renderer, args.build, work)
                failures += 1 if fault else 0
                print("%-6s %-5s %s%s" % ("FAIL" if fault else "ok", renderer, name,
                                          ": " + fault if fault else ""), flush=True)
                if args.out and picture:
                    with open(os.path.join(args.out, "%s-%s.png" % (name.rsplit(".", 1)[0], renderer)),
                              "wb") as f:
                        f.write(picture)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("%d of %d runs drew a moving picture (%.0f %%)" %
          (total - failures, total, 100.0 * (total - failures) / max(total, 1)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
