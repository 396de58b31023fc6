"""The player in a web page, in headless Chromium, against the desktop player.

Needs the browser build (tools/build-web.sh) and the desktop build:
  DEMOPLAYER_WEB_BUILD  the browser build folder (default build-web)
  DEMOPLAYER_BUILD      the desktop build folder (default build)
  DEMOPLAYER_WEB_TEST_OUT  where compared frames are kept (default: a temporary folder)
Run by tools/run-web-tests.sh.
"""

import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import webpage  # noqa: E402

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
WEB_BUILD = os.path.abspath(os.environ.get("DEMOPLAYER_WEB_BUILD", os.path.join(ROOT, "build-web")))
BUILD = os.path.abspath(os.environ.get("DEMOPLAYER_BUILD", os.path.join(ROOT, "build")))
EXAMPLE = os.path.join(ROOT, "examples", "demo")

# Times across the example's parts: 2D (4-19 s), the 3D scene with fast
# shadows (24-32 s) and with accurate shadows (32-42 s).
COMPARED_SECONDS = [5, 8, 11, 14, 17, 25, 28, 31, 35, 39]
FIRST_SECOND = 5
MIN_PSNR = 35.0

_work = None


def setUpModule():
    global _work
    _work = tempfile.mkdtemp(prefix="dp-web-test-")


def tearDownModule():
    shutil.rmtree(_work, ignore_errors=True)


def export(demo_dir, name, verify=True):
    """The demo as a page; a faulty demo, whose fault the page is to show,
    is published without the desktop player's check."""
    out = os.path.join(_work, name)
    check = ["--player", os.path.join(BUILD, "demoplayer")] if verify else ["--no-verify"]
    subprocess.run(["bash", os.path.join(ROOT, "tools", "export-web.sh"), "--build", WEB_BUILD,
                    *check, demo_dir, out], check=True, stdout=subprocess.DEVNULL)
    return out


def copy_example(name):
    folder = os.path.join(_work, name + "-demo")
    shutil.copytree(EXAMPLE, folder)
    return folder


def page_font_config():
    """A fontconfig setup that finds only the page's font family, so the
    desktop's text is drawn with the face the page ships (whatever else
    the machine has installed)."""
    folder = os.path.join(_work, "fontconfig")
    path = os.path.join(folder, "fonts.conf")
    if not os.path.exists(path):
        os.makedirs(folder, exist_ok=True)
        with open(path, "w") as f:
            f.write('<?xml version="1.0"?>\n<!DOCTYPE fontconfig SYSTEM "fonts.dtd">\n'
                    "<fontconfig>\n"
                    "  <dir>/usr/share/fonts/truetype/liberation</dir>\n"
                    "  <cachedir>%s</cachedir>\n"
                    '  <include ignore_missing="yes">/etc/fonts/conf.d</include>\n'
                    "</fontconfig>\n" % os.path.join(folder, "cache"))
    return path


def desktop(args, cwd):
    env = dict(os.environ, SDL_VIDEODRIVER="offscreen", SDL_AUDIODRIVER="dummy",
               FONTCONFIG_FILE=page_font_config())
    return subprocess.run([os.path.join(BUILD, "demoplayer"), *args], cwd=cwd, env=env,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                          timeout=600)


def write_module(path, seconds=4):
    """A four-channel MOD: one square-wave sample playing a few notes."""
    sample = bytes((100 if (i // 16) % 2 else 156) for i in range(512))
    header = b"web test tune".ljust(20, b"\0")
    instruments = b"square".ljust(22, b"\0") + struct.pack(">HBBHH", len(sample) // 2, 0, 48, 0,
                                                          len(sample) // 2)
    instruments += (b"\0" * 22 + struct.pack(">HBBHH", 0, 0, 0, 0, 1)) * 30
    # At speed 6 and 125 BPM a row lasts 0.12 s: 64 rows are 7.68 s.
    rows_wanted = max(1, min(64, int(seconds / 0.12)))
    pattern = b""
    for row in range(64):
        for channel in range(4):
            if channel == 0 and row < rows_wanted and row % 4 == 0:
                period = [428, 381, 339, 320][(row // 4) % 4]
                pattern += struct.pack(">BBBB", (period >> 8) & 0x0F, period & 0xFF, 0x10, 0)
            elif channel == 0 and row == rows_wanted - 1:
                pattern += struct.pack(">BBBB", 0, 0, 0x0D, 0)  # pattern break: the end
            else:
                pattern += b"\0\0\0\0"
    order = bytes([1, 127]) + bytes([0] * 128)
    with open(path, "wb") as f:
        f.write(header + instruments + order + b"M.K." + pattern + sample)


def write_bytes(path, data):
    with open(path, "wb") as f:
        f.write(data)


def with_music(name, make, verify=True):
    """The example with music `name` (made by make(path)) in place of its own, exported."""
    demo = copy_example(name)
    make(os.path.join(demo, name))
    script = os.path.join(demo, "demo.qsc")
    with open(script) as f:
        text = f.read()
    changed = re.sub(r"music\.wav", name, text, flags=re.IGNORECASE)
    assert text != changed, "the example names no music.wav"
    with open(script, "w") as f:
        f.write(changed)
    return demo, export(demo, name.replace(".", "-"), verify)


_flac = []


def flac_page():
    """The example with its music as FLAC: the page's libsndfile has no codec
    libraries, so the browser decodes it."""
    if not _flac:
        _flac.append(with_music("music.flac", lambda path: subprocess.run(
            ["ffmpeg", "-loglevel", "error", "-y", "-i", os.path.join(EXAMPLE, "music.wav"),
             "-t", "20", path], check=True))[1])
    return _flac[0]


class ExampleFrames(unittest.TestCase):
    """The example's frames in the page against the desktop's gles2 frames."""

    def test_frames_across_the_2d_and_3d_parts_match_the_desktop(self):
        page = export(EXAMPLE, "example")
        last = COMPARED_SECONDS[-1] + 1
        query = "fixedFps=1&start=%d&until=%d&capture=1&mode=640x480" % (FIRST_SECOND, last)
        run = webpage.run_page(page, query)
        self.assertEqual(run.status, 0, run.messages)

        frames = os.path.join(_work, "desktop-frames")
        result = desktop(["--renderer", "gles2", "--batch", "--mode", "640x480", "--fixed-fps",
                          "1", "--start", str(FIRST_SECOND), "--until", str(last),
                          "--capture", frames], EXAMPLE)
        self.assertEqual(result.returncode, 0, result.stderr)

        keep = os.environ.get("DEMOPLAYER_WEB_TEST_OUT")
        figures = []
        for second in COMPARED_SECONDS:
            name = "frame_%06d.png" % (second - FIRST_SECOND)
            self.assertIn(name, run.frames, "the page posted no frame at %d s" % second)
            with open(os.path.join(frames, name), "rb") as f:
                reference = f.read()
            value = webpage.psnr(run.frames[name], reference)
            figures.append((value, second))
            if keep:
                os.makedirs(keep, exist_ok=True)
                with open(os.path.join(keep, "web-%02ds.png" % second), "wb") as f:
                    f.write(run.frames[name])
                shutil.copy(os.path.join(frames, name), os.path.join(keep, "desktop-%02ds.png" % second))
        print("\nPSNR page against desktop: " +
              ", ".join("%d s %.1f dB" % (s, v) for v, s in figures), file=sys.stderr)
        for value, second in figures:
            self.assertGreaterEqual(value, MIN_PSNR, "frame at %d s" % second)

        # A browser with WebGL 1 only draws the same with ES 2.0's rules.
        run = webpage.run_page(page, query, extra_flags=["--disable-webgl2"])
        self.assertEqual(run.status, 0, run.messages)
        self.assertIn("drawing with WebGL 1", run.messages)
        # Its shader part cannot be drawn there: said once, and it plays on.
        self.assertEqual(run.messages.count("cannot draw shaders"), 1, run.messages)
        for second in [5, 11, 31, 39]:
            name = "frame_%06d.png" % (second - FIRST_SECOND)
            with open(os.path.join(frames, name), "rb") as f:
                value = webpage.psnr(run.frames[name], f.read())
            self.assertGreaterEqual(value, MIN_PSNR, "WebGL 1 frame at %d s" % second)


class ShaderPasses(unittest.TestCase):
    """A buffer pass in half floats routed into an image pass: the page
    draws into half floats as the desktop does."""

    def test_a_half_float_buffer_matches_the_desktop(self):
        demo = copy_example("half-buffer")
        # A dot leaving a trail that fades by 3 % a frame, shown 4 times
        # brighter: in 8 bits its tail would stop fading and band.
        with open(os.path.join(demo, "trail.frag"), "w") as f:
            f.write("void mainImage(out vec4 fragColor, in vec2 fragCoord) {\n"
                    "    vec2 uv = fragCoord / iResolution.xy;\n"
                    "    vec2 dot = iResolution.xy * (0.5 + 0.3 * vec2(cos(iTime * 2.0),\n"
                    "                                                   sin(iTime * 3.0)));\n"
                    "    float lit = smoothstep(12.0, 0.0, length(fragCoord - dot));\n"
                    "    vec3 last = texture(iChannel0, uv).rgb;\n"
                    "    fragColor = vec4(last * 0.97 + lit * vec3(0.05, 0.03, 0.01), 1.0);\n"
                    "}\n")
        with open(os.path.join(demo, "show.frag"), "w") as f:
            f.write("void mainImage(out vec4 fragColor, in vec2 fragCoord) {\n"
                    "    vec3 c = texture(iChannel0, fragCoord / iResolution.xy).rgb;\n"
                    "    fragColor = vec4(sqrt(c * 4.0), 1.0);\n"
                    "}\n")
        with open(os.path.join(demo, "demo.qsc"), "w") as f:
            f.write("globalSettings music=music.wav\n"
                    "event e0 timer time=0\n"
                    "buf at e0 shader start file=trail.frag iChannel0=self format=half\n"
                    "img at e0 shader start file=show.frag\n"
                    "r at e0 route start source=buf destination=img\n")
        run = webpage.run_page(export(demo, "half-buffer"),
                               "fixedFps=10&until=3&capture=1&mode=320x240")
        self.assertEqual(run.status, 0, run.messages)
        self.assertNotIn("half floats", run.messages)
        frames = os.path.join(_work, "half-buffer-frames")
        result = desktop(["--renderer", "gles2", "--batch", "--mode", "320x240", "--fixed-fps",
                          "10", "--until", "3", "--capture", frames], demo)
        self.assertEqual(result.returncode, 0, result.stderr)
        for index in [10, 29]:
            name = "frame_%06d.png" % index
            self.assertIn(name, run.frames)
            with open(os.path.join(frames, name), "rb") as f:
                value = webpage.psnr(run.frames[name], f.read())
            print("\nhalf-float buffer, frame %d: %.1f dB" % (index, value), file=sys.stderr)
            self.assertGreaterEqual(value, MIN_PSNR, "frame %d" % index)


class Faults(unittest.TestCase):
    """Faults end the run with the desktop's status and show its messages."""

    def assert_same_end_as_desktop(self, demo, run):
        result = desktop(["--batch", "--mode", "320x240", "--fixed-fps", "30", "--until", "1"],
                         demo)
        self.assertNotEqual(result.returncode, 0)
        self.assertEqual(run.status, result.returncode, run.messages)
        self.assertIsNotNone(run.report.get("shown"), "the page shows no message")
        self.assertIn("status %d" % result.returncode, run.report["shown"]["caption"])
        return result

    def test_a_script_error_shows_its_messages_on_the_page(self):
        demo = copy_example("script-error")
        with open(os.path.join(demo, "demo.qsc"), "a") as f:
            f.write("\nthis line is no command at all (\n")
        run = webpage.run_page(export(demo, "script-error", verify=False),
                               "fixedFps=30&until=1&capture=1")
        result = self.assert_same_end_as_desktop(demo, run)
        desktop_lines = [line for line in result.stderr.splitlines() if line.strip()]
        self.assertTrue(desktop_lines)
        for line in desktop_lines[:3]:
            self.assertIn(line, run.report["shown"]["text"])

    def test_a_missing_picture_stops_with_its_status_on_the_page(self):
        demo = copy_example("missing-picture")
        os.remove(os.path.join(demo, "tiles.jpg"))
        run = webpage.run_page(export(demo, "missing-picture", verify=False),
                               "fixedFps=30&until=1&capture=1")
        self.assert_same_end_as_desktop(demo, run)
        self.assertRegex(run.report["shown"]["text"], re.compile("tiles", re.IGNORECASE))

    def test_music_no_decoder_takes_stops_as_on_the_desktop(self):
        # The browser answers only after the script was read; its refusal
        # still ends the run as a faulty script, with the line named.
        demo, page = with_music("music.ogg", lambda path: write_bytes(path, b"OggS" * 999),
                                verify=False)
        run = webpage.run_page(page, "fixedFps=30&until=1&capture=1")
        result = self.assert_same_end_as_desktop(demo, run)
        for wanted in ["Music: problems while opening file", "Script has errors"]:
            line = next(line for line in result.stderr.splitlines() if wanted in line)
            self.assertIn(line, run.report["shown"]["text"])

    def test_a_browser_without_webgl_is_told_so(self):
        run = webpage.run_page(export(EXAMPLE, "no-webgl"), "fixedFps=30&until=1&capture=1",
                               extra_flags=["--disable-webgl", "--disable-3d-apis"])
        self.assertEqual(run.status, 255, run.messages)
        self.assertIn("WebGL is not available", run.report["shown"]["text"])


class Keys(unittest.TestCase):
    """Keys reach the player through the page as on the desktop."""

    @classmethod
    def setUpClass(cls):
        cls.page = export(EXAMPLE, "keys")

    def run_with_keys(self, keys, until=4):
        query = "fixedFps=30&until=%g&clock=1&mode=320x240&keys=%s" % (until, keys)
        run = webpage.run_page(self.page, query)
        self.assertEqual(run.status, 0, run.messages)
        return [reading[0] for reading in run.report["clock"]]

    def test_escape_ends_the_presentation(self):
        times = self.run_with_keys("15:Escape")
        self.assertLess(len(times), 20)
        self.assertLess(times[-1], 1.0)

    def test_p_holds_the_music_time_and_resumes(self):
        times = self.run_with_keys("10:P,40:P", until=2)
        held = times[12:40]
        self.assertEqual(min(held), max(held), "the time moved while paused")
        self.assertGreater(times[-1], held[0] + 0.5)

    def test_page_down_seeks_ten_seconds_on(self):
        times = self.run_with_keys("5:PageDown", until=12)
        jumps = [b - a for a, b in zip(times, times[1:])]
        self.assertAlmostEqual(max(jumps), 10.0 + 1 / 30, delta=0.02)
        self.assertLess(len(times), 100)  # 360 frames without the seek


class MusicClock(unittest.TestCase):
    """The music time follows what the audio context plays (sound on, muted)."""

    def assert_follows_the_audio(self, run, until):
        self.assertEqual(run.status, 0, run.messages)
        readings = [r for r in run.report["clock"] if r[1] is not None]
        self.assertGreater(len(readings), 30)
        times = [r[0] for r in readings]
        self.assertEqual(times, sorted(times), "the music time went backwards")
        self.assertGreater(times[-1], until - 0.5)
        # Once it plays, music time and context time advance together.
        playing = [r for r in readings if r[0] > 0.3]
        music = playing[-1][0] - playing[0][0]
        audio = playing[-1][1] - playing[0][1]
        self.assertGreater(audio, 2.0)
        self.assertAlmostEqual(music / audio, 1.0, delta=0.03)
        offsets = [r[1] - r[0] for r in playing]
        self.assertLess(max(offsets) - min(offsets), 0.1)

    def test_the_example_music_clock_advances_with_the_audio(self):
        run = webpage.run_page(export(EXAMPLE, "clock"), "autoplay=1&clock=1&until=4&mode=320x240")
        self.assert_follows_the_audio(run, 4)

    def test_music_the_browser_decodes_plays_through_web_audio(self):
        run = webpage.run_page(flac_page(), "autoplay=1&clock=1&until=3&mode=320x240")
        self.assert_follows_the_audio(run, 3)

    def test_music_the_browser_decoded_serves_pauses_and_seeks(self):
        # Paused at frame 5 and resumed at 10, back to the start at 15, ten
        # seconds on at 20: the browser decodes the file once.
        run = webpage.run_page(flac_page(), "fixedFps=30&until=12&clock=1&mode=320x240"
                                            "&keys=5:P,10:P,15:Home,20:PageDown")
        self.assertEqual(run.status, 0, run.messages)
        self.assertEqual(run.report["decodings"], 1)
        times = [reading[0] for reading in run.report["clock"]]
        self.assertEqual(times[6:10], [times[5]] * 4, "the time moved while paused")
        self.assertLess(min(times[16:20]), 0.2, "Home did not go back to the start")
        self.assertAlmostEqual(max(b - a for a, b in zip(times, times[1:])), 10.0 + 1 / 30,
                               delta=0.02)

    def test_a_tracker_module_plays_through_libopenmpt(self):
        page = with_music("tune.mod", write_module)[1]
        run = webpage.run_page(page, "autoplay=1&clock=1&until=3&mode=320x240")
        self.assert_follows_the_audio(run, 3)


if __name__ == "__main__":
    unittest.main(verbosity=2)
