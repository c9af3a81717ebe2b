#!/usr/bin/env python3
"""Checks that the program outside platform/ calls only the handheld's API.

Lists every function that the program's own objects (its library, its rules and its start-up,
all but platform/) take from outside the program, and compares them with the Pocket PC 2003 set
in platform/pocketpc_api.txt. Prints the count checked; a function outside the set fails the
check with its name and the objects that call it.
    scripts/api_check.py [CROSS_BUILD_DIR]      (default build/cross)
"""
import glob
import os
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TARGETS = ("qm_core", "qm_rules", "quillmark")  # the program's objects; tests and handheld/ are not
NM = os.environ.get("QM_NM", "x86_64-w64-mingw32-nm")


def allowed_set(path):
    names = set()
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.split("#", 1)[0].strip()
            if not line or line.startswith("["):
                continue
            if len(line.split()) != 1:
                sys.exit(f"{path}:{number}: one function name per line: {line!r}")
            names.add(line)
    return names


def symbols(obj, flags):
    out = subprocess.run([NM, *flags, obj], check=True, capture_output=True, text=True).stdout
    return [fields[-1] for fields in (line.split() for line in out.splitlines()) if fields]


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build", "cross")
    objects = []
    for target in TARGETS:
        objects += glob.glob(os.path.join(build, "CMakeFiles", f"{target}.dir", "**", "*.obj"), recursive=True)
    if not objects:
        sys.exit(f"api check: no objects under {build}; build it first")
    # The program's own names, platform/'s stand-ins among them.
    own = set()
    for obj in objects:
        own.update(symbols(obj, ["--defined-only"]))
    allowed = allowed_set(os.path.join(ROOT, "platform", "pocketpc_api.txt"))

    callers = {}
    for obj in objects:
        rel = os.path.relpath(obj, os.path.join(build, "CMakeFiles"))
        if "/platform/" in rel.replace(os.sep, "/"):
            continue
        for name in symbols(obj, ["--undefined-only"]):
            if name in own:
                continue
            if name.startswith("__imp_"):
                name = name[len("__imp_"):]
            if name in own or name.startswith(".refptr."):
                continue
            source = rel.split(".dir/", 1)[-1][: -len(".obj")]
            callers.setdefault(name, set()).add(source)

    outside = sorted(name for name in callers if name not in allowed)
    print(f"api check: {len(callers)} functions from outside the program, checked against "
          f"{len(allowed)} of the handheld's")
    for name in outside:
        print(f"  not on the handheld: {name}, called by {', '.join(sorted(callers[name]))}")
    if outside:
        print("api check: move these calls behind a Pocket PC name in platform/")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
