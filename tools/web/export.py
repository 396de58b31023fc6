#!/usr/bin/env python3
"""Makes a demo's folder into a web page folder (tools/export-web.sh runs this).

    export-web.sh [--build BUILD] [--title TEXT] [--mode WxH] [--player PATH] DEMO_DIR OUT_DIR

What it guarantees, in this order:
- Nothing is written before every check has passed: the mode, where OUT_DIR
  lies against DEMO_DIR, what OUT_DIR already holds, every entry of the demo,
  and the desktop player's --verify of the demo (run again on the assembled
  copy before it goes in place). A refusal says why, starts with the
  program's name and ends the run with status 2.
- The demo folder is only ever read. OUT_DIR may not be the demo, lie inside
  it, or hold it (the output is what gets uploaded), and none of the names
  the export writes in OUT_DIR may lead into the demo.
- Only regular files are published, as copies of their bytes; a link is
  published as a copy of the file it leads to when that file lies inside the
  demo, and refused otherwise. Dot-names are not published.
- The output is assembled in a temporary folder beside its final place and
  moved there only when complete; a failure or an interrupt removes the
  temporary folder and leaves an existing OUT_DIR as it was.

Exit statuses: 0 done, 1 an unexpected failure (a disk error, the page's
build failing), 2 a refusal, 128+N interrupted by signal N.
"""

import argparse
import errno
import json
import os
import re
import shlex
import shutil
import signal
import stat
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
PROG = os.environ.get("DP_EXPORT_NAME") or os.path.basename(sys.argv[0])

# The player's own bounds for --mode (app/Options.cpp, parseMode).
MODE_MAX = 16384
# Files above this apparent size are named in a warning, as is a total above
# it: every viewer downloads every file before the demo starts.
LARGE_BYTES = 50 * 1000 * 1000
# What the export writes in OUT_DIR besides the page's own files.
DEMO_FOLDER = "demo"
MANIFEST = "demo.json"
SIGNALS = (signal.SIGINT, signal.SIGTERM, signal.SIGHUP)


class Refusal(Exception):
    """The export cannot go ahead as asked; the text says why (status 2)."""


class Failure(Exception):
    """Something broke while exporting (status 1)."""


class Interrupted(BaseException):
    def __init__(self, signum):
        super().__init__(signum)
        self.signum = signum


def say(text):
    print("%s: %s" % (PROG, text), file=sys.stderr)


def shown(path):
    """A path for a message: bytes that are not UTF-8 and control characters
    escaped, so one path is one line."""
    if isinstance(path, bytes):
        path = path.decode("utf-8", "backslashreplace")
    return "".join(c if c.isprintable() else "\\x%02x" % ord(c) if ord(c) < 256
                   else "\\u%04x" % ord(c) for c in path)


def inside(path, folder):
    """Whether the real path `path` is `folder` or lies below it (both str or
    both bytes)."""
    sep = os.sep.encode() if isinstance(path, bytes) else os.sep
    return path == folder or path.startswith(folder.rstrip(sep) + sep)


# --- the mode -----------------------------------------------------------------

def parse_mode(text):
    """'WxH' as the page takes it (its size list and the player's --mode),
    within the player's bounds; returned without leading zeros."""
    match = re.fullmatch(r"([0-9]+)x([0-9]+)", text)
    if not match:
        raise Refusal("--mode takes WxH (e.g. 640x480), not \"%s\"" % shown(text))
    width, height = int(match.group(1)), int(match.group(2))
    if not (1 <= width <= MODE_MAX and 1 <= height <= MODE_MAX):
        raise Refusal("--mode \"%s\": width and height go from 1 to %d" % (text, MODE_MAX))
    return "%dx%d" % (width, height)


# --- the demo's files ---------------------------------------------------------

def kind_of(mode):
    if stat.S_ISFIFO(mode):
        return "a FIFO"
    if stat.S_ISSOCK(mode):
        return "a socket"
    if stat.S_ISCHR(mode):
        return "a character device"
    if stat.S_ISBLK(mode):
        return "a block device"
    return "not a regular file"


def list_demo(demo):
    """The files to publish as (name in the page, real source path, size),
    in name order, and the entries that cannot be published with the reason
    for each. `demo` is the demo folder's real path (bytes)."""
    files = []
    problems = []

    def refuse(rel, reason):
        problems.append("%s: %s" % (shown(rel), reason))

    def visit(folder, rel_folder, chain):
        try:
            entries = sorted(os.scandir(folder), key=lambda e: e.name)
        except OSError as error:
            refuse(rel_folder or b".", "cannot be read: %s" % error.strerror)
            return
        # A folder's files, then its folders, each in name order.
        folders = []
        for entry in entries:
            name = entry.name
            if name.startswith(b"."):
                continue  # dot-names are the author's, never published
            rel = rel_folder + b"/" + name if rel_folder else name
            try:
                name.decode("utf-8")
            except UnicodeDecodeError:
                refuse(rel, "the name is not valid UTF-8 (the page cannot ask for it)")
                continue
            path = os.path.join(folder, name)
            try:
                info = os.lstat(path)
            except OSError as error:
                refuse(rel, "cannot be read: %s" % error.strerror)
                continue
            if stat.S_ISLNK(info.st_mode):
                try:
                    info = os.stat(path)
                except OSError as error:
                    if error.errno == errno.ELOOP:
                        refuse(rel, "a link loop")
                    elif error.errno in (errno.ENOENT, errno.ENOTDIR):
                        refuse(rel, "a link leading nowhere (to %s)" % shown(os.readlink(path)))
                    else:
                        refuse(rel, "a link that cannot be followed: %s" % error.strerror)
                    continue
                target = os.path.realpath(path)
                if not inside(target, demo):
                    refuse(rel, "a link leading outside the demo folder (to %s)" % shown(target))
                    continue
                if stat.S_ISDIR(info.st_mode) and target in chain:
                    refuse(rel, "a link loop (back to a folder that holds it)")
                    continue
                path = target
            if stat.S_ISDIR(info.st_mode):
                folders.append((path, rel))
            elif stat.S_ISREG(info.st_mode):
                files.append((rel.decode("utf-8"), path, info.st_size))
            else:
                refuse(rel, kind_of(info.st_mode))
        for path, rel in folders:
            visit(path, rel, chain | {path})

    visit(demo, b"", {demo})
    return files, problems


def megabytes(size):
    return "%.1f MB" % (size / 1e6)


def warn_large(files):
    total = sum(size for _, _, size in files)
    large = [(name, size) for name, _, size in files if size > LARGE_BYTES]
    for name, size in large:
        say("warning: %s is %s; every viewer downloads it whole before the demo starts"
            % (shown(name), megabytes(size)))
    if large or total > LARGE_BYTES:
        say("warning: the demo's files come to %s in all, downloaded by every viewer"
            % megabytes(total))
    return total


# --- the player's check -------------------------------------------------------

def find_player(option):
    if option is not None:
        if not (os.path.isfile(option) and os.access(option, os.X_OK)):
            raise Refusal("--player %s is not an executable file" % shown(option))
        return option
    chosen = os.environ.get("DEMOPLAYER")
    if chosen:
        if not (os.path.isfile(chosen) and os.access(chosen, os.X_OK)):
            raise Refusal("$DEMOPLAYER (%s) is not an executable file" % shown(chosen))
        return chosen
    built = os.path.join(ROOT, "build", "demoplayer")
    if os.path.isfile(built) and os.access(built, os.X_OK):
        return built
    on_path = shutil.which("demoplayer")
    if on_path:
        return on_path
    raise Refusal("no desktop player to check the demo with (it runs demoplayer --verify "
                  "first): build it with\n  cmake -S %s -B %s/build && cmake --build %s/build "
                  "--target demoplayer\nor name one with --player PATH or $DEMOPLAYER"
                  % (ROOT, ROOT, ROOT))


def verify(player, demo, what):
    """The desktop player's --verify of `demo`, without a display or sound
    device. A fault stops the export with the player's messages; the first
    check passes them on even when sound (its warnings)."""
    env = dict(os.environ, SDL_VIDEODRIVER="offscreen", SDL_AUDIODRIVER="dummy")
    try:
        run = subprocess.run([player, "-q", "--verify", "--", demo], env=env,
                             stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                             stderr=subprocess.STDOUT)
    except OSError as error:
        raise Refusal("cannot run the player %s: %s" % (shown(player), error.strerror))
    output = run.stdout.decode("utf-8", "replace")
    if run.returncode != 0:
        sys.stderr.write(output)
        raise Refusal("the player's check of %s failed (%s --verify, status %d); the output "
                      "folder was not changed" % (what, shown(player), run.returncode))
    return output


# --- the output folder --------------------------------------------------------

def page_names(page):
    return sorted(set(os.listdir(page)) | {DEMO_FOLDER, MANIFEST})


def check_output(out, demo, page, names):
    """Where the output goes: 'absent' or 'existing' (an empty folder or a
    previous export, whose export names are replaced and nothing else).
    `out`, `demo` and `page` are real paths (str)."""
    if inside(out, page) or inside(page, out):
        raise Refusal("OUT_DIR %s and the page's files %s must lie apart"
                      % (shown(out), shown(page)))
    if inside(out, demo):
        raise Refusal("OUT_DIR %s is the demo folder or inside it: the demo's folder is "
                      "never written; choose an output folder outside it" % shown(out))
    if inside(demo, out):
        raise Refusal("OUT_DIR %s holds the demo folder %s: the output folder is what gets "
                      "uploaded; choose one that does not hold the demo"
                      % (shown(out), shown(demo)))
    for name in names:
        place = os.path.realpath(os.path.join(out, name))
        if inside(place, demo) or inside(demo, place):
            raise Refusal("%s leads into the demo folder %s; the export would replace it"
                          % (shown(os.path.join(out, name)), shown(demo)))
    if not os.path.lexists(out):
        return "absent"
    if not os.path.isdir(out):
        raise Refusal("OUT_DIR %s is not a folder" % shown(out))
    present = os.listdir(out)
    if not present:
        return "existing"
    if os.path.isfile(os.path.join(out, MANIFEST)):
        return "existing"
    raise Refusal("OUT_DIR %s holds files and is not an earlier export (it has no %s): "
                  "give a new or empty folder, or an earlier export to replace"
                  % (shown(out), MANIFEST))


def copy_bytes(source, target):
    """Copies a regular file's bytes (never a link, never a special file);
    holes stay holes, so a sparse file does not fill the disk."""
    flags = os.O_RDONLY | os.O_NOFOLLOW | os.O_NONBLOCK | getattr(os, "O_CLOEXEC", 0)
    fd_in = os.open(source, flags)
    try:
        info = os.fstat(fd_in)
        if not stat.S_ISREG(info.st_mode):
            raise Failure("%s changed while exporting: no longer a regular file" % shown(source))
        fd_out = os.open(target, os.O_WRONLY | os.O_CREAT | os.O_EXCL | os.O_TRUNC, 0o666)
        try:
            position = 0
            while position < info.st_size:
                try:
                    start = os.lseek(fd_in, position, os.SEEK_DATA)
                    end = os.lseek(fd_in, start, os.SEEK_HOLE)
                except OSError as error:
                    if error.errno == errno.ENXIO:
                        break  # only a hole is left
                    if error.errno != errno.EINVAL:
                        raise
                    start, end = position, info.st_size  # no hole support
                os.lseek(fd_in, start, os.SEEK_SET)
                os.lseek(fd_out, start, os.SEEK_SET)
                left = end - start
                while left > 0:
                    chunk = os.read(fd_in, min(left, 1 << 20))
                    if not chunk:
                        break
                    os.write(fd_out, chunk)
                    left -= len(chunk)
                position = end
            os.ftruncate(fd_out, info.st_size)
        finally:
            os.close(fd_out)
    finally:
        os.close(fd_in)


def assemble(folder, page, files, manifest):
    """Writes the whole export into `folder`, an empty folder of ours."""
    umask = os.umask(0)
    os.umask(umask)
    # mkdtemp makes its folder private; the page is served to everyone.
    os.chmod(folder, 0o777 & ~umask)
    for here, dirs, names in os.walk(page, followlinks=True):
        dirs.sort()
        rel = os.path.relpath(here, page)
        target = folder if rel == "." else os.path.join(folder, rel)
        if rel != ".":
            os.mkdir(target)
        for name in sorted(names):
            # The page's files are the build's own: links there are followed.
            copy_bytes(os.path.realpath(os.path.join(here, name)), os.path.join(target, name))
    demo_folder = os.path.join(folder, DEMO_FOLDER)
    os.mkdir(demo_folder)
    for name, source, _ in files:
        target = os.path.join(demo_folder, *name.split("/"))
        os.makedirs(os.path.dirname(target), exist_ok=True)
        copy_bytes(source, target)
    with open(os.path.join(folder, MANIFEST), "w", encoding="utf-8") as out:
        json.dump(manifest, out, indent=1)


class signals_held:
    """Holds INT, TERM and HUP back while a step that must not be cut in two
    runs (a rename and the record of it); they are delivered after it."""

    def __enter__(self):
        self.mask = signal.pthread_sigmask(signal.SIG_BLOCK, SIGNALS)

    def __exit__(self, *exc):
        signal.pthread_sigmask(signal.SIG_SETMASK, self.mask)


class Output:
    """The temporary folders of one export, removed whatever happens, and
    whether the export has been put in place."""

    def __init__(self):
        self.temporary = []
        self.in_place = False

    def new_folder(self, parent, prefix):
        with signals_held():
            folder = tempfile.mkdtemp(prefix=prefix, dir=parent)
            self.temporary.append(folder)
        return folder

    def clean(self):
        with signals_held():
            for folder in self.temporary:
                shutil.rmtree(folder, ignore_errors=True)
            self.temporary = []


def put_in_place(output, out, state, page, files, manifest, check):
    """Assembles the export beside where it goes and moves it there. A new
    OUT_DIR is one rename of the whole folder. In an existing one each name
    the export writes is swapped for its new version (the folder may hold
    other files, which stay); a failure part way puts the old ones back."""
    if state == "absent":
        parent = os.path.dirname(out)
        os.makedirs(parent, exist_ok=True)
        fresh = output.new_folder(parent, ".%s.export-" % os.path.basename(out))
        assemble(fresh, page, files, manifest)
        check(os.path.join(fresh, DEMO_FOLDER))
        with signals_held():
            os.rename(fresh, out)
            output.temporary.remove(fresh)
            output.in_place = True
        return
    # Inside OUT_DIR, so that every rename stays on its file system.
    fresh = output.new_folder(out, ".export-")
    assemble(fresh, page, files, manifest)
    check(os.path.join(fresh, DEMO_FOLDER))
    old = output.new_folder(out, ".export-old-")
    done = []  # renames (from, to), undone in reverse on failure
    with signals_held():
        try:
            for name in sorted(os.listdir(fresh)):
                if os.path.lexists(os.path.join(out, name)):
                    os.rename(os.path.join(out, name), os.path.join(old, name))
                    done.append((os.path.join(out, name), os.path.join(old, name)))
                os.rename(os.path.join(fresh, name), os.path.join(out, name))
                done.append((os.path.join(fresh, name), os.path.join(out, name)))
        except BaseException as failure:
            try:
                for source, target in reversed(done):
                    os.rename(target, source)
            except OSError as error:
                # What could not go back stays where it is, for the author.
                output.temporary.remove(old)
                raise Failure("%s, and the earlier export could not be put back (%s): its "
                              "files are in %s" % (failure, error, shown(old)))
            raise
        output.in_place = True


# --- the run ------------------------------------------------------------------

def arguments(argv):
    parser = argparse.ArgumentParser(
        prog=PROG, allow_abbrev=False,
        description="Makes DEMO_DIR into OUT_DIR, a web page that plays it from any static "
                    "web server.")
    parser.add_argument("--build", metavar="BUILD", default=os.path.join(ROOT, "build-web"),
                        help="the web build whose page/ holds the page's files "
                             "(tools/build-web.sh; built when missing)")
    parser.add_argument("--title", metavar="TEXT", default="",
                        help="the page's title (default: the demo folder's name)")
    parser.add_argument("--mode", metavar="WxH", default="640x480",
                        help="the preferred frame size (default 640x480)")
    parser.add_argument("--player", metavar="PATH",
                        help="the desktop player that checks the demo (default $DEMOPLAYER, "
                             "build/demoplayer, demoplayer)")
    parser.add_argument("--no-verify", action="store_true",
                        help="publish without the player's check (for testing how the page "
                             "shows a faulty demo)")
    parser.add_argument("demo", metavar="DEMO_DIR")
    parser.add_argument("out", metavar="OUT_DIR")
    return parser.parse_args(argv)


def export(args, output):
    mode = parse_mode(args.mode)
    if not os.path.isdir(args.demo):
        raise Refusal("DEMO_DIR \"%s\" is not a folder" % shown(args.demo))
    demo = os.path.realpath(args.demo)
    out = os.path.realpath(args.out)
    if os.path.lexists(args.out) and not os.path.exists(args.out):
        raise Refusal("OUT_DIR %s is a link leading nowhere" % shown(args.out))
    build = os.path.abspath(args.build)
    page = os.path.join(build, "page")
    names = page_names(page) if os.path.isdir(page) else [DEMO_FOLDER, MANIFEST]
    state = check_output(out, demo, os.path.realpath(page), names)

    files, problems = list_demo(os.fsencode(demo))
    if problems:
        raise Refusal("%s holds what cannot be published (only regular files, and links to "
                      "them inside the demo folder, with UTF-8 names):\n%s"
                      % (shown(args.demo), "\n".join(problems)))
    if args.no_verify:
        say("warning: the demo is published without the player's check (--no-verify)")
        check = lambda copy: None
    else:
        player = find_player(args.player)
        sys.stderr.write(verify(player, demo, shown(args.demo)))
        # The copy is checked too before it goes in place: it is what the
        # page gets, without the dot-names a script might still name.
        check = lambda copy: verify(player, copy, "the copy to publish (dot-names left out)")
    total = warn_large(files)

    if not os.path.isfile(os.path.join(page, "player.wasm")):
        if subprocess.run(["bash", os.path.join(ROOT, "tools", "build-web.sh"), build]).returncode:
            raise Failure("building the page's files into %s failed" % shown(build))
        # A page built now may bring names the checks above have not seen.
        check_output(out, demo, os.path.realpath(page), page_names(page))

    names = [name for name, _, _ in files]
    # The start screen shows the picture the player's loading screen shows.
    loading = next((name for name in names if name.lower() == "loadingscreen.jpg"), None)
    title = args.title or os.path.basename(os.path.abspath(args.demo).rstrip(os.sep))
    manifest = {"title": title, "mode": mode, "loadingScreen": loading, "files": names}
    put_in_place(output, out, state, page, files, manifest, check)
    print("%s: %d files of the demo (%s); serve the folder, e.g. python3 -m http.server -d %s "
          "-b 127.0.0.1 8000" % (args.out, len(files), megabytes(total), shlex.quote(args.out)))


def main(argv):
    def interrupt(signum, frame):
        raise Interrupted(signum)

    for signum in SIGNALS:
        # A signal the caller ignores (nohup's HUP) stays ignored.
        if signal.getsignal(signum) != signal.SIG_IGN:
            signal.signal(signum, interrupt)
    args = arguments(argv)
    output = Output()
    try:
        export(args, output)
        return 0
    except Refusal as refusal:
        say(str(refusal))
        return 2
    except Interrupted as interrupted:
        if output.in_place:
            say("interrupted after the export was complete and in place")
        else:
            say("interrupted: the output folder was left as it was")
        return 128 + interrupted.signum
    except (Failure, OSError) as error:
        say("%s; the output folder was left as it was" % error)
        return 1
    finally:
        output.clean()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
