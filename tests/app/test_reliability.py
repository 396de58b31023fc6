"""The player's ends that are not its own choice: a display server that goes
away, signals, closed pipes, FIFOs and devices where files belong. Runs the
real program on the example; every wait has a generous guard, so a hang
fails the test instead of blocking the suite (the guards are not speed
targets: the run that hung before the fix took 30 s and more, or forever).

$DEMOPLAYER names the player (CTest sets it), else build/demoplayer.
"""

import os
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
EXAMPLE = os.path.join(ROOT, "examples", "demo")
PLAYER = os.environ.get("DEMOPLAYER") or os.path.join(ROOT, "build", "demoplayer")
GUARD = 30  # seconds any single wait may take before the test fails
HEADLESS = {"SDL_VIDEODRIVER": "offscreen", "SDL_AUDIODRIVER": "dummy"}


def environment(**extra):
    env = {k: v for k, v in os.environ.items()
           if k not in ("DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER")}
    env["SDL_AUDIODRIVER"] = "dummy"
    env.update(extra)
    return env


def wait_until(predicate, what, guard=GUARD):
    deadline = time.monotonic() + guard
    while not predicate():
        if time.monotonic() > deadline:
            raise AssertionError("gave up waiting for " + what)
        time.sleep(0.02)


class Run:
    """The player started in the background, its standard error in a file."""

    def __init__(self, work, args, env, **popen):
        self.err_path = os.path.join(work, "stderr-%d.txt" % time.monotonic_ns())
        with open(self.err_path, "wb") as err:
            self.process = subprocess.Popen([PLAYER] + args, env=env, stdin=subprocess.DEVNULL,
                                            stdout=popen.pop("stdout", subprocess.DEVNULL),
                                            stderr=popen.pop("stderr", err), **popen)

    def err(self):
        with open(self.err_path, "rb") as f:
            return f.read().decode("utf-8", "replace")

    def playing(self):
        return "Loading done, entering demo" in self.err()

    def finish(self, guard=GUARD):
        try:
            return self.process.wait(timeout=guard)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            raise AssertionError("the player did not end within %d s; it said:\n%s" %
                                 (guard, self.err()))


class Scratch(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="dp-reliability-")
        self.addCleanup(shutil.rmtree, self.work, ignore_errors=True)

    def path(self, name):
        return os.path.join(self.work, name)

    def demo_with_music(self, music):
        """A copy of the example whose script names `music` as its music."""
        demo = self.path("demo")
        shutil.copytree(EXAMPLE, demo)
        script = os.path.join(demo, "demo.qsc")
        with open(script) as f:
            text = f.read()
        with open(script, "w") as f:
            f.write(text.replace("music=music.wav", "music=" + music))
        return demo


def free_display():
    for number in range(150, 250):
        if not os.path.exists("/tmp/.X11-unix/X%d" % number) and \
                not os.path.exists("/tmp/.X%d-lock" % number):
            return number
    raise RuntimeError("no free X display number")


class XServer:
    """An Xvfb of its own. The server picks a free display number itself and
    writes it once it accepts connections (-displayfd), so no test guesses at
    numbers another program on the machine may be taking at the same moment.
    A server that does not come up is tried again; what it said is kept for
    the failure message."""

    def __init__(self):
        said = []
        for attempt in range(3):
            number, process, log = self.start()
            if number is not None:
                self.number, self.process = number, process
                self.display = ":%d" % number
                return
            said.append("attempt %d: %s" % (attempt, log))
        raise AssertionError("Xvfb did not start:\n" + "\n".join(said))

    @staticmethod
    def start():
        import select
        read, write = os.pipe()
        log = tempfile.TemporaryFile()
        process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", "800x600x24", "-nolisten", "tcp"],
            stdout=subprocess.DEVNULL, stderr=log, pass_fds=(write,))
        os.close(write)
        text = b""
        deadline = time.monotonic() + 2 * GUARD
        try:
            while not text.endswith(b"\n") and time.monotonic() < deadline:
                if select.select([read], [], [], 0.1)[0]:
                    chunk = os.read(read, 64)
                    if not chunk:
                        break  # the server ended before it was ready
                    text += chunk
        finally:
            os.close(read)
        if text.strip().isdigit():
            return int(text), process, None
        if process.poll() is None:
            process.kill()
        process.wait()
        log.seek(0)
        return None, None, "status %s, %s" % (process.returncode,
                                              log.read().decode("utf-8", "replace").strip())

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        # A killed server leaves its lock and socket, which would hold the
        # number for good.
        for leftover in ("/tmp/.X%d-lock" % self.number, "/tmp/.X11-unix/X%d" % self.number):
            try:
                os.remove(leftover)
            except FileNotFoundError:
                pass


@unittest.skipUnless(shutil.which("Xvfb"), "Xvfb is not installed")
class LostDisplay(Scratch):
    def play_on(self, env):
        run = Run(self.work, ["-C", EXAMPLE, "--mode", "160x120"], env)
        wait_until(run.playing, "the presentation to play")
        return run

    def test_a_killed_x_server_ends_every_run_with_status_255(self):
        for attempt in range(10):
            server = XServer()
            try:
                run = self.play_on(environment(DISPLAY=server.display))
            finally:
                server.kill()
            status = run.finish()
            self.assertEqual(status, 255, "attempt %d: %s" % (attempt, run.err()))
            self.assertIn("the connection to the display was lost", run.err())

    def test_an_interrupt_as_the_x_server_dies_still_ends_the_run(self):
        for attempt in range(5):
            server = XServer()
            run = self.play_on(environment(DISPLAY=server.display))
            run.process.send_signal(signal.SIGTERM)
            server.kill()
            status = run.finish()
            self.assertIn(status, (143, 255), "attempt %d: %s" % (attempt, run.err()))

    @unittest.skipUnless(shutil.which("weston"), "weston is not installed")
    def test_a_wayland_compositor_that_goes_away_ends_the_run_with_status_255(self):
        server = XServer()
        self.addCleanup(server.kill)
        runtime = self.path("xdg")
        os.mkdir(runtime, 0o700)
        compositor = subprocess.Popen(
            ["weston", "--backend=x11-backend.so", "--socket=dp-test", "--idle-time=0",
             "--width=320", "--height=240"],
            env=dict(environment(DISPLAY=server.display), XDG_RUNTIME_DIR=runtime),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: compositor.poll() is None and compositor.kill())
        wait_until(lambda: os.path.exists(os.path.join(runtime, "dp-test")), "weston")
        run = self.play_on(environment(WAYLAND_DISPLAY="dp-test", XDG_RUNTIME_DIR=runtime,
                                       SDL_VIDEODRIVER="wayland"))
        compositor.kill()
        compositor.wait()
        self.assertEqual(run.finish(), 255, run.err())
        self.assertIn("the connection to the display was lost", run.err())

    def test_a_display_that_is_not_there_is_said_unless_the_run_is_batch(self):
        gone = ":%d" % free_display()
        run = Run(self.work, ["-C", EXAMPLE, "--mode", "160x120"], environment(DISPLAY=gone))
        self.assertEqual(run.finish(), 255, run.err())
        self.assertIn("DISPLAY=%s" % gone, run.err())
        self.assertIn("--batch", run.err())
        batch = Run(self.work, ["-C", EXAMPLE, "--batch", "--mode", "160x120", "--until", "0.2"],
                    environment(DISPLAY=gone))
        self.assertEqual(batch.finish(), 0, batch.err())


@unittest.skipUnless(shutil.which("Xvfb") and shutil.which("xdotool"),
                     "Xvfb or xdotool is not installed")
class FullScreenKey(Scratch):
    def xdotool(self, server, *args):
        return subprocess.run(["xdotool"] + list(args), env=environment(DISPLAY=server.display),
                              capture_output=True, text=True, check=True).stdout

    def window_size(self, server, pid):
        window = self.xdotool(server, "search", "--onlyvisible", "--pid", str(pid)).split()[-1]
        geometry = self.xdotool(server, "getwindowgeometry", "--shell", window)
        values = dict(line.split("=") for line in geometry.split())
        return "%sx%s" % (values["WIDTH"], values["HEIGHT"])

    def test_presses_made_while_the_player_is_busy_each_count(self):
        # The player is stopped while the keys are pressed, as it is busy
        # while a rebuild loads: the presses wait in its event queue.
        for presses, rebuilds, size in ((3, 1, "800x600"), (2, 0, "160x120")):
            server = XServer()
            self.addCleanup(server.kill)
            run = Run(self.work, ["-C", EXAMPLE, "--mode", "160x120"],
                      environment(DISPLAY=server.display))
            wait_until(run.playing, "the presentation to play")
            window = self.xdotool(server, "search", "--onlyvisible", "--pid",
                                  str(run.process.pid)).split()[-1]
            self.xdotool(server, "windowfocus", "--sync", window)
            run.process.send_signal(signal.SIGSTOP)
            for _ in range(presses):
                self.xdotool(server, "key", "F1")
            run.process.send_signal(signal.SIGCONT)
            loads = lambda: run.err().count("Loading done, entering demo")
            wait_until(lambda: loads() == 1 + rebuilds, "%d rebuilds" % rebuilds)
            time.sleep(1.0)  # room for a rebuild too many to show
            self.assertEqual(loads(), 1 + rebuilds, "%d presses" % presses)
            self.assertEqual(self.window_size(server, run.process.pid), size)
            run.process.send_signal(signal.SIGTERM)
            self.assertEqual(run.finish(), 143, run.err())
            server.kill()


def write_noise_png(path, side):
    """An RGB picture of noise, which decodes slowly: nothing in it repeats."""
    import struct
    import zlib

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    rows = b"".join(b"\0" + os.urandom(side * 3) for _ in range(side))
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", side, side, 8, 2, 0, 0, 0)) +
                chunk(b"IDAT", zlib.compress(rows, 1)) + chunk(b"IEND", b""))


def ask_to_close(display, window):
    """What a desktop's close button does: WM_DELETE_WINDOW to the window."""
    import ctypes
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.c_void_p]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                    ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                    ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]

    class Event(ctypes.Union):
        _fields_ = [("message", ClientMessage), ("pad", ctypes.c_long * 24)]

    connection = x11.XOpenDisplay(display.encode())
    if not connection:
        raise AssertionError("cannot open display " + display)
    event = Event()
    event.message.type = 33  # ClientMessage
    event.message.window = window
    event.message.message_type = x11.XInternAtom(connection, b"WM_PROTOCOLS", 0)
    event.message.format = 32
    event.message.data[0] = x11.XInternAtom(connection, b"WM_DELETE_WINDOW", 0)
    x11.XSendEvent(connection, window, 0, 0, ctypes.byref(event))
    x11.XFlush(connection)
    x11.XCloseDisplay(connection)


@unittest.skipUnless(shutil.which("Xvfb") and shutil.which("xdotool"),
                     "Xvfb or xdotool is not installed")
class WhileLoading(Scratch):
    """The window answers while a long load runs: a close request or Escape
    ends the run there, as the viewer's end of it."""

    PICTURES = 40

    def slow_demo(self):
        demo = self.path("slow")
        os.makedirs(demo)
        for name in ("LoadingScreen.jpg", "music.wav"):
            shutil.copy(os.path.join(EXAMPLE, name), demo)
        write_noise_png(os.path.join(demo, "noise0.png"), 2048)
        lines = ["globalSettings music=music.wav", "event e timer time=0"]
        for i in range(self.PICTURES):
            if i:
                shutil.copy(os.path.join(demo, "noise0.png"), os.path.join(demo, "noise%d.png" % i))
            lines.append("t%d at e image start bitmap=noise%d.png" % (i, i))
        with open(os.path.join(demo, "demo.qsc"), "w") as f:
            f.write("\n".join(lines) + "\n")
        return demo

    def loading_run(self, server, demo, workers):
        # workers 0: pictures decoded on the loading thread itself, one a
        # step; otherwise decoding workers are busy when the run ends.
        run = Run(self.work, ["-C", demo, "--mode", "160x120"],
                  environment(DISPLAY=server.display, DEMOPLAYER_LOAD_WORKERS=str(workers)))
        wait_until(lambda: "Progress bar" in run.err(), "loading to begin")
        window = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(run.process.pid)],
                                env=environment(DISPLAY=server.display), capture_output=True,
                                text=True, check=True).stdout.split()[-1]
        return run, int(window)

    def assert_ended_while_loading(self, run):
        self.assertEqual(run.finish(), 0, run.err())
        self.assertNotIn("Loading done", run.err())
        self.assertLess(run.err().count("Progress bar"), self.PICTURES, run.err())

    def test_a_close_request_or_escape_ends_a_long_load(self):
        demo = self.slow_demo()
        server = XServer()
        self.addCleanup(server.kill)
        run, window = self.loading_run(server, demo, workers=0)
        ask_to_close(server.display, window)
        self.assert_ended_while_loading(run)

        run, window = self.loading_run(server, demo, workers=2)
        subprocess.run(["xdotool", "key", "--window", str(window), "Escape"],
                       env=environment(DISPLAY=server.display), check=True)
        self.assert_ended_while_loading(run)


class Signals(Scratch):
    def export(self, video, **popen):
        return Run(self.work, ["-C", EXAMPLE, "--mode", "96x72", "--video", video],
                   environment(**HEADLESS), **popen)

    def started(self, video):
        return os.path.exists(video) and os.path.getsize(video) > 0

    def test_every_terminating_signal_removes_the_partial_video(self):
        for number in (signal.SIGHUP, signal.SIGINT, signal.SIGQUIT, signal.SIGTERM,
                       signal.SIGUSR1, signal.SIGUSR2, signal.SIGALRM):
            video = self.path("out-%d.mp4" % number)
            run = self.export(video)
            wait_until(lambda: self.started(video), "the export to write")
            run.process.send_signal(number)
            self.assertEqual(run.finish(), 128 + number, run.err())
            self.assertIn("Interrupted by " + signal.Signals(number).name, run.err())
            self.assertFalse(os.path.exists(video), signal.Signals(number).name)

    def test_a_file_size_limit_is_a_full_disk(self):
        import resource
        video = self.path("limited.mp4")
        run = self.export(video, preexec_fn=lambda: resource.setrlimit(
            resource.RLIMIT_FSIZE, (100 * 1024, resource.RLIM_INFINITY)))
        self.assertEqual(run.finish(), 5, run.err())
        self.assertFalse(os.path.exists(video))

    def test_a_sigint_the_parent_ignores_stays_ignored(self):
        video = self.path("background.mp4")
        run = self.export(video, preexec_fn=lambda: signal.signal(signal.SIGINT, signal.SIG_IGN))
        wait_until(lambda: self.started(video), "the export to write")
        run.process.send_signal(signal.SIGINT)
        time.sleep(0.5)
        self.assertIsNone(run.process.poll(), run.err())
        run.process.send_signal(signal.SIGTERM)
        self.assertEqual(run.finish(), 143, run.err())
        self.assertNotIn("SIGINT", run.err())

    def test_an_interrupt_ends_a_huge_frame_size_promptly(self):
        # At 8192x8192 the software renderer's exit handlers alone took 17 s
        # and more; the run ends within a second of the signal now. The
        # guard is five times that promise, not a speed target.
        # Mesa's shader cache thread may sit in a disk write the kernel
        # finishes before the process can end (seconds, on a disk busy with
        # a build): that wait is the machine's, not the player's.
        run = Run(self.work, ["-C", EXAMPLE, "--batch", "--mode", "8192x8192"],
                  environment(MESA_SHADER_CACHE_DISABLE="true", **HEADLESS))
        wait_until(run.playing, "the presentation to play", guard=120)
        run.process.send_signal(signal.SIGTERM)
        self.assertEqual(run.finish(guard=5), 143, run.err())


class ClosedPipes(Scratch):
    def run_into_closed_pipe(self, args):
        """Runs with standard output and error into a pipe read for 10 bytes
        and then closed, as `2>&1 | head -c 10` does."""
        process = subprocess.Popen([PLAYER, "-C", EXAMPLE] + args, env=environment(**HEADLESS),
                                   stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                   stderr=subprocess.STDOUT)
        process.stdout.read(10)
        process.stdout.close()
        try:
            return process.wait(timeout=GUARD * 4)
        except subprocess.TimeoutExpired:
            process.kill()
            raise

    def test_the_run_goes_on_to_its_end(self):
        video = self.path("piped.mp4")
        self.assertEqual(self.run_into_closed_pipe(
            ["--mode", "96x72", "--until", "3", "--video", video]), 0)
        probe = subprocess.run(["ffprobe", "-v", "error", "-show_entries", "format=duration",
                                "-of", "csv=p=0", video], capture_output=True, text=True)
        self.assertAlmostEqual(float(probe.stdout), 3.0, delta=0.2)
        frames = self.path("frames")
        self.assertEqual(self.run_into_closed_pipe(
            ["--mode", "96x72", "--until", "1", "--capture", frames]), 0)
        self.assertEqual(len(os.listdir(frames)), 30)
        self.assertEqual(self.run_into_closed_pipe(
            ["--batch", "--mode", "96x72", "--fixed-fps", "30", "--until", "1"]), 0)

    def test_usage_that_cannot_be_written_is_a_failure(self):
        with open("/dev/full", "w") as full:
            for option in ("--help", "--version"):
                done = subprocess.run([PLAYER, option], stdout=full, stderr=subprocess.PIPE)
                self.assertEqual(done.returncode, 1, option)
                self.assertIn(b"cannot write to standard output", done.stderr)


class NotRegularFiles(Scratch):
    def test_music_that_is_a_fifo_or_a_device_is_refused_at_once(self):
        fifo = self.path("music.fifo")
        os.mkfifo(fifo)
        for music, reason in ((fifo, "it is a FIFO"), ("/dev/zero", "it is a character device")):
            demo = self.demo_with_music(music)
            for args in (["--check"], ["--verify"], ["--batch", "--mode", "96x72"]):
                run = Run(self.work, ["-C", demo] + args, environment(**HEADLESS))
                self.assertEqual(run.finish(), 1, "%s %s: %s" % (music, args, run.err()))
                self.assertIn(reason, run.err(), args)
            shutil.rmtree(demo)


if __name__ == "__main__":
    unittest.main()
