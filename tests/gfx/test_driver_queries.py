"""Nothing reads the driver's state back while the presentation plays: the
example traced with apitrace under each renderer, in its 2D part and both
3D parts (fast and accurate shadows), makes no query (glGet*, glIsEnabled,
glGetError) in any frame after the first. Also that the draws reach the
driver at all, so a trace that missed the calls does not pass.

$DEMOPLAYER names the player (CTest sets it), else build/demoplayer.
"""

import importlib.util
import os
import shutil
import subprocess
import tempfile
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
PLAYER = os.environ.get("DEMOPLAYER") or os.path.join(ROOT, "build", "demoplayer")
spec = importlib.util.spec_from_file_location(
    "driver_calls", os.path.join(ROOT, "tools", "driver-calls.py"))
driver_calls = importlib.util.module_from_spec(spec)
spec.loader.exec_module(driver_calls)


@unittest.skipUnless(shutil.which("apitrace"), "apitrace is not installed")
class DriverQueries(unittest.TestCase):
    def test_none_after_the_first_frame_of_each_part(self):
        env = dict(os.environ, SDL_VIDEODRIVER="offscreen", SDL_AUDIODRIVER="dummy")
        with tempfile.TemporaryDirectory() as work:
            for renderer in ("gl1", "gles2"):
                for start in (5, 26, 34):
                    trace = os.path.join(work, "%s-%d.trace" % (renderer, start))
                    subprocess.run(
                        ["apitrace", "trace", "--api", "egl", "-o", trace, PLAYER, "-C",
                         os.path.join(ROOT, "examples", "demo"), "--batch", "--mode", "160x120",
                         "--renderer", renderer, "--fixed-fps", "4", "--start", str(start),
                         "--until", str(start + 2), "-q"],
                        env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                        check=True, timeout=600)
                    frames = list(driver_calls.frames(trace))[-8:]
                    what = "%s from %d s" % (renderer, start)
                    self.assertEqual(len(frames), 8, what)
                    self.assertTrue(all(any(c in ("glEnd", "glCallList", "glDrawArrays")
                                            for c in f) for f in frames), what)
                    queries = sorted({c for f in frames[1:] for c in f
                                      if driver_calls.QUERY.match(c)})
                    self.assertEqual(queries, [], what)


if __name__ == "__main__":
    unittest.main()
