#!/usr/bin/env python3
"""Checks that every include of the program points down the order of its rooms.

The program's folders, from the ground up; a room includes itself and the rooms before it in
ROOMS, never one after it, and never another room of its own rank (link/ and pointer/ stand side
by side). handheld/ is the rest of the device: it may include platform/ and nothing of the
program. tests/, resources/ and scripts/ are not rooms of the program and are not checked.
Prints each include that climbs, as FILE:LINE: "INCLUDE" climbs from ROOM to ROOM, and exits 1.
    scripts/include_check.py [ROOT]      (default: this checkout)
"""
import os
import re
import sys

# (rank, folder); the rank is the room's order in docs and design notes.
ROOMS = [
    (1, "platform"),  # the Pocket PC stand-ins and the device's interfaces
    (2, "utils"),     # the shared utilities: log, paths, launching, scale, tray, process records
    (3, "settings"),  # the settings store
    (4, "link"),      # the connection procedure and the Bluetooth records
    (4, "pointer"),   # the cursor thread, motion, drawing, actions
    (5, "pickers"),   # the picker window and the program and applet pickers
    (6, "page"),      # the settings page and the About box
    (7, "app"),       # start-up, the main window
]
BESIDE = {"handheld": {"platform", "handheld"}}
ORDER = " -> ".join("|".join(f for r2, f in ROOMS if r2 == r) for r in sorted({r for r, _ in ROOMS}))
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
SOURCES = (".c", ".cpp", ".h")


def allowed_for(room):
    if room in BESIDE:
        return BESIDE[room]
    rank = dict((folder, r) for r, folder in ROOMS)[room]
    return {folder for r, folder in ROOMS if r < rank} | {room}


def room_of_include(path, including_file, root):
    """The room an include names: its first folder, or the including file's own for a bare name."""
    parts = path.replace("\\", "/").split("/")
    if len(parts) == 1 or parts[0] in (".", ".."):
        resolved = os.path.normpath(os.path.join(os.path.dirname(including_file), path))
        parts = os.path.relpath(resolved, root).replace(os.sep, "/").split("/")
    return parts[0]


def check(root):
    known = {folder for _, folder in ROOMS} | set(BESIDE)
    climbs = []
    checked = 0
    for room in sorted(known):
        allowed = allowed_for(room)
        for dirpath, _, names in os.walk(os.path.join(root, room)):
            for name in sorted(names):
                if not name.endswith(SOURCES):
                    continue
                full = os.path.join(dirpath, name)
                with open(full, encoding="utf-8", errors="replace") as f:
                    for number, line in enumerate(f, 1):
                        m = INCLUDE.match(line)
                        if not m:
                            continue
                        checked += 1
                        target = room_of_include(m.group(1), full, root)
                        if target in known and target not in allowed:
                            rel = os.path.relpath(full, root).replace(os.sep, "/")
                            climbs.append(f'{rel}:{number}: "{m.group(1)}" climbs from {room}/ to {target}/')
    return checked, climbs


def main():
    root = os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else \
        os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    checked, climbs = check(root)
    for climb in climbs:
        print(climb)
    if climbs:
        print(f"include check: {len(climbs)} of {checked} includes climb; "
              "order: " + ORDER + "; handheld/ may include platform/ only")
        return 1
    print(f"include check: {checked} includes, each points down: " + ORDER)
    return 0


if __name__ == "__main__":
    sys.exit(main())
