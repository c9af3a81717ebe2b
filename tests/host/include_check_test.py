#!/usr/bin/env python3
"""The include check on small trees of its own: what it lets pass and what it refuses."""
import os
import subprocess
import sys
import tempfile
import unittest

CHECK = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "include_check.py")


def run_on(files):
    """Lays out FILES ({path: text}) in a fresh tree and runs the check there."""
    with tempfile.TemporaryDirectory() as root:
        for path, text in files.items():
            full = os.path.join(root, path)
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, "w", encoding="utf-8") as f:
                f.write(text)
        done = subprocess.run([sys.executable, CHECK, root], capture_output=True, text=True)
        return done.returncode, done.stdout


class IncludeCheck(unittest.TestCase):
    def test_includes_that_point_down_or_stay_pass(self):
        cases = [
            ("utils/log.cpp", '#include "utils/log.h"\n#include "platform/pocketpc.h"\n'),
            ("page/settings_window.cpp", '#include "pickers/pickers.h"\n#include "pointer/actions.h"\n'
                                         '#include "settings/settings_store.h"\n#include "utils/log.h"\n'),
            ("app/main_window.cpp", '#include "page/about_box.h"\n#include "link/connect.h"\n'),
            ("handheld/shell.cpp", '#include "platform/tray_wire.h"\n#include "platform/events.h"\n#include <windows.h>\n'),
            ("tests/win32/any_test.cpp", '#include "app/main_window.h"\n'),  # tests are no room
        ]
        for path, text in cases:
            with self.subTest(path=path):
                rc, out = run_on({path: text})
                self.assertEqual(rc, 0, out)

    def test_an_include_that_climbs_fails_with_its_file_line_and_rooms(self):
        cases = [
            ("utils/log.cpp", '#include "utils/log.h"\n#include "page/about_box.h"\n',
             'utils/log.cpp:2: "page/about_box.h" climbs from utils/ to page/'),
            ("platform/device.cpp", '#include "settings/settings_store.h"\n',
             'platform/device.cpp:1: "settings/settings_store.h" climbs from platform/ to settings/'),
            ("pointer/motion.cpp", '  #  include "link/bt_records.h"\n',  # a room of the same rank
             'pointer/motion.cpp:1: "link/bt_records.h" climbs from pointer/ to link/'),
            ("handheld/shell.cpp", '#include "utils/log.h"\n',
             'handheld/shell.cpp:1: "utils/log.h" climbs from handheld/ to utils/'),
            ("settings/store.h", '#include "../pickers/pickers.h"\n',
             'settings/store.h:1: "../pickers/pickers.h" climbs from settings/ to pickers/'),
        ]
        for path, text, expected in cases:
            with self.subTest(path=path):
                rc, out = run_on({path: text})
                self.assertEqual(rc, 1, out)
                self.assertIn(expected, out)

    def test_this_checkout_passes(self):
        root = os.path.join(os.path.dirname(CHECK), "..")
        done = subprocess.run([sys.executable, CHECK, root], capture_output=True, text=True)
        self.assertEqual(done.returncode, 0, done.stdout)


if __name__ == "__main__":
    unittest.main()
