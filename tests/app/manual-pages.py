#!/usr/bin/env python3
"""The manual pages, the programs' --help and their bash completion name the
same options: an option added to one and forgotten in another fails here.

  manual-pages.py DEMOPLAYER DEMOPLAYER_SCENE PACKAGING_DIR
"""
import re
import subprocess
import sys
from pathlib import Path

OPTION = re.compile(r"(?<![\w-])(--?[A-Za-z][\w-]*)")


def help_options(program):
    """Options in --help's option column: the words before a wide gap on an
    indented line that begins with a dash."""
    out = subprocess.run([program, "--help"], capture_output=True, text=True, check=True).stdout
    found = set()
    for line in out.splitlines():
        m = re.match(r"^\s+(-\S.*?)(\s{2,}|$)", line)
        if m:
            found.update(OPTION.findall(m.group(1)))
    return found


def manual_options(page):
    """Options the page defines: its definition lines begin with a bold dash."""
    found = set()
    for line in page.read_text().splitlines():
        if line.startswith("*-"):
            found.update(OPTION.findall(line))
    return found


def completion_options(script):
    """Every dashed word the completion offers."""
    text = script.read_text()
    found = set()
    for words in re.findall(r"compgen -W '([^']*)'", text):
        found.update(w for w in words.split() if w.startswith("-") and len(w) > 1)
    # Values that look like options (--up's -x) are not options.
    return found - {"-x", "-y", "-z"}


def main():
    demoplayer, scene_tool, packaging = sys.argv[1], sys.argv[2], Path(sys.argv[3])
    faults = []
    for program, name in ((demoplayer, "demoplayer"), (scene_tool, "demoplayer-scene")):
        listed = {
            "--help": help_options(program),
            f"{name}(1)": manual_options(packaging / "man" / f"{name}.1.scd"),
            "the bash completion": completion_options(packaging / "completion" / name),
        }
        union = set().union(*listed.values())
        for where, options in listed.items():
            missing = sorted(union - options)
            if missing:
                faults.append(f"{name}: {where} lacks {', '.join(missing)}")
        print(f"{name}: {len(union)} options, {len(faults)} faults so far")
    for fault in faults:
        print("FAIL:", fault, file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
