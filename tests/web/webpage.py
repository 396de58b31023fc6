"""Runs an exported demo page in headless Chromium and collects what it posts.

The page's test hooks (app/web/page.js) post every captured frame to
capture/frame_NNNNNN.png and the end of the run to capture/exit; the server
here serves the export folder on 127.0.0.1 only and keeps both.
"""

import http.server
import json
import os
import shutil
import struct
import subprocess
import tempfile
import threading
import time
import zlib

CHROMIUM = os.environ.get("DEMOPLAYER_CHROMIUM", "/usr/bin/chromium")

# WebGL through SwiftShader, sound allowed without a click but muted, and
# none of the browser's own network traffic (this machine has no network).
CHROMIUM_FLAGS = [
    "--headless=new", "--no-sandbox", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
    "--no-first-run", "--no-default-browser-check", "--disable-background-networking",
    "--disable-component-update", "--disable-sync", "--disable-quic", "--disable-extensions",
    "--mute-audio", "--autoplay-policy=no-user-gesture-required",
    "--disable-background-timer-throttling", "--disable-renderer-backgrounding",
    "--window-size=800,600",
]


class _Handler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def end_headers(self):
        self.send_header("Cache-Control", "no-store")
        super().end_headers()

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        body = self.rfile.read(length)
        name = self.path.split("?")[0].rsplit("/", 1)[-1]
        self.server.received(name, body)
        self.send_response(204)
        self.end_headers()


class _Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, root):
        self.frames = {}
        self.report = None
        self.done = threading.Event()
        handler = lambda *a, **k: _Handler(*a, directory=root, **k)
        super().__init__(("127.0.0.1", 0), handler)

    def received(self, name, body):
        if name == "exit":
            self.report = json.loads(body)
            self.done.set()
        else:
            self.frames[name] = body


class PageRun:
    """The outcome of one page run: the exit report and the frames."""

    def __init__(self, report, frames, seconds):
        self.report = report or {}
        self.frames = frames
        self.seconds = seconds

    @property
    def status(self):
        return self.report.get("status")

    @property
    def messages(self):
        return "\n".join(self.report.get("messages", []))


def run_page(export_dir, query, timeout=240, extra_flags=()):
    """Opens export_dir's page with `query` and waits for its exit report."""
    server = _Server(export_dir)
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    profile = tempfile.mkdtemp(prefix="dp-chromium-")
    url = "http://127.0.0.1:%d/index.html?%s" % (server.server_address[1], query)
    began = time.monotonic()
    browser = subprocess.Popen([CHROMIUM, *CHROMIUM_FLAGS, *extra_flags,
                                "--user-data-dir=" + profile, url],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        server.done.wait(timeout)
        # Frames posted before the report are in: the page posts in order.
        return PageRun(server.report, dict(server.frames), time.monotonic() - began)
    finally:
        browser.terminate()
        try:
            browser.wait(10)
        except subprocess.TimeoutExpired:
            browser.kill()
            browser.wait()
        server.shutdown()
        server.server_close()
        shutil.rmtree(profile, ignore_errors=True)


def read_png_rgb(data):
    """Width, height and RGB rows (top first) of an 8-bit RGB or RGBA PNG."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    at, idat = 8, b""
    width = height = channels = 0
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        chunk = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", chunk)
            assert depth == 8 and interlace == 0 and colour in (2, 6), "unexpected PNG layout"
            channels = 3 if colour == 2 else 4
        elif kind == b"IDAT":
            idat += chunk
        at += 12 + length
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        line = raw[y * (stride + 1):(y + 1) * (stride + 1)]
        kind, row = line[0], bytearray(line[1:])
        for i in range(stride):
            left = row[i - channels] if i >= channels else 0
            up = previous[i]
            corner = previous[i - channels] if i >= channels else 0
            if kind == 1:
                row[i] = (row[i] + left) & 255
            elif kind == 2:
                row[i] = (row[i] + up) & 255
            elif kind == 3:
                row[i] = (row[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                pred = left if pa <= pb and pa <= pc else up if pb <= pc else corner
                row[i] = (row[i] + pred) & 255
        rows.append(bytes(row) if channels == 3 else bytes(
            b for j, b in enumerate(row) if j % 4 != 3))
        previous = row
    return width, height, rows


def psnr(png_a, png_b):
    """Peak signal-to-noise ratio of two same-size pictures, in dB."""
    wa, ha, a = read_png_rgb(png_a)
    wb, hb, b = read_png_rgb(png_b)
    assert (wa, ha) == (wb, hb), "sizes differ: %dx%d and %dx%d" % (wa, ha, wb, hb)
    total = 0
    for ra, rb in zip(a, b):
        total += sum((x - y) * (x - y) for x, y in zip(ra, rb))
    mse = total / (wa * ha * 3)
    if mse == 0:
        return float("inf")
    import math
    return 10 * math.log10(255 * 255 / mse)
