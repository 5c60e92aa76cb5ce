#!/usr/bin/python3
"""Checks the layering: a source includes headers of its own layer and the layers below only.

    tools/check_layers.py [repository folder]

The layers, bottom to top, are those of the design: platform/base, platform/data, platform/sql,
platform/gfx, platform/ui, platform/print, Complib/dbf, report, report/db, controls, grid, app,
tools, bench. A file belongs to the deepest layer folder that holds it (its tests/, fuzz/ and
x11/ folders included). Test code (tests/ and x11/ folders) may also include the test support of
tools/testsupport and tools/x11test and the generated data of tools/gen and tools/fill. Every
"..." include is looked up by its name among the headers of all layers; a name no layer has (a
system or generated header) is not checked. A header in a layer's internal/ folder is its own:
only the sources of that folder itself may include it. Prints each include of a higher layer and
each include of another layer's internal header as <file>:<line>: ... and exits with 1 when there
is one, else 0.
"""
import os
import re
import sys

LAYERS = ["platform/base", "platform/data", "platform/sql", "platform/gfx", "platform/ui",
          "platform/print", "Complib/dbf", "report", "report/db", "controls", "grid", "app",
          "tools", "bench"]
TEST_SUPPORT = ["tools/testsupport", "tools/x11test", "tools/gen", "tools/fill"]
SOURCE = re.compile(r".*\.(cpp|h)$")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def layer_of(path):
    """The index of the deepest layer folder holding path (relative, with '/'), or None."""
    best = None
    for i, layer in enumerate(LAYERS):
        if path.startswith(layer + "/") and (best is None or len(layer) > len(LAYERS[best])):
            best = i
    return best


def is_test_code(path):
    parts = path.split("/")
    return "tests" in parts or "x11" in parts or any(path.startswith(t + "/") for t in TEST_SUPPORT)


def sources(root):
    for layer in LAYERS:
        top = os.path.join(root, layer)
        for folder, dirs, files in os.walk(top):
            dirs[:] = [d for d in dirs if not d.startswith("build")]
            for f in files:
                if SOURCE.match(f):
                    yield os.path.relpath(os.path.join(folder, f), root).replace(os.sep, "/")


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    files = sorted(set(sources(root)))
    headers = {}
    for f in files:
        if f.endswith(".h"):
            headers.setdefault(os.path.basename(f), f)
    faults = 0
    for f in files:
        own = layer_of(f)
        with open(os.path.join(root, f), encoding="utf-8", errors="replace") as text:
            for number, line in enumerate(text, 1):
                m = INCLUDE.match(line)
                if not m or os.path.basename(m.group(1)) not in headers:
                    continue
                target = headers[os.path.basename(m.group(1))]
                home = os.path.dirname(target)
                if os.path.basename(home) == "internal" and \
                        os.path.dirname(f) not in (home, os.path.dirname(home)):
                    print(f"{f}:{number}: includes {target}, internal to {os.path.dirname(home)}")
                    faults += 1
                    continue
                theirs = layer_of(target)
                if theirs is None or theirs <= own:
                    continue
                if is_test_code(f) and any(target.startswith(t + "/") for t in TEST_SUPPORT):
                    continue
                print(f"{f}:{number}: {LAYERS[own]} includes {target} of the higher layer "
                      f"{LAYERS[theirs]}")
                faults += 1
    if faults:
        print(f"{faults} include(s) of a higher layer")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
