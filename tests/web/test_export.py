"""tools/export-web.sh: what it publishes, what it refuses, and that it never
harms the demo's folder or an earlier export.

Runs the real export with a stand-in page (no web build needed) and the
real desktop player for its --verify: $DEMOPLAYER (CTest sets it), else
build/demoplayer; without either the tests fail rather than skip.
"""

import hashlib
import importlib
import json
import os
import shutil
import signal
import socket
import stat
import subprocess
import sys
import tempfile
import unittest
from unittest import mock

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
EXPORT = os.path.join(ROOT, "tools", "export-web.sh")
EXAMPLE = os.path.join(ROOT, "examples", "demo")
PLAYER = os.environ.get("DEMOPLAYER") or os.path.join(ROOT, "build", "demoplayer")
PAGE_FILES = {"index.html": b"<html>page</html>\n", "page.js": b"// page\n",
              "page.css": b"/* page */\n", "player.js": b"// player\n",
              "player.wasm": b"\0asm\1\0\0\0", "fonts/overlay.ttf": b"font",
              "fonts/LICENSE": b"licence\n"}

_work = None


def setUpModule():
    global _work
    if not (os.path.isfile(PLAYER) and os.access(PLAYER, os.X_OK)):
        raise RuntimeError("no desktop player at %s: build the demoplayer target, or set "
                           "$DEMOPLAYER" % PLAYER)
    _work = tempfile.mkdtemp(prefix="dp-export-test-")


def tearDownModule():
    shutil.rmtree(_work, ignore_errors=True)


def snapshot(top):
    """Every entry below `top`, dot-names included: a file's mode and bytes'
    hash, a link's target, any other entry's type and mode."""
    entries = {}
    for folder, dirs, names in os.walk(top):
        for name in dirs + names:
            path = os.path.join(folder, name)
            info = os.lstat(path)
            key = os.path.relpath(path, top)
            if stat.S_ISLNK(info.st_mode):
                entries[key] = ("link", os.readlink(path))
            elif stat.S_ISREG(info.st_mode):
                with open(path, "rb") as f:
                    entries[key] = ("file", info.st_mode, hashlib.sha256(f.read()).hexdigest())
            else:
                entries[key] = ("other", info.st_mode)
    return entries


def default_signals():
    """Signals as a terminal's process has them, whatever this test inherited."""
    for signum in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        signal.signal(signum, signal.SIG_DFL)


def file_bytes(path):
    with open(path, "rb") as f:
        return f.read()


class ExportCase(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(dir=_work)
        self.page_build = os.path.join(self.dir, "web-build")
        for name, data in PAGE_FILES.items():
            path = os.path.join(self.page_build, "page", name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(data)

    def demo(self, name="demo"):
        """A copy of the example at self.dir/name."""
        folder = os.path.join(self.dir, name)
        shutil.copytree(EXAMPLE, folder)
        return folder

    def export(self, demo, out, *options, player=True, env=None, preexec_fn=None):
        args = ["bash", EXPORT, "--build", self.page_build]
        if player:
            args += ["--player", PLAYER]
        run = subprocess.run(args + list(options) + [demo, out], env=env, cwd=self.dir,
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                             errors="replace", timeout=300, preexec_fn=preexec_fn)
        return run

    def assert_refused(self, run, *words):
        self.assertEqual(run.returncode, 2, run.stderr)
        self.assertIn(EXPORT + ": ", run.stderr)
        for word in words:
            self.assertIn(word, run.stderr)

    def assert_exported(self, run):
        self.assertEqual(run.returncode, 0, run.stderr)

    def manifest(self, out):
        with open(os.path.join(out, "demo.json"), encoding="utf-8") as f:
            return json.load(f)


class GoodExport(ExportCase):
    def test_the_example_becomes_the_page_its_files_and_their_list(self):
        demo = self.demo()
        before = snapshot(demo)
        out = os.path.join(self.dir, "site", "nested")
        run = self.export(demo, out, "--title", "Brindlewave", "--mode", "0800x600")
        self.assert_exported(run)
        self.assertNotIn("warning", run.stderr)  # a small demo
        self.assertEqual(snapshot(demo), before)

        names = sorted(os.listdir(EXAMPLE))
        self.assertEqual(self.manifest(out), {"title": "Brindlewave", "mode": "800x600",
                                              "loadingScreen": "LoadingScreen.jpg",
                                              "files": names})
        for name, data in PAGE_FILES.items():
            self.assertEqual(file_bytes(os.path.join(out, name)), data, name)
        for name in names:
            self.assertEqual(file_bytes(os.path.join(out, "demo", name)),
                             file_bytes(os.path.join(EXAMPLE, name)), name)
        self.assertEqual(sorted(os.listdir(out)), sorted(
            {"demo", "demo.json", "fonts"} | {n for n in PAGE_FILES if "/" not in n}))
        # Served to everyone: not the private mode of a temporary folder.
        umask = os.umask(0)
        os.umask(umask)
        self.assertEqual(stat.S_IMODE(os.stat(out).st_mode), 0o777 & ~umask)
        # Nothing left beside it.
        self.assertEqual(os.listdir(os.path.dirname(out)), ["nested"])

    def test_links_inside_the_demo_are_published_as_copies_and_dot_names_not_at_all(self):
        demo = self.demo()
        os.makedirs(os.path.join(demo, "music", "old"))
        shutil.copy(os.path.join(demo, "music.wav"), os.path.join(demo, "music", "a.wav"))
        with open(os.path.join(demo, "music", "old", "b.txt"), "w") as f:
            f.write("b")
        os.symlink("dawn.jpg", os.path.join(demo, "copy.jpg"))
        os.symlink("music", os.path.join(demo, "tunes"))
        # Dot-names are skipped whatever they hold.
        os.makedirs(os.path.join(demo, ".git"))
        os.symlink("/etc/passwd", os.path.join(demo, ".git", "passwd"))
        with open(os.path.join(demo, ".notes"), "w") as f:
            f.write("private")
        out = os.path.join(self.dir, "out")
        self.assert_exported(self.export(demo, out))

        self.assertEqual(self.manifest(out)["title"], "demo")  # the folder's name
        files = self.manifest(out)["files"]
        self.assertEqual(files, sorted(os.listdir(EXAMPLE) + ["copy.jpg"]) +
                         ["music/a.wav", "music/old/b.txt", "tunes/a.wav", "tunes/old/b.txt"])
        copy = os.path.join(out, "demo", "copy.jpg")
        self.assertFalse(os.path.islink(copy))
        self.assertEqual(file_bytes(copy), file_bytes(os.path.join(EXAMPLE, "dawn.jpg")))
        self.assertFalse(os.path.islink(os.path.join(out, "demo", "tunes")))
        published = {os.path.relpath(os.path.join(f, n), os.path.join(out, "demo"))
                     for f, _, names in os.walk(os.path.join(out, "demo")) for n in names}
        self.assertEqual(published, set(files))


class WhereTheOutputGoes(ExportCase):
    """An output folder that would write into the demo, or hold it, is refused
    before anything is written anywhere."""

    def test_output_folders_that_meet_the_demo_are_refused_and_nothing_changes(self):
        demo = self.demo(os.path.join("w", "demo"))
        os.makedirs(os.path.join(demo, "sub"))
        os.symlink(os.path.join(self.dir, "w"), os.path.join(self.dir, "alias"))
        earlier = os.path.join(self.dir, "earlier")
        os.makedirs(earlier)
        with open(os.path.join(earlier, "demo.json"), "w") as f:
            f.write("{}")
        os.symlink(os.path.join(demo, "sub"), os.path.join(earlier, "fonts"))
        cases = {
            "the demo": demo,
            "the demo by another path": os.path.join(self.dir, "w", "..", "alias", "demo"),
            "inside the demo": os.path.join(demo, "site"),
            "an existing folder inside the demo": os.path.join(demo, "sub"),
            "inside the demo through a link": os.path.join(self.dir, "alias", "demo", "x", "y"),
            "the demo's parent": os.path.join(self.dir, "w"),
            "a folder holding the demo further down": self.dir,
            "the root": "/",
            "an earlier export with a folder leading into the demo": earlier,
        }
        for case, out in cases.items():
            with self.subTest(case):
                before = snapshot(self.dir)
                self.assert_refused(self.export(demo, out))
                self.assertEqual(snapshot(self.dir), before)

    def test_siblings_whose_names_extend_one_another_are_apart(self):
        demo = self.demo("w")
        self.assert_exported(self.export(demo, demo + "-site"))
        demo = self.demo("x-demo")
        self.assert_exported(self.export(demo, os.path.join(self.dir, "x")))

    def test_a_folder_that_is_no_earlier_export_or_holds_the_page_is_refused(self):
        demo = self.demo()
        unrelated = os.path.join(self.dir, "photos")
        os.makedirs(unrelated)
        with open(os.path.join(unrelated, "holiday.jpg"), "w") as f:
            f.write("keep me")
        a_file = os.path.join(self.dir, "a-file")
        with open(a_file, "w") as f:
            f.write("keep me too")
        inside_the_page = os.path.join(self.page_build, "page", "site")
        for out in (unrelated, a_file, inside_the_page):
            with self.subTest(out):
                before = snapshot(self.dir)
                self.assert_refused(self.export(demo, out))
                self.assertEqual(snapshot(self.dir), before)

    def test_an_earlier_export_is_replaced_and_other_files_in_it_stay(self):
        old_demo = self.demo("old")
        with open(os.path.join(old_demo, "dropped.txt"), "w") as f:
            f.write("only in the first version")
        out = os.path.join(self.dir, "site")
        self.assert_exported(self.export(old_demo, out))
        with open(os.path.join(out, "README.txt"), "w") as f:
            f.write("the author's own")
        demo = self.demo("new")
        with open(os.path.join(demo, "demo.qsc"), "a") as f:
            f.write("\n; the second version\n")

        self.assert_exported(self.export(demo, out, "--title", "second"))
        self.assertEqual(file_bytes(os.path.join(out, "README.txt")), b"the author's own")
        self.assertEqual(sorted(os.listdir(os.path.join(out, "demo"))), sorted(os.listdir(EXAMPLE)))
        self.assertEqual(file_bytes(os.path.join(out, "demo", "demo.qsc")),
                         file_bytes(os.path.join(demo, "demo.qsc")))
        self.assertEqual(self.manifest(out)["title"], "second")
        self.assertEqual(sorted(n for n in os.listdir(out) if n.startswith(".")), [])

    def test_an_empty_folder_receives_the_export(self):
        demo = self.demo()
        out = os.path.join(self.dir, "empty")
        os.makedirs(out)
        self.assert_exported(self.export(demo, out))
        self.assertIn("player.wasm", os.listdir(out))


class WhatCannotBePublished(ExportCase):
    """Entries that are not regular files of the demo are listed and the export
    refused; nothing is published."""

    def test_every_offending_entry_is_listed_on_its_own_line(self):
        demo = self.demo()
        outside = os.path.join(self.dir, "outside.jpg")
        with open(outside, "w") as f:
            f.write("not the demo's")
        os.symlink("/etc/passwd", os.path.join(demo, "passwd"))
        os.symlink(outside, os.path.join(demo, "escape.jpg"))
        os.symlink("missing.jpg", os.path.join(demo, "dangling.jpg"))
        os.symlink("loop-b", os.path.join(demo, "loop-a"))
        os.symlink("loop-a", os.path.join(demo, "loop-b"))
        os.mkdir(os.path.join(demo, "deep"))
        os.symlink("..", os.path.join(demo, "deep", "up"))
        os.mkfifo(os.path.join(demo, "pipe"))
        listener = socket.socket(socket.AF_UNIX)
        listener.bind(os.path.join(demo, "sock"))
        listener.close()
        open(os.path.join(os.fsencode(demo), b"caf\xe9.jpg"), "w").close()
        before = snapshot(demo)
        out = os.path.join(self.dir, "out")
        run = self.export(demo, out)
        self.assert_refused(run)
        lines = run.stderr.splitlines()
        expected = {"passwd": "outside", "escape.jpg": "outside", "dangling.jpg": "nowhere",
                    "loop-a": "loop", "loop-b": "loop", "deep/up": "loop", "pipe": "FIFO",
                    "sock": "socket", "caf\\xe9.jpg": "UTF-8"}
        for name, word in expected.items():
            line = [line for line in lines if line.startswith(name + ": ")]
            self.assertEqual(len(line), 1, "%s in:\n%s" % (name, run.stderr))
            self.assertIn(word, line[0])
        self.assertFalse(os.path.lexists(out))
        self.assertEqual(snapshot(demo), before)
        self.assertEqual(sorted(os.listdir(self.dir)), ["demo", "outside.jpg", "web-build"])

    def test_one_offending_entry_alone_stops_the_export(self):
        demo = self.demo()
        os.symlink("/etc/passwd", os.path.join(demo, "passwd"))
        out = os.path.join(self.dir, "out")
        self.assert_refused(self.export(demo, out), "passwd: ")
        self.assertFalse(os.path.lexists(out))


class TheFrameSize(ExportCase):
    def test_modes_the_player_or_the_page_cannot_take_are_refused_its_bounds_taken(self):
        demo = self.demo()
        for mode in ["0x0", "640x0", "0x480", "16385x480", "640x16385", "640", "640x",
                     "x480", "640x480x32", "-640x480", "+640x480", "640X480", " 640x480",
                     "6 40x480", "640x480 ", "６４０x480", ""]:
            with self.subTest(mode=mode):
                out = os.path.join(self.dir, "out")
                self.assert_refused(self.export(demo, out, "--mode", mode), "--mode")
                self.assertFalse(os.path.lexists(out))
        for mode in ["1x1", "16384x16384"]:
            out = os.path.join(self.dir, mode)
            self.assert_exported(self.export(demo, out, "--mode", mode))
            self.assertEqual(self.manifest(out)["mode"], mode)


class ThePlayersCheck(ExportCase):
    def test_a_demo_the_player_finds_faulty_is_refused_with_its_messages(self):
        demo = self.demo()
        os.remove(os.path.join(demo, "LoadingScreen.jpg"))
        before = snapshot(self.dir)
        run = self.export(demo, os.path.join(self.dir, "out"))
        self.assert_refused(run, "LoadingScreen.jpg", "--verify")
        self.assertEqual(snapshot(self.dir), before)

    def test_a_dot_name_the_script_needs_fails_the_check_of_the_copy(self):
        out = os.path.join(self.dir, "site")
        self.assert_exported(self.export(self.demo("first"), out))
        before = snapshot(out)
        demo = self.demo()
        os.rename(os.path.join(demo, "dawn.jpg"), os.path.join(demo, ".dawn.jpg"))
        script = os.path.join(demo, "demo.qsc")
        with open(script) as f:
            text = f.read()
        with open(script, "w") as f:
            f.write(text.replace("dawn.jpg", ".dawn.jpg"))
        run = self.export(demo, out)
        self.assert_refused(run, ".dawn.jpg", "copy")
        self.assertEqual(snapshot(out), before)

    def test_the_player_comes_from_the_option_the_environment_or_is_asked_for(self):
        demo = self.demo()
        env = dict(os.environ, DEMOPLAYER=PLAYER)
        self.assert_exported(self.export(demo, os.path.join(self.dir, "a"), player=False,
                                         env=env))
        env["DEMOPLAYER"] = os.path.join(self.dir, "no-player")
        self.assert_refused(self.export(demo, os.path.join(self.dir, "b"), player=False,
                                        env=env), "DEMOPLAYER")
        self.assert_refused(self.export(demo, os.path.join(self.dir, "c"), "--player",
                                        os.path.join(self.dir, "none")), "--player")
        self.assertFalse(os.path.lexists(os.path.join(self.dir, "b")))
        self.assertFalse(os.path.lexists(os.path.join(self.dir, "c")))

    def test_no_verify_publishes_a_faulty_demo_for_the_page_to_show(self):
        demo = self.demo()
        os.remove(os.path.join(demo, "tiles.jpg"))
        out = os.path.join(self.dir, "out")
        run = self.export(demo, out, "--no-verify", player=False,
                          env=dict(os.environ, DEMOPLAYER=os.path.join(self.dir, "none")))
        self.assert_exported(run)
        self.assertNotIn("tiles.jpg", self.manifest(out)["files"])


class LargeFiles(ExportCase):
    def test_a_large_sparse_file_is_named_with_the_total_and_published(self):
        demo = self.demo()
        with open(os.path.join(demo, "film.bin"), "wb") as f:
            f.truncate(2 * 1000 ** 3)  # takes no room on the disk, nor in the copy
        out = os.path.join(self.dir, "out")
        run = self.export(demo, out)
        self.assert_exported(run)
        warnings = [line for line in run.stderr.splitlines() if "warning" in line]
        self.assertEqual(len(warnings), 2, run.stderr)
        self.assertIn("film.bin is 2000.0 MB", warnings[0])
        total = 2 * 1000 ** 3 + sum(os.path.getsize(os.path.join(EXAMPLE, name))
                                    for name in os.listdir(EXAMPLE))
        self.assertIn("%.1f MB in all" % (total / 1e6), warnings[1])
        self.assertEqual(os.path.getsize(os.path.join(out, "demo", "film.bin")), 2 * 1000 ** 3)
        self.assertIn("film.bin", self.manifest(out)["files"])


class Interruptions(ExportCase):
    """A stopped export removes its temporary folder and leaves the output
    folder as it was."""

    def stopping_player(self, signum):
        """A player that passes the demo's check and, at the check of the copy
        (the export assembled, not yet in place), signals the export."""
        path = os.path.join(self.dir, "stopping-player")
        with open(path, "w") as f:
            f.write('#!/bin/sh\ncase "$4" in */.*export-*) kill -%d $PPID; exit 0;; esac\n'
                    'exec "%s" "$@"\n' % (signum, PLAYER))
        os.chmod(path, 0o755)
        return path

    def test_a_signal_while_assembling_leaves_an_earlier_export_and_a_new_place_alone(self):
        earlier = os.path.join(self.dir, "site")
        self.assert_exported(self.export(self.demo("first"), earlier))
        before = snapshot(self.dir)
        demo = self.demo()
        for signum in (15, 1, 2):
            for out in (earlier, os.path.join(self.dir, "new")):
                with self.subTest(signal=signum, out=os.path.basename(out)):
                    run = self.export(demo, out, "--player", self.stopping_player(signum),
                                      preexec_fn=default_signals)
                    self.assertEqual(run.returncode, 128 + signum, run.stderr)
                    after = snapshot(self.dir)
                    for name in ("demo", "stopping-player"):
                        after = {k: v for k, v in after.items() if not k.startswith(name)}
                    self.assertEqual(after, before)

    def test_a_failure_while_swapping_puts_the_earlier_export_back(self):
        sys.dont_write_bytecode = True  # nothing left in the source tree
        sys.path.insert(0, os.path.join(ROOT, "tools", "web"))
        try:
            export = importlib.import_module("export")
        finally:
            sys.path.pop(0)
        out = os.path.join(self.dir, "site")
        self.assert_exported(self.export(self.demo("first"), out))
        before = snapshot(out)
        demo = self.demo()
        files, problems = export.list_demo(os.fsencode(demo))
        self.assertEqual(problems, [])
        real_rename = os.rename
        # Each name is two renames (the old one aside, the new one in): fail
        # part way through, after some names were swapped.
        for failing in (1, 2, 5, 8):
            with self.subTest(failing_rename=failing):
                calls = []

                def rename(source, target):
                    calls.append(source)
                    if len(calls) == failing:
                        raise OSError(5, "Input/output error")
                    real_rename(source, target)

                output = export.Output()
                with mock.patch.object(export.os, "rename", rename):
                    with self.assertRaises(OSError):
                        export.put_in_place(output, out, "existing",
                                            os.path.join(self.page_build, "page"), files,
                                            {"files": []}, lambda copy: None)
                output.clean()
                self.assertEqual(snapshot(out), before)


if __name__ == "__main__":
    unittest.main(verbosity=2)
