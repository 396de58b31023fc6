#!/usr/bin/env python3
"""Counts what reached the driver in an apitrace trace of the player, frame
by frame (frames end at eglSwapBuffers): all calls, queries of the driver's
state (glGet*, glIsEnabled, glGetError; the program's own uniform and
attribute location lookups excluded), uniform uploads, and draws. Of the
last FRAMES frames (the presentation's, after loading) the first is apart
(meshes are compiled there): prints the mean over the others, and the
queries made in any of them.

Usage: tools/driver-calls.py TRACE [FRAMES]
  e.g. apitrace trace --api egl -o /tmp/p.trace build/demoplayer -C examples/demo \\
         --batch --fixed-fps 2 --start 26 --until 30 && tools/driver-calls.py /tmp/p.trace 8
"""
import re
import subprocess
import sys


def frames(trace):
    dump = subprocess.run(["apitrace", "dump", "--color=never", "--arg-names=no", trace],
                          capture_output=True, text=True, check=True).stdout
    frame = []
    for line in dump.splitlines():
        m = re.match(r"\d+ (\w+)\(", line)
        if not m:
            continue
        frame.append(m.group(1))
        if m.group(1) == "eglSwapBuffers":
            yield frame
            frame = []


# glGetError included: it waits for the driver as the others do.
QUERY = re.compile(r"^gl(Get(?!UniformLocation|AttribLocation)\w*|IsEnabled)$")


def main():
    trace = sys.argv[1]
    wanted = int(sys.argv[2]) if len(sys.argv) > 2 else 8
    last = list(frames(trace))[-wanted:][1:]
    if not last:
        print("no frames after the first")
        return 1
    count = lambda test: sum(sum(1 for c in f if test(c)) for f in last) / len(last)
    print("frames %d: calls %.0f, queries %.1f, uniform uploads %.0f, draws %.0f per frame" % (
        len(last), count(lambda c: True), count(lambda c: QUERY.match(c) is not None),
        count(lambda c: c.startswith("glUniform")),
        count(lambda c: c in ("glEnd", "glCallList", "glDrawArrays", "glBitmap"))))
    later = sorted({c for f in last for c in f if QUERY.match(c)})
    print("queries after the first frame: %s" % (", ".join(later) if later else "none"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
